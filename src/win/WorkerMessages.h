// The message a worker thread posts to its owner window as its last act.
#pragma once

#include <windows.h>

// wParam 1, lParam 0. The owner then waits for the thread and closes its handle.
inline constexpr UINT WM_WORKER_DONE = WM_USER + 1;
