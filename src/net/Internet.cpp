// The WinINet handle owners and their exception.
#include "net/Internet.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

CInternetException describeInternetError(HINTERNET handle, const char* format, ...) {
    CInternetException error;
    error.handle = handle;
    error.errorCode = ::GetLastError();

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

    char message[1024] = "";
    va_list values;
    va_start(values, format);
    std::vsnprintf(message, sizeof(message), format, values);
    va_end(values);
    error.message = message;
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

void UrlRequest::open(HINTERNET session, const char* url, const char* headers, DWORD headersLength, DWORD flags) {
    reset(::InternetOpenUrlA(session, url, headers, headersLength, flags, reinterpret_cast<DWORD_PTR>(this)));
    if (!handle_) throw describeInternetError(nullptr, "Failed to open http url (%s)", url);
}

DWORD UrlRequest::read(void* buffer, DWORD size) {
    DWORD read = 0;
    if (!::InternetReadFile(handle_, buffer, size, &read))
        throw describeInternetError(handle_, "Failed to read from network (%u bytes)", static_cast<unsigned>(size));
    return read;
}

void UrlRequest::queryInfo(DWORD infoLevel, void* buffer, DWORD& bufferLength, DWORD* index) {
    if (!::HttpQueryInfoA(handle_, infoLevel, buffer, &bufferLength, index))
        throw describeInternetError(handle_, "Failed to query http info (%u)", static_cast<unsigned>(infoLevel));
}

void UrlRequest::queryNumber(DWORD infoLevel, DWORD& result, DWORD* index) {
    DWORD level = infoLevel | HTTP_QUERY_FLAG_NUMBER;
    DWORD number = 0, length = sizeof(number);
    if (!::HttpQueryInfoA(handle_, level, &number, &length, index))
        throw describeInternetError(handle_, "Failed to query http info (%u)", static_cast<unsigned>(level));
    result = number;
}
