// ChildProcess: CreateProcessA, a bounded wait, and EnumWindows over the child's windows.
#include "support/ChildProcess.h"

#include "support/TestSupport.h"

namespace testing_support {

ChildProcess::ChildProcess(std::string commandLine, const std::string& environment,
                           const std::string& folder) {
    STARTUPINFOA startup{sizeof(startup)};
    std::string block = environment;
    started_ = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                block.empty() ? nullptr : block.data(),
                                folder.empty() ? nullptr : folder.c_str(), &startup, &info_) != FALSE;
}

ChildProcess::~ChildProcess() {
    if (!started_) return;
    if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        // Ending takes a moment: the next test must not meet what this one still holds.
        ::TerminateProcess(info_.hProcess, 99);
        ::WaitForSingleObject(info_.hProcess, 10000);
    }
    ::CloseHandle(info_.hProcess);
    ::CloseHandle(info_.hThread);
}

DWORD ChildProcess::Wait(DWORD ms) const {
    DWORD code = STILL_ACTIVE;
    if (!started_) return code;
    ::WaitForSingleObject(info_.hProcess, ms);
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

HWND ChildProcess::FindWindowOf(const char* className, const std::string& caption) const {
    struct Search {
        DWORD process;
        const char* className;
        const std::string* caption;
        HWND found = nullptr;
    } search{info_.dwProcessId, className, &caption};
    if (!started_) return nullptr;
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD process = 0;
            ::GetWindowThreadProcessId(window, &process);
            char name[64] = "";
            ::GetClassNameA(window, name, sizeof(name));
            if (process != s->process || !::IsWindowVisible(window) || lstrcmpA(name, s->className) != 0 ||
                (!s->caption->empty() && WindowText(window) != *s->caption))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ChildProcess::WaitForWindow(const char* className, const std::string& caption, int timeoutMs) const {
    for (int waited = 0; started_ && waited < timeoutMs; waited += 25) {
        if (HWND window = FindWindowOf(className, caption)) return window;
        ::Sleep(25);
    }
    return nullptr;
}

} // namespace testing_support
