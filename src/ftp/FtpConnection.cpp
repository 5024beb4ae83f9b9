// The FTP handle owners.
#include "ftp/FtpConnection.h"

#include <cctype>
#include <vector>

bool IsDotEntry(const WIN32_FIND_DATAA& data) {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return lstrcmpA(data.cFileName, ".") == 0 || lstrcmpA(data.cFileName, "..") == 0;
}

namespace {
// Makes a refused call look like a WinINet failure to describeInternetError.
bool FailCancelled(const std::atomic<bool>* cancelled) {
    if (!cancelled || !*cancelled) return false;
    ::SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
    return true;
}
} // namespace

bool FtpFileFinder::next() {
    if (FailCancelled(cancelled_) || !::InternetFindNextFileA(handle_, &data_)) {
        if (::GetLastError() == ERROR_NO_MORE_FILES) return false;
        throw describeInternetError(handle_, "Failed to find next file");
    }
    return true;
}

void FtpConnection::open(HINTERNET session, const char* server, INTERNET_PORT port, const char* user,
                         const char* password, DWORD service, DWORD flags,
                         const std::atomic<bool>* cancelled) {
    cancelled_ = cancelled;
    if (!Refused())
        reset(::InternetConnectA(session, server, port, user, password, service, flags,
                                 reinterpret_cast<DWORD_PTR>(this)));
    if (!handle_)
        throw describeInternetError(nullptr, "Failed to connect to server (%s:%u)", server,
                                    static_cast<unsigned>(port));
}

bool FtpConnection::Refused() const {
    return FailCancelled(cancelled_);
}

void FtpConnection::setCurrentDirectory(const char* path) {
    if (Refused() || !::FtpSetCurrentDirectoryA(handle_, path))
        throw describeInternetError(handle_, "Failed to set current directory (%s)", path);
}

void FtpConnection::createDirectory(const char* path) {
    if (Refused() || !::FtpCreateDirectoryA(handle_, path))
        throw describeInternetError(handle_, "Failed to create directory (%s)", path);
}

bool FtpConnection::find(FtpFileFinder& finder, const char* pattern, DWORD flags) {
    finder.close();
    finder.cancelled_ = cancelled_;
    if (!Refused())
        finder.reset(
            ::FtpFindFirstFileA(handle_, pattern, &finder.data_, flags, reinterpret_cast<DWORD_PTR>(this)));
    if (finder) return true;
    DWORD error = ::GetLastError();
    if (error == ERROR_SUCCESS || error == ERROR_NO_MORE_FILES) return false;
    throw describeInternetError(handle_, "Failed to find files on ftp (%s)", pattern);
}

std::string FtpConnection::currentDirectory() {
    char folder[1024] = "";
    DWORD length = sizeof(folder);
    if (Refused() || !::FtpGetCurrentDirectoryA(handle_, folder, &length)) return {};
    folder[sizeof(folder) - 1] = '\0';
    return folder;
}

bool FtpFile::open(HINTERNET connection, const char* path, DWORD access, DWORD flags, DWORD_PTR context) {
    reset(::FtpOpenFileA(connection, path, access, flags, context));
    return handle_ != nullptr;
}

bool FtpFile::read(void* buffer, DWORD size, DWORD& got) {
    got = 0;
    return ::InternetReadFile(handle_, buffer, size, &got) != FALSE;
}

bool FtpFile::write(const void* buffer, DWORD size) {
    const char* bytes = static_cast<const char*>(buffer);
    while (size > 0) {
        DWORD written = 0;
        if (!::InternetWriteFile(handle_, bytes, size, &written)) return false;
        if (written == 0 || written > size) {
            ::SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

unsigned LastFtpResponseCode() {
    DWORD error = 0, length = 0;
    ::InternetGetLastResponseInfoA(&error, nullptr, &length);
    if (length == 0) return 0;
    std::vector<char> text(length + 1, '\0');
    DWORD size = length + 1;
    if (!::InternetGetLastResponseInfoA(&error, text.data(), &size)) return 0;
    // The last line of a multi-line response carries the final code.
    std::string response(text.data());
    while (!response.empty() && (response.back() == '\r' || response.back() == '\n'))
        response.pop_back();
    size_t start = response.find_last_of('\n');
    start = start == std::string::npos ? 0 : start + 1;
    unsigned code = 0;
    for (size_t i = start; i < start + 3; ++i) {
        if (i >= response.size() || !std::isdigit(static_cast<unsigned char>(response[i]))) return 0;
        code = code * 10 + (response[i] - '0');
    }
    return code;
}
