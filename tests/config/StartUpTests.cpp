// The real Quillmark.exe started beside a settings file with a typo: it says once what is wrong
// and where, then runs, and leaves the file as it was.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

using namespace testing_support;

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

    ChildProcess quillmark("\"" + program + "\"");
    ASSERT_TRUE(quillmark.Started());

    HWND box = quillmark.WaitForWindow("#32770", "", 20000);
    ASSERT_NE(box, nullptr) << "a box at start";
    EXPECT_EQ(WindowText(box), "Quillmark");
    std::string text = WindowText(::GetDlgItem(box, 0xFFFF)); // a message box's text
    EXPECT_NE(text.find(settings), std::string::npos) << text;
    EXPECT_NE(text.find("Row 4, column 27: Error parsing Element."), std::string::npos)
        << "TinyXML's place of the error: " << text;
    ::SendMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);

    HWND frame = quillmark.WaitForWindow("QuillmarkMainFrame", "", 20000);
    ASSERT_NE(frame, nullptr);
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
    EXPECT_EQ(quillmark.FindWindowOf("#32770"), nullptr) << "told once";

    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    quillmark.Wait(15000);
    EXPECT_EQ(ReadFileBytes(settings), typo);
    ClearProgramRegistry();
}
