// FtpProfile: the "Ftp%d" keys of the saved connections.
#include "ftp/FtpProfile.h"

#include <cstdio>

#include "config/Registry.h"

namespace {

// Far more than any host, name or folder needs; a larger value was not written by us.
constexpr DWORD maxValueBytes = 4096;

std::string ProfileKeyName(size_t number) {
    char name[32];
    std::snprintf(name, sizeof(name), "Ftp%zu", number);
    return name;
}

void ReadText(HKEY key, const char* value, std::string& field) {
    if (std::optional<std::string> text = ReadRegistryString(key, value, maxValueBytes)) field = *text;
}

} // namespace

std::vector<FtpProfile> LoadFtpProfiles() {
    std::vector<FtpProfile> profiles;
    RegKey program = OpenProgramKey();
    if (!program) return profiles;
    for (size_t number = 1;; ++number) {
        RegKey key;
        if (::RegOpenKeyExA(program.Get(), ProfileKeyName(number).c_str(), 0, KEY_READ, key.Put()) !=
            ERROR_SUCCESS)
            break;
        FtpProfile profile;
        ReadText(key.Get(), nullptr, profile.name);
        ReadText(key.Get(), "Host", profile.host);
        ReadText(key.Get(), "Username", profile.userName);
        ReadText(key.Get(), "Password", profile.password);
        ReadText(key.Get(), "Remote", profile.remoteDir);
        ReadText(key.Get(), "Local", profile.localDir);
        if (std::optional<DWORD> passive = ReadRegistryDword(key.Get(), "Passive"))
            profile.passive = *passive;
        profiles.push_back(std::move(profile));
    }
    return profiles;
}

void SaveFtpProfiles(const std::vector<const FtpProfile*>& profiles) {
    RegKey program = OpenProgramKey(nullptr, true);
    if (!program) return;
    for (size_t i = 0; i < profiles.size(); ++i) {
        RegKey key;
        if (::RegCreateKeyExA(program.Get(), ProfileKeyName(i + 1).c_str(), 0, nullptr, 0,
                              KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
            continue;
        const FtpProfile& profile = *profiles[i];
        WriteRegistryString(key.Get(), nullptr, profile.name);
        WriteRegistryString(key.Get(), "Host", profile.host);
        WriteRegistryString(key.Get(), "Username", profile.userName);
        if (profile.password.empty())
            DeleteRegistryValue(key.Get(), "Password");
        else
            WriteRegistryString(key.Get(), "Password", profile.password);
        WriteRegistryString(key.Get(), "Remote", profile.remoteDir);
        WriteRegistryString(key.Get(), "Local", profile.localDir);
        WriteRegistryDword(key.Get(), "Passive", profile.passive);
    }
    // The key after the last one ends the list; whatever lies beyond it is never read. It may
    // have been given subkeys by someone else, which RegDeleteKeyA refuses to delete.
    ::RegDeleteTreeA(program.Get(), ProfileKeyName(profiles.size() + 1).c_str());
}
