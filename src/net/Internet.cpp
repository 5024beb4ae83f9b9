// The WinINet handle owners and their exception.
#include "net/Internet.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

CInternetException FormatInternetError(DWORD errorCode, const char* format, va_list values) {
    CInternetException error;
    error.errorCode = errorCode;
    char message[1024] = "";
    std::vsnprintf(message, sizeof(message), format, values);
    error.message = message;
    return error;
}

CInternetException describeInternetError(HINTERNET handle, const char* format, ...) {
    DWORD errorCode = ::GetLastError();
    va_list values;
    va_start(values, format);
    CInternetException error = FormatInternetError(errorCode, format, values);
    va_end(values);
    error.handle = handle;

    DWORD length = 0;
    ::InternetGetLastResponseInfoA(&error.responseCode, nullptr, &length);
    if (length > 0) {
        // The length does not count the terminating zero on every version: leave room for it.
        std::vector<char> text(length + 1, '\0');
        DWORD size = length + 1;
        if (::InternetGetLastResponseInfoA(&error.responseCode, text.data(), &size))
            error.responseText.assign(text.data());
    }
    if (error.responseText.empty()) error.responseText = "Unknown error";
    return error;
}

void InternetHandle::close() {
    if (handle_) ::InternetCloseHandle(handle_);
    handle_ = nullptr;
}

HINTERNET InternetHandle::release() {
    HINTERNET handle = handle_;
    handle_ = nullptr;
    return handle;
}

void InternetHandle::reset(HINTERNET handle) {
    close();
    handle_ = handle;
}

std::string ProgramAgentName() {
    char path[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length < MAX_PATH ? length : 0);
    size_t separator = name.find_last_of("\\/");
    if (separator != std::string::npos) name.erase(0, separator + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

void InternetSession::open(const char* agent, DWORD accessType, const char* proxy, const char* proxyBypass,
                           DWORD flags) {
    std::string name = agent ? agent : ProgramAgentName();
    reset(::InternetOpenA(name.c_str(), accessType, proxy, proxyBypass, flags));
    if (!handle_) throw describeInternetError(nullptr, "Failed to open an internet session");
}

bool InternetHandle::setTimeouts(DWORD milliseconds) {
    // Each kind of handle takes its own share of the options and refuses the others.
    bool taken = false;
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
          INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
        if (handle_ && ::InternetSetOptionA(handle_, option, &milliseconds, sizeof(milliseconds)))
            taken = true;
    return taken;
}

namespace {

// The session's bound for one wait, for the connection's sends and receives. Wine keeps only
// the connect time-out on a session (and reports the others as unknown): it stands for all.
DWORD SessionTimeout(HINTERNET session) {
    for (DWORD option : {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_CONNECT_TIMEOUT}) {
        DWORD value = 0, size = sizeof(value);
        if (::InternetQueryOptionA(session, option, &value, &size) && value) return value;
    }
    return 0;
}

} // namespace

void UrlRequest::open(HINTERNET session, const char* url, const char* headers, DWORD headersLength,
                      DWORD flags) {
    close();
    auto context = reinterpret_cast<DWORD_PTR>(this);
    char host[INTERNET_MAX_HOST_NAME_LENGTH] = "", user[256] = "", password[256] = "";
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof(host);
    parts.lpszUserName = user;
    parts.dwUserNameLength = sizeof(user);
    parts.lpszPassword = password;
    parts.dwPasswordLength = sizeof(password);
    parts.dwUrlPathLength = 1; // pointers into the URL: the path runs on to its end with the query
    bool http = ::InternetCrackUrlA(url, 0, 0, &parts) &&
                (parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS);
    if (!http) {
        reset(::InternetOpenUrlA(session, url, headers, headersLength, flags, context));
        if (!handle_) throw describeInternetError(nullptr, "Failed to open http url (%s)", url);
        return;
    }
    connection_ = ::InternetConnectA(session, host, parts.nPort, user[0] ? user : nullptr,
                                     password[0] ? password : nullptr, INTERNET_SERVICE_HTTP, 0, context);
    if (!connection_) throw describeInternetError(nullptr, "Failed to open http url (%s)", url);
    if (DWORD timeout = SessionTimeout(session))
        for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
            ::InternetSetOptionA(connection_, option, &timeout, sizeof(timeout));
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    const char* path = parts.lpszUrlPath && *parts.lpszUrlPath ? parts.lpszUrlPath : "/";
    handle_ = ::HttpOpenRequestA(connection_, "GET", path, nullptr, nullptr, nullptr, flags, context);
    if (!handle_ || !::HttpSendRequestA(handle_, headers, headers ? headersLength : 0, nullptr, 0)) {
        CInternetException error = describeInternetError(nullptr, "Failed to open http url (%s)", url);
        close();
        throw error;
    }
}

void UrlRequest::close() {
    InternetHandle::close();
    if (connection_) ::InternetCloseHandle(connection_);
    connection_ = nullptr;
}

void UrlRequest::abandon() {
    handle_ = nullptr;
    connection_ = nullptr;
}

DWORD UrlRequest::read(void* buffer, DWORD size) {
    DWORD read = 0;
    if (!::InternetReadFile(handle_, buffer, size, &read))
        throw describeInternetError(handle_, "Failed to read from network (%u bytes)",
                                    static_cast<unsigned>(size));
    return read;
}

void UrlRequest::queryInfo(DWORD infoLevel, void* buffer, DWORD& bufferLength, DWORD* index) {
    if (!::HttpQueryInfoA(handle_, infoLevel, buffer, &bufferLength, index))
        throw describeInternetError(handle_, "Failed to query http info (%u)",
                                    static_cast<unsigned>(infoLevel));
}

void UrlRequest::queryNumber(DWORD infoLevel, DWORD& result, DWORD* index) {
    DWORD level = infoLevel | HTTP_QUERY_FLAG_NUMBER;
    DWORD number = 0, length = sizeof(number);
    if (!::HttpQueryInfoA(handle_, level, &number, &length, index))
        throw describeInternetError(handle_, "Failed to query http info (%u)", static_cast<unsigned>(level));
    result = number;
}
