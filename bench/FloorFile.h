// The floor programs' file loading: the whole file read at once and put into the view with one
// SCI_ADDTEXT, the least an editor can do.
#pragma once

#include <windows.h>

#include <string>

#include "Scintilla.h"

namespace floor_file {

// The command line without quotes: one path, as the program reads its own.
inline std::string PathArgument(const char* commandLine) {
    std::string path;
    for (const char* c = commandLine ? commandLine : ""; *c; ++c)
        if (*c != '"') path += *c;
    return path;
}

inline void LoadWhole(HWND view, const std::string& path) {
    HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file, &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    ::SendMessageA(view, SCI_ADDTEXT, read, reinterpret_cast<LPARAM>(bytes.data()));
    ::SendMessageA(view, SCI_SETSEL, 0, 0);
}

} // namespace floor_file
