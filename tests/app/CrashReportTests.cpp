// An exception that nobody handles leaves Quillmark.dmp beside the executable and tells the user.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "app/CrashReport.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

std::string Beside(const char* name) {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return std::string(path) + "\\" + name;
}

// Runs this test program again as the crashing child, answers its message box like a user and
// returns the box's text and the child's exit code.
DWORD CrashChild(std::string& boxText) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\" --gtest_filter=CrashReport.DISABLED_ChildCrashes "
                                                           "--gtest_also_run_disabled_tests";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION child{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
        return 0;
    for (int i = 0; i < 1000 && ::WaitForSingleObject(child.hProcess, 20) == WAIT_TIMEOUT; ++i) {
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
                    if (lstrcmpiA(name, "Static") == 0) *reinterpret_cast<std::string*>(param) += WindowText(control);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&boxText));
            ::SendMessageA(::GetDlgItem(search.found, IDOK), BM_CLICK, 0, 0);
        }
    }
    ::WaitForSingleObject(child.hProcess, 10000);
    DWORD code = 0;
    ::GetExitCodeProcess(child.hProcess, &code);
    ::CloseHandle(child.hProcess);
    ::CloseHandle(child.hThread);
    return code;
}

} // namespace

// Only ever run as the child of the test below.
TEST(CrashReport, DISABLED_ChildCrashes) {
    ::SetUnhandledExceptionFilter(CrashReportFilter);
    ::RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}

TEST(CrashReport, UnhandledExceptionWritesTheDumpAndSaysWhere) {
    // A dump of an earlier crash is there: the new one replaces it. (Writing a dump takes
    // seconds under Wine, so one crash it is.)
    std::string dump = Beside("Quillmark.dmp");
    ASSERT_TRUE(WriteFileBytes(dump, std::string(1 << 20, 'x')));
    std::string text;
    DWORD code = CrashChild(text);
    EXPECT_EQ(code, 0xE0000001u) << "the process ends with its exception, without the system's report";
    EXPECT_NE(text.find("An exception has occured."), std::string::npos) << text;
    EXPECT_NE(text.find("\"" + dump + "\""), std::string::npos) << "the box names the dump: " << text;
    std::string bytes = ReadFileBytes(dump);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), "MDMP") << "a minidump, not what was there before";
    ::DeleteFileA(dump.c_str());
}
