// Path helpers shared by the documents and the tag index.
#pragma once

#include <string>

// The full path of `path` (relative to the current folder); the path itself when that fails or
// when it is empty.
std::string FullPath(const std::string& path);
// The folder part of `path`, without its trailing backslash ("" for a bare file name).
std::string FolderOf(const std::string& path);
