// Text helpers.
#include "win/Strings.h"

std::string LoadResourceString(UINT id) {
    char buffer[4096]; // the longest entry is a few hundred characters
    int copied = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    return std::string(buffer, copied > 0 ? copied : 0);
}

std::string CommandPrompt(const std::string& commandString) {
    return commandString.substr(0, commandString.find('\n'));
}

std::string CommandTooltip(const std::string& commandString) {
    size_t lineFeed = commandString.find('\n');
    return lineFeed == std::string::npos ? std::string() : commandString.substr(lineFeed + 1);
}

bool EqualNoCase(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) == 0; }
