// Path helpers shared by the documents, the tag index and the FTP download.
#pragma once

#include <string>

// The full path of `path` (relative to the current folder); the path itself when that fails or
// when it is empty.
std::string FullPath(const std::string& path);
// The folder part of `path`, without its trailing backslash ("" for a bare file name).
std::string FolderOf(const std::string& path);
// True for a file name that Windows takes for a device in any folder ("nul", "COM1.txt",
// "con .php"), whatever follows the first dot.
bool IsDeviceName(const std::string& name);
