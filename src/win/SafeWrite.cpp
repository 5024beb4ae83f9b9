// WriteFileSafely: temporary file, flush, one rename.
#include "win/SafeWrite.h"

#include "win/Handles.h"
#include "win/Paths.h"

namespace {

DWORD WriteAndFlush(const char* temporary, std::string_view bytes) {
    KernelHandle file(::CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError();
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 20)), written = 0;
        if (!::WriteFile(file.Get(), bytes.data(), chunk, &written, nullptr)) return ::GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        bytes.remove_prefix(written);
    }
    // A full disk may show only here, when the cache is written out.
    if (!::FlushFileBuffers(file.Get())) return ::GetLastError();
    return ERROR_SUCCESS;
}

} // namespace

DWORD WriteFileSafely(const std::string& path, std::string_view bytes) {
    std::string target = FullPath(path);
    // Not every platform refuses to rename over a read-only file.
    DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return ERROR_ACCESS_DENIED;
    char temporary[MAX_PATH];
    if (!::GetTempFileNameA(FolderOf(target).c_str(), "qm~", 0, temporary)) return ::GetLastError();
    DWORD error = WriteAndFlush(temporary, bytes);
    if (error == ERROR_SUCCESS) {
        // The file that arrives keeps its own attributes: give it those the user set on the old one.
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                       FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            if (kept) ::SetFileAttributesA(temporary, kept);
        }
        // One rename, carried out whole or not at all (ReplaceFileA deletes the old file first).
        if (!::MoveFileExA(temporary, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            error = ::GetLastError();
    }
    if (error != ERROR_SUCCESS) ::DeleteFileA(temporary);
    return error;
}
