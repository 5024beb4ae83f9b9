// Helpers shared by the tests: temporary folders, files, the registry, message pumping and
// answering modal boxes the way a user would.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <atomic>

namespace testing_support {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Full path of a name inside the folder (no trailing backslash for the folder itself).
    std::string Path(const std::string& name = "") const;

  private:
    std::string path_;
};

bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The whole file, or nullopt-like: returns false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// The Windows name of the small file system that the small_volume fixture mounts for the run (a
// disk that a test can fill for real), or "" where there is none: the test then skips itself.
std::string SmallVolume();

// Deletes HKCU\Software\Altav\Quillmark with everything below it, leaving only the answer
// that turns the default-editor question off.
void ClearProgramRegistry();

// Runs the thread's message queue until it is empty (and at least `forMs` milliseconds).
void PumpMessages(int forMs = 0);
// Pumps messages until the condition holds or the time is up; returns the condition.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Waits on another thread for a top-level dialog box (class "#32770") of this process whose
// caption is `caption` (any caption when empty) and presses the button with the given
// identifier (IDYES, IDNO, IDCANCEL, IDOK...). Records the box's text.
class BoxAnswerer {
  public:
    BoxAnswerer(std::string caption, int button, int timeoutMs = 10000);
    ~BoxAnswerer(); // waits for the answering thread
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // A box pressed and gone counts at once: the thread that the box held may go on, and ask,
    // before the answering thread has looked again.
    bool Answered() const { return Count() > 0; }
    int Count() const;
    const std::string& Text() const { return text_; }
    const std::string& Caption() const { return caption_; }
    // Keep answering every box that appears until destroyed (instead of only the first).
    void AnswerAll() { answerAll_ = true; }
    void Stop() { stop_ = true; }

  private:
    void Run();

    std::string wanted_;
    int button_;
    int timeoutMs_;
    mutable std::mutex lock_; // count_ and pressed_ change together
    int count_ = 0;
    HWND pressed_ = nullptr; // pressed, not yet seen gone
    std::atomic<bool> stop_{false};
    std::atomic<bool> answerAll_{false};
    std::string text_;
    std::string caption_;
    std::thread thread_;
};

// Waits on another thread for a top-level dialog of this process with the given caption and
// runs `action` on it there (it may read controls, press buttons, close the dialog).
class DialogWatcher {
  public:
    DialogWatcher(std::string caption, std::function<void(HWND)> action, int timeoutMs = 10000);
    ~DialogWatcher(); // waits for the watching thread
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    bool Seen() const { return seen_; }

  private:
    std::atomic<bool> seen_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The visible top-level dialogs of this process with that caption (any caption when empty).
std::vector<HWND> FindDialogs(const std::string& caption);
// The first of them, or nullptr.
HWND FindDialog(const std::string& caption);

// The text of a window (GetWindowTextA).
std::string WindowText(HWND window);

} // namespace testing_support
