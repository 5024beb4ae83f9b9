// The update check: once per start, on a thread of its own, it reads the version file of the
// download server and, when that names a newer version and the user agrees, downloads the
// installer, proves that it comes from the project and starts it.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "net/Internet.h"
#include "net/Signature.h"
#include "win/Handles.h"

// What the window and its update thread share. Each holds it for as long as it needs it, so
// whichever goes first leaves nothing dangling behind for the other.
class UpdateChannel {
  public:
    // Guards the session and everything opened on it: whoever holds it may use or close them.
    // The thread holds it around each of its internet calls, which the session's time-outs
    // bound; the window never waits for it.
    CriticalSection updateLock;
    InternetSession session;
    // Set, under the lock, once the session and everything on it is closed for good.
    bool cancelled = false;

    // Stops the check without waiting for it. With the lock free the session is closed at once
    // and every later call of the thread fails; while the thread is inside a call, the thread
    // closes the session itself as soon as the call returns.
    void Cancel();
    bool CancelRequested() const { return cancelRequested_; }

  private:
    std::atomic<bool> cancelRequested_{false};
};

struct UpdateCheckSetup {
    std::string host;     // the download server, "host" or "host:port"
    HWND frame = nullptr; // owner of the question; receives `doneMessage` at the end
    UINT doneMessage = 0; // posted with wParam 1 as the thread's last act
    HWND rebar = nullptr; // the rebar with the progress band
    UINT bandId = 0;
    HWND progress = nullptr; // the progress bar inside that band
    std::string question;    // "There is a newer version to download.\nUpgrade Quillmark?"
    std::string caption;     // the program name
    DWORD timeoutMs = 30000; // bound of every wait for the server
    P256PublicKey releaseKey{};
};

// The window's share of the check: at most one thread at a time; cancelled when the window
// goes, without waiting for it.
class UpdateCheck {
  public:
    UpdateCheck() : channel_(std::make_shared<UpdateChannel>()) {}
    ~UpdateCheck() { channel_->Cancel(); }
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Starts the thread unless one is held; false when none could start.
    bool Start(const UpdateCheckSetup& setup);
    bool Running() const { return static_cast<bool>(thread_); }
    void Cancel() { channel_->Cancel(); }
    bool CancelRequested() const { return channel_->CancelRequested(); }
    // After the thread's done message: waits for it to end (at most `waitMs`), closes its handle
    // and returns its exit code, 1 when it started the installer.
    DWORD Finish(DWORD waitMs);
    UpdateChannel& Channel() { return *channel_; }

  private:
    std::shared_ptr<UpdateChannel> channel_;
    KernelHandle thread_;
};

// A host as the settings may name it: letters, digits, dots and dashes, optionally ":port".
bool IsUpdateHost(const std::string& host);
// Where the installer is stored: the temporary folder + "QuillmarkSetup.exe".
std::string InstallerPath();
