// Owners of WinINet handles, and the one exception their failing calls throw.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdarg>
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

// An exception with `errorCode` and the message `format` makes of `values`.
CInternetException FormatInternetError(DWORD errorCode, const char* format, va_list values);

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
    // Bounds connecting, sending and every wait for the server on this handle and on what is
    // opened on it: without them a server that stops answering holds a call for ever. False
    // when the handle took none of them.
    bool setTimeouts(DWORD milliseconds);

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

// A URL opened on a session; every operation throws CInternetException. An http or https URL
// is opened through a connection of its own (InternetConnectA, HttpOpenRequestA,
// HttpSendRequestA) that carries the session's time-outs: Wine's InternetOpenUrlA passes on only
// the connect time-out, so a server that stops answering would hold its reads for ever.
class UrlRequest : public InternetHandle {
  public:
    UrlRequest() = default;
    ~UrlRequest() override { close(); }
    void open(HINTERNET session, const char* url, const char* headers = nullptr, DWORD headersLength = 0,
              DWORD flags = 0);
    // The bytes read, 0 at the end of the content.
    DWORD read(void* buffer, DWORD size);
    void queryInfo(DWORD infoLevel, void* buffer, DWORD& bufferLength, DWORD* index = nullptr);
    void queryNumber(DWORD infoLevel, DWORD& result, DWORD* index = nullptr);
    // Closes the request, then its connection.
    void close();
    // Forgets both handles without closing them: closing a session closes everything opened on
    // it, so a request of a session that its owner closed must not close its handles again.
    void abandon();

  private:
    HINTERNET connection_ = nullptr;
};

// The executable's file name without folder and extension ("Quillmark").
std::string ProgramAgentName();
