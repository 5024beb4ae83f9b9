// The open-file request that a second start, the program's own start and an editor view send
// to the main window with WM_COPYDATA, and how a second start finds the running instance.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/Handles.h"

// The name of the mutex whose existence tells a second start that the program already runs.
extern const char* const instanceMutexName;

enum class OpenMode : ULONG_PTR {
    openOnly = 0,        // open the file, leave the window as it is
    openAndActivate = 1, // open the file, then restore the window and bring it to the front
};

// How long a second start waits for the running instance to take its request.
constexpr UINT handOffTimeoutMs = 5000;

// Sends the request; `sender` is 0 for the start-up senders. A receiver on another thread gets
// at most `timeoutMs`, none at all when the system already counts it as hung. False when the
// request was not taken in time (it may still be taken once the receiver responds again).
bool SendOpenRequest(HWND target, HWND sender, const std::string& text, OpenMode mode,
                     UINT timeoutMs = handOffTimeoutMs);

// The request's text, or nothing when the request is malformed. The data comes from another
// process: only the cbData bytes it declares are read, and a text without its terminating NUL
// inside them, an empty block or an absurd size is refused.
std::optional<std::string> ReadOpenRequestText(const COPYDATASTRUCT* request);

// A command line or request text with every double quote removed: one path.
std::string RequestPath(const std::string& text);

// What a start sends for its command line: the one path, made full against this process's
// current folder, since the receiver's current folder is another. Empty stays empty.
std::string CommandLineRequest(const char* commandLine);

// A path that names one file whatever the current folder and drive: a drive with its root, or
// a UNC path. A request with anything else is refused rather than guessed.
bool IsFullPath(const std::string& path);

// Publishes the first instance's main window to the later starts of the same logon session
// while the object lives. Named objects, like the instance mutex, are per session; a section
// shared by the executable image would be shared by every user logged on.
class FramePublication {
  public:
    explicit FramePublication(HWND frame);
    ~FramePublication();
    FramePublication(const FramePublication&) = delete;
    FramePublication& operator=(const FramePublication&) = delete;

  private:
    KernelHandle mapping_;
};

// The running instance's main window in this logon session, or nullptr while there is none.
HWND FindRunningFrame();
