// Owners of the WinINet handles of one FTP run: the connection, a folder listing, an open file.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <string>

#include "net/Internet.h"

// True for the "." and ".." folders that some servers list.
bool IsDotEntry(const WIN32_FIND_DATAA& data);

// The handle of one remote listing (FtpFindFirstFileA) and its current entry.
class FtpFileFinder : public InternetHandle {
  public:
    FtpFileFinder() = default;
    const WIN32_FIND_DATAA& Entry() const { return data_; }
    // The next entry; false at the end of the listing. Throws CInternetException.
    bool next();

  private:
    friend class FtpConnection;
    WIN32_FIND_DATAA data_{};
    const std::atomic<bool>* cancelled_ = nullptr;
};

// A logged-in connection to an FTP server (InternetConnectA). Every operation throws
// CInternetException when WinINet fails. Once the cancel flag given to open() is set, every
// later operation fails as if the session had been closed, without reaching the server.
class FtpConnection : public InternetHandle {
  public:
    FtpConnection() = default;
    void open(HINTERNET session, const char* server, INTERNET_PORT port, const char* user,
              const char* password, DWORD service, DWORD flags, const std::atomic<bool>* cancelled = nullptr);
    void setCurrentDirectory(const char* path);
    void createDirectory(const char* path);
    // Starts a listing in the current folder. False when the folder holds nothing at all:
    // WinINet reports an empty listing as a failure without an error.
    bool find(FtpFileFinder& finder, const char* pattern, DWORD flags);
    // The folder the server is in (FtpGetCurrentDirectoryA); empty when it does not say.
    std::string currentDirectory();

  private:
    bool Refused() const;
    const std::atomic<bool>* cancelled_ = nullptr;
};

// One remote file opened for reading or writing (FtpOpenFileA). The calls return false on
// failure with the error left for describeInternetError.
class FtpFile : public InternetHandle {
  public:
    FtpFile() = default;
    bool open(HINTERNET connection, const char* path, DWORD access, DWORD flags, DWORD_PTR context);
    bool read(void* buffer, DWORD size, DWORD& got);
    bool write(const void* buffer, DWORD size);
};

// The number of the server's last response on this thread (226, 550 ...), 0 when WinINet holds
// none.
unsigned LastFtpResponseCode();
