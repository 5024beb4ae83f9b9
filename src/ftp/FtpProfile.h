// One FTP connection as the dialog edits it, and the saved list of them in the registry.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// All texts are ANSI byte strings.
struct FtpProfile {
    std::string name;
    std::string host; // a server name, optionally ":" and a port number
    std::string userName;
    std::string password;
    std::string remoteDir;
    std::string localDir;
    DWORD passive = 0; // the check state of the Passive box
};

// The saved profiles, from Software\Altav\Quillmark\Ftp1, Ftp2 ... up to the first number
// that has no key. A value of the wrong type or size leaves its field empty.
std::vector<FtpProfile> LoadFtpProfiles();

// Writes the profiles as Ftp1 ... FtpN in this order and deletes FtpN+1. Failures are silent:
// what can be written is written.
void SaveFtpProfiles(const std::vector<const FtpProfile*>& profiles);
