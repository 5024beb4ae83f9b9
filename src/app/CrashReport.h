// The last resort for an exception that no one handled: a minidump beside the executable.
#pragma once

#include <windows.h>

// Writes Quillmark.dmp beside the executable and tells the user where it is. Returns
// EXCEPTION_EXECUTE_HANDLER when it did, EXCEPTION_CONTINUE_SEARCH when it could not.
LONG WINAPI CrashReportFilter(EXCEPTION_POINTERS* exception);
