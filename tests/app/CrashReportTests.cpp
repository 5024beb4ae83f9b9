// An exception that nobody handles leaves Quillmark.dmp beside the executable and tells the user:
// structured or C++, on the main thread or a worker, or escaping from a window procedure.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "app/CrashReport.h"
#include "support/TestSupport.h"
#include "win/MessageLoop.h"
#include "win/Window.h"

using namespace testing_support;

namespace {

std::string Beside(const char* name) {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return std::string(path) + "\\" + name;
}

// Runs this test program again as the crashing child `test`, answers its message box like a user
// and returns the box's text and the child's exit code. gtest must not catch the child's C++
// exception itself.
DWORD CrashChild(const std::string& test, std::string& boxText) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\" --gtest_filter=CrashReport." + test +
                              " --gtest_also_run_disabled_tests --gtest_catch_exceptions=0";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION child{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &child))
        return 0;
    // Writing a dump takes seconds under Wine, many more on a busy machine.
    for (int i = 0; i < 3000 && ::WaitForSingleObject(child.hProcess, 20) == WAIT_TIMEOUT; ++i) {
        struct Search {
            DWORD process;
            HWND found;
        } search{child.dwProcessId, nullptr};
        ::EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD process = 0;
                ::GetWindowThreadProcessId(window, &process);
                if (process == s->process && ::IsWindowVisible(window) && WindowText(window) == "Quillmark")
                    s->found = window;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            ::EnumChildWindows(
                search.found,
                [](HWND control, LPARAM param) -> BOOL {
                    char name[32] = "";
                    ::GetClassNameA(control, name, sizeof(name));
                    if (lstrcmpiA(name, "Static") == 0)
                        *reinterpret_cast<std::string*>(param) += WindowText(control);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&boxText));
            ::SendMessageA(::GetDlgItem(search.found, IDOK), BM_CLICK, 0, 0);
        }
    }
    if (::WaitForSingleObject(child.hProcess, 10000) == WAIT_TIMEOUT) ::TerminateProcess(child.hProcess, 99);
    DWORD code = 0;
    ::GetExitCodeProcess(child.hProcess, &code);
    ::CloseHandle(child.hProcess);
    ::CloseHandle(child.hThread);
    return code;
}

void ExpectReport(const std::string& boxText, const std::string& dump) {
    EXPECT_NE(boxText.find("An exception has occured."), std::string::npos) << boxText;
    EXPECT_NE(boxText.find("\"" + dump + "\""), std::string::npos) << "the box names the dump: " << boxText;
    std::string bytes = ReadFileBytes(dump);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), "MDMP") << "a minidump, not what was there before";
}

DWORD WINAPI ThrowOnWorker(void*) {
    throw std::runtime_error("no one catches this on a worker");
}

// A window whose close handler fails, as one with a full disk or no memory left would.
class FailingCloseWindow : public Window {
  protected:
    bool HandleMessage(Message& msg, LRESULT&) override {
        if (msg.message == WM_CLOSE) throw std::runtime_error("the close failed halfway");
        return false;
    }
};

// An idle pass that fails twice, as a command-state update out of memory would, then ends the loop.
class FailingIdle : public IdleHandler {
  public:
    int calls = 0;
    bool OnIdle() override {
        if (++calls == 3) {
            ::PostQuitMessage(7);
            return false;
        }
        throw std::bad_alloc();
    }
};

} // namespace

// Only ever run as children of the test below, each in its own process.
TEST(CrashReport, DISABLED_ChildRaisesStructuredException) {
    InstallCrashReport();
    ::RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

TEST(CrashReport, DISABLED_ChildThrowsPastMain) {
    InstallCrashReport();
    throw std::runtime_error("no one catches this");
}

TEST(CrashReport, DISABLED_ChildThrowsOnAWorker) {
    InstallCrashReport();
    HANDLE worker = ::CreateThread(nullptr, 0, ThrowOnWorker, nullptr, 0, nullptr);
    ::WaitForSingleObject(worker, INFINITE);
}

TEST(CrashReport, UnhandledExceptionsWriteTheDumpAndSayWhere) {
    const struct {
        const char* child;
        DWORD exitCode;
    } cases[] = {
        {"DISABLED_ChildRaisesStructuredException", 0xE0000001u},
        {"DISABLED_ChildThrowsPastMain", uncaughtExceptionCode},
        {"DISABLED_ChildThrowsOnAWorker", uncaughtExceptionCode},
    };
    std::string dump = Beside("Quillmark.dmp");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.child);
        // A dump of an earlier crash is there: the new one replaces it.
        ASSERT_TRUE(WriteFileBytes(dump, std::string(1 << 20, 'x')));
        std::string text;
        DWORD code = CrashChild(c.child, text);
        EXPECT_EQ(code, c.exitCode) << std::hex
                                    << "the process ends with its exception, without the system's report";
        ExpectReport(text, dump);
    }
    ::DeleteFileA(dump.c_str());
}

TEST(CrashReport, ExceptionInAWindowProcedureIsReportedAndAFailedCloseKeepsTheWindow) {
    std::string dump = Beside("Quillmark.dmp");
    ::DeleteFileA(dump.c_str());
    InstallCrashReport();
    ASSERT_TRUE(Window::RegisterWindowClass("QuillmarkFailingClose"));
    FailingCloseWindow window;
    WindowCreation creation;
    creation.style = WS_OVERLAPPEDWINDOW;
    HWND handle = window.Create("QuillmarkFailingClose", creation);
    ASSERT_NE(handle, nullptr);
    {
        BoxAnswerer answer("Quillmark", IDOK, 60000); // the box shows once the dump is written
        ::SendMessageA(handle, WM_CLOSE, 0, 0);
        EXPECT_TRUE(::IsWindow(handle)) << "the default processing must not destroy the window";
        ASSERT_TRUE(answer.Answered());
        ExpectReport(answer.Text(), dump);
    }
    RemoveCrashReport();
    ::DestroyWindow(handle);
    ::DeleteFileA(dump.c_str());
}

TEST(CrashReport, ExceptionInTheIdlePassIsReportedOnceAndTheLoopGoesOn) {
    std::string dump = Beside("Quillmark.dmp");
    ::DeleteFileA(dump.c_str());
    InstallCrashReport();
    MessageLoop loop;
    FailingIdle idle;
    loop.AddIdleHandler(&idle);
    UINT_PTR timer = ::SetTimer(nullptr, 0, 50, nullptr); // messages that wake the loop for more idle passes
    {
        BoxAnswerer answer("Quillmark", IDOK, 60000);
        answer.AnswerAll();
        EXPECT_EQ(loop.Run(), 7) << "the loop ends as asked, not by the exception";
        EXPECT_EQ(idle.calls, 3);
        EXPECT_EQ(answer.Count(), 1) << "a failing idle pass is reported once, not on every pass";
        ExpectReport(answer.Text(), dump);
    }
    ::KillTimer(nullptr, timer);
    RemoveCrashReport();
    ::DeleteFileA(dump.c_str());
}
