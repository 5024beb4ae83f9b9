// The last resort for an exception that no one handled: a minidump beside the executable.
#pragma once

#include <windows.h>

// The exception codes of the failures that the system never sees as exceptions, as the dump and
// the exit code show them: a C++ exception that no one caught (the process ends), and one that
// a window procedure let escape (the thunk caught it; the program goes on).
constexpr DWORD uncaughtExceptionCode = 0xE0514D01;
constexpr DWORD escapedExceptionCode = 0xE0514D02;

// Writes Quillmark.dmp beside the executable and tells the user where it is. Returns
// EXCEPTION_EXECUTE_HANDLER when it did, EXCEPTION_CONTINUE_SEARCH when it could not.
LONG WINAPI CrashReportFilter(EXCEPTION_POINTERS* exception);

// Routes every kind of unhandled failure to that report: structured exceptions on any thread
// (the filter), C++ exceptions that reach std::terminate on any thread, and exceptions that the
// window thunks catch. RemoveCrashReport puts the previous handlers back.
void InstallCrashReport();
void RemoveCrashReport();
