// Text helpers.
#include "win/Strings.h"

#include <algorithm>

std::string LoadResourceString(UINT id) {
    char buffer[4096]; // the longest entry is a few hundred characters
    int copied = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    return std::string(buffer, copied > 0 ? copied : 0);
}

std::string FormatResourceString(UINT id, std::initializer_list<std::string_view> texts) {
    std::string format = LoadResourceString(id), result;
    const std::string_view* next = texts.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next != texts.end()) {
            result += *next++;
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}

std::string SystemMessage(DWORD error) {
    char text[512] = "";
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    error, 0, text, sizeof(text), nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "Error " + std::to_string(error) : message;
}

std::string CommandPrompt(const std::string& commandString) {
    return commandString.substr(0, commandString.find('\n'));
}

std::string CommandTooltip(const std::string& commandString) {
    size_t lineFeed = commandString.find('\n');
    return lineFeed == std::string::npos ? std::string() : commandString.substr(lineFeed + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::wstring WideText(std::string_view text, UINT codePage) {
    int size = static_cast<int>(text.size());
    int length = size > 0 ? ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0) : 0;
    std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0) ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string NarrowText(std::wstring_view text, UINT codePage, DWORD flags, BOOL* lossy) {
    int size = static_cast<int>(text.size());
    int length =
        size > 0 ? ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, lossy) : 0;
    std::string narrow(static_cast<size_t>(std::max(length, 0)), '\0');
    if (length > 0)
        ::WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), length, nullptr, lossy);
    return narrow;
}
