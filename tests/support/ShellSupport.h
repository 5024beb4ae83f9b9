// A user and the shell imitated at the platform's own interfaces: dropped-file handles, the
// common file dialogs and series of message boxes, all driven from another thread while the
// program's thread sits in the modal loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testing_support {

// An HDROP as the shell hands it over with WM_DROPFILES: DROPFILES, then the ANSI names, each
// NUL-terminated, then one more NUL, in movable global memory. The receiver frees it
// (DragFinish).
HDROP MakeDrop(const std::vector<std::string>& paths);

// Real input, as from the mouse and the keyboard: it goes to whatever window is under the
// cursor or has the focus. `flags` are MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP or 0 (a move);
// the point is in screen coordinates.
void SendMouse(DWORD flags, POINT screen);
void SendKey(WORD virtualKey);

// Plays a user at a common file dialog: waits for the dialog with `caption`, types `fileName`
// into its file name box, ticks "Open as read-only" when asked to, and presses OK; with an
// empty `fileName` it presses Cancel.
class FileDialogDriver {
  public:
    FileDialogDriver(std::string caption, std::string fileName, bool tickReadOnly = false,
                     int timeoutMs = 15000);
    ~FileDialogDriver(); // waits for the driving thread
    FileDialogDriver(const FileDialogDriver&) = delete;
    FileDialogDriver& operator=(const FileDialogDriver&) = delete;

    // These wait for the driving thread to finish first (at most its timeout).
    // The dialog was found and its button pressed, and it went away.
    bool Done() {
        Finish();
        return done_;
    }
    // The file name box held exactly the typed name when the button was pressed.
    bool NameTaken() {
        Finish();
        return nameTaken_;
    }
    // The read-only box was there, visible, and ticked before OK.
    bool ReadOnlyTicked() {
        Finish();
        return readOnlyTicked_;
    }

  private:
    void Run(const std::string& caption, const std::string& fileName, bool tickReadOnly, int timeoutMs);
    void Finish();

    std::atomic<bool> done_{false};
    std::atomic<bool> nameTaken_{false};
    std::atomic<bool> readOnlyTicked_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Answers message boxes one after another: the k-th box with the k-th caption (any caption
// when empty) gets the k-th button. Each box is gone before the next one is looked for; the
// texts are recorded.
class BoxSequence {
  public:
    explicit BoxSequence(std::vector<std::pair<std::string, int>> answers, int timeoutMs = 15000);
    ~BoxSequence(); // finishes
    BoxSequence(const BoxSequence&) = delete;
    BoxSequence& operator=(const BoxSequence&) = delete;

    // Stops waiting for boxes that have not come up, lets a box being answered go, and waits
    // for the answering thread. The counts and texts below are final only after this.
    void Finish();
    int Answered() const { return answered_; }
    // The static texts of the boxes answered.
    std::vector<std::string> Texts() const;

  private:
    void Run(std::vector<std::pair<std::string, int>> answers, int timeoutMs);

    std::atomic<int> answered_{0};
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

} // namespace testing_support
