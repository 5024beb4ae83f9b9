// Writing a whole file so that a crash, a killed process or a full disk leaves either the old
// file or the new one, never a part of either.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Writes `bytes` to a new temporary file beside `path`, flushes it to the disk and only then puts
// it in the place of `path` with a single rename. Returns ERROR_SUCCESS, or the system's error
// code; on failure the target is as it was and the temporary file is gone.
DWORD WriteFileSafely(const std::string& path, std::string_view bytes);
