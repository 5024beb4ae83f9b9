// Owners of WinINet handles, and the one exception their failing calls throw.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

// What a failed WinINet call left behind: the program's message, the system's error and the
// server's (or WinINet's) last words. Thrown by value, caught by reference.
class CInternetException {
public:
    HINTERNET handle = nullptr;
    DWORD errorCode = 0;
    DWORD responseCode = 0;
    std::string message;
    std::string responseText;
};

// Fills an exception for a call that just failed on `handle`. GetLastError is read first,
// before anything else can change it.
CInternetException describeInternetError(HINTERNET handle, const char* format, ...);

// One WinINet handle, null once closed.
class InternetHandle {
public:
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    virtual ~InternetHandle() { close(); }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void close();
    // Hands the handle to a new owner, leaving this wrapper empty.
    HINTERNET release();
    // Takes over `handle`, closing the one held before.
    void reset(HINTERNET handle = nullptr);

protected:
    HINTERNET handle_ = nullptr;
};

// A session of the internet client (InternetOpenA).
class InternetSession : public InternetHandle {
public:
    InternetSession() = default;
    // Throws CInternetException. A null agent is the executable's name without folder and
    // extension; access type 0 takes the system's proxy settings.
    void open(const char* agent = nullptr, DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG,
              const char* proxy = nullptr, const char* proxyBypass = nullptr, DWORD flags = 0);
};

// A URL opened on a session (InternetOpenUrlA); every operation throws CInternetException.
class UrlRequest : public InternetHandle {
public:
    UrlRequest() = default;
    void open(HINTERNET session, const char* url, const char* headers = nullptr, DWORD headersLength = 0,
              DWORD flags = 0);
    // The bytes read, 0 at the end of the content.
    DWORD read(void* buffer, DWORD size);
    void queryInfo(DWORD infoLevel, void* buffer, DWORD& bufferLength, DWORD* index = nullptr);
    void queryNumber(DWORD infoLevel, DWORD& result, DWORD* index = nullptr);
};

// The executable's file name without folder and extension ("Quillmark").
std::string ProgramAgentName();
