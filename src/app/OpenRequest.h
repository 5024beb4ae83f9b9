// The open-file request that a second start, the program's own start and an editor view send
// to the main window with WM_COPYDATA, and the window handle the instances share.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

enum class OpenMode : ULONG_PTR {
    openOnly = 0,        // open the file, leave the window as it is
    openAndActivate = 1, // open the file, then restore the window and bring it to the front
};

// Sends the request synchronously; `sender` is 0 for the start-up senders.
void SendOpenRequest(HWND target, HWND sender, const std::string& text, OpenMode mode);

// The request's text, or nothing when the request is malformed. The data comes from another
// process: only the cbData bytes it declares are read, and a text without its terminating NUL
// inside them, an empty block or an absurd size is refused.
std::optional<std::string> ReadOpenRequestText(const COPYDATASTRUCT* request);

// A command line or request text with every double quote removed: one path.
std::string RequestPath(const std::string& text);

// The first instance's main window as the other processes of the same executable see it;
// nullptr while no main window exists.
HWND SharedFrameHandle();
void SetSharedFrameHandle(HWND frame);
