// The real Quillmark.exe started beside a settings file with a typo: it says once what is wrong
// and where, then runs, and leaves the file as it was.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "win/Handles.h"

using namespace testing_support;

namespace {

// The visible top-level windows of `process` with the given class.
std::vector<HWND> WindowsOf(DWORD process, const char* className) {
    struct Search {
        DWORD process;
        const char* className;
        std::vector<HWND> found;
    } search{process, className, {}};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            char name[64] = "";
            ::GetClassNameA(window, name, sizeof(name));
            if (owner == s->process && ::IsWindowVisible(window) && lstrcmpA(name, s->className) == 0)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindowOf(DWORD process, const char* className, DWORD ms = 20000) {
    for (DWORD until = ::GetTickCount() + ms; static_cast<int>(until - ::GetTickCount()) > 0; ::Sleep(25)) {
        std::vector<HWND> windows = WindowsOf(process, className);
        if (!windows.empty()) return windows.front();
    }
    return nullptr;
}

} // namespace

TEST(StartUp, AnUnreadableSettingsFileIsToldOnceWithItsRowAndKept) {
    ClearProgramRegistry();
    TempFolder folder;
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    ::PathRemoveFileSpecA(self);
    const std::string program = folder.Path("Quillmark.exe"), settings = folder.Path("Quillmark.xml");
    ASSERT_TRUE(::CopyFileA((std::string(self) + "\\Quillmark.exe").c_str(), program.c_str(), FALSE));
    const std::string typo =
        "<Quillmark>\n  <Editor Wrap=\"word\" />\n  <Colors>\n    <Param Name=\"phpWORD\" Bold=\"1 />\n"
        "  </Colors>\n</Quillmark>\n";
    ASSERT_TRUE(WriteFileBytes(settings, typo));

    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info));
    KernelHandle process(info.hProcess), thread(info.hThread);

    HWND box = WaitForWindowOf(info.dwProcessId, "#32770");
    ASSERT_NE(box, nullptr) << "a box at start";
    EXPECT_EQ(WindowText(box), "Quillmark");
    std::string text = WindowText(::GetDlgItem(box, 0xFFFF)); // a message box's text
    EXPECT_NE(text.find(settings), std::string::npos) << text;
    EXPECT_NE(text.find("Row 4, column 27: Error parsing Element."), std::string::npos)
        << "TinyXML's place of the error: " << text;
    ::SendMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);

    HWND frame = WaitForWindowOf(info.dwProcessId, "QuillmarkMainFrame");
    ASSERT_NE(frame, nullptr);
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
    EXPECT_TRUE(WindowsOf(info.dwProcessId, "#32770").empty()) << "told once";

    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.Get(), 15000) != WAIT_OBJECT_0) ::TerminateProcess(process.Get(), 99);
    EXPECT_EQ(ReadFileBytes(settings), typo);
    ClearProgramRegistry();
}
