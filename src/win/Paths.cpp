// FullPath and FolderOf.
#include "win/Paths.h"

#include <windows.h>
#include <shlwapi.h>

std::string FullPath(const std::string& path) {
    if (path.empty()) return path;
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

std::string FolderOf(const std::string& path) {
    char folder[MAX_PATH];
    lstrcpynA(folder, path.c_str(), MAX_PATH);
    ::PathRemoveFileSpecA(folder);
    return folder;
}

bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
        if (base == device) return true;
    // The superscript digits of the ANSI code page count as digits there too.
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           ((base[3] >= '1' && base[3] <= '9') || base[3] == '\xB9' || base[3] == '\xB2' ||
            base[3] == '\xB3');
}
