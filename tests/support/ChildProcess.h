// Another program started by a test, with its windows found as a user sees them.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Killed at the end if it is still running.
class ChildProcess {
  public:
    // `environment`: a block as CreateProcessA takes it, or empty for this process's own.
    explicit ChildProcess(std::string commandLine, const std::string& environment = "",
                          const std::string& folder = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return started_; }
    DWORD Id() const { return info_.dwProcessId; }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD Wait(DWORD ms = 60000) const;
    // Its visible top-level window of that class (and caption, unless empty), now or nullptr.
    HWND FindWindowOf(const char* className, const std::string& caption = "") const;
    // The same, waited for.
    HWND WaitForWindow(const char* className, const std::string& caption = "", int timeoutMs = 15000) const;

  private:
    bool started_ = false;
    PROCESS_INFORMATION info_{};
};

} // namespace testing_support
