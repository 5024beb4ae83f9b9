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
