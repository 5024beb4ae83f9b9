// Process start and end: the single-instance test, the platform set-up, the main window's run.
#pragma once

#include <windows.h>

// Everything between process entry and exit; returns the exit code.
int RunProcess(HINSTANCE instance, const char* commandLine, int showCommand);

// Creates the main window, runs the message loop, returns its result (0 when the window could
// not be created).
int Run(const char* commandLine, int showCommand);
