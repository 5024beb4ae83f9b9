// The real Quillmark.exe, started as a user starts it: single instance, hand-over, session, exit codes.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/OpenRequest.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "win/Handles.h"

using namespace testing_support;

namespace {

const char* const frameClass = "QuillmarkMainFrame";

std::string ProgramPath() {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return std::string(path) + "\\Quillmark.exe";
}

std::string ThisProgramPath() {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// A started Quillmark.exe (or another program); killed at the end if a test left it running.
class Program : public ChildProcess {
  public:
    explicit Program(const std::string& arguments = "", const std::string& folder = "",
                     const std::string& program = ProgramPath())
        : ChildProcess("\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments), "", folder) {}

    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitForExit(DWORD ms = 15000) const { return Wait(ms); }
    HWND WaitForWindow(const char* className, const std::string& caption, DWORD ms = 20000) const {
        return ChildProcess::WaitForWindow(className, caption, static_cast<int>(ms));
    }

    HWND WaitForFrame() const {
        HWND frame = WaitForWindow(frameClass, "Quillmark");
        // Ready once its message loop answers.
        DWORD_PTR answer = 0;
        if (frame) ::SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer);
        return frame;
    }
};

HWND DocumentTabsOf(HWND frame) {
    // The document strip is the tab control that holds the editing views.
    HWND found = nullptr;
    ::EnumChildWindows(
        frame,
        [](HWND window, LPARAM param) -> BOOL {
            char name[64] = "";
            ::GetClassNameA(window, name, sizeof(name));
            if (lstrcmpA(name, "Scintilla") == 0) {
                *reinterpret_cast<HWND*>(param) = ::GetParent(window);
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

int TabCount(HWND frame) {
    return static_cast<int>(::SendMessageA(DocumentTabsOf(frame), TCM_GETITEMCOUNT, 0, 0));
}

// The selected document's view is the topmost child of the strip.
HWND SelectedView(HWND frame) {
    for (HWND child = ::GetWindow(DocumentTabsOf(frame), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = "";
        ::GetClassNameA(child, name, sizeof(name));
        if (lstrcmpA(name, "Scintilla") == 0) return child;
    }
    return nullptr;
}

std::string SessionValue(int d) {
    char value[MAX_PATH + 1] = "";
    DWORD size = sizeof(value);
    std::string name = "Session" + std::to_string(d);
    if (::SHGetValueA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", name.c_str(), nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return value;
}

void WriteSession(const std::vector<std::string>& paths) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (size_t i = 0; i < paths.size(); ++i) {
        std::string name = "Session" + std::to_string(i + 1);
        ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(paths[i].c_str()),
                         static_cast<DWORD>(paths[i].size() + 1));
    }
    ::RegCloseKey(key);
}

// The static texts of a message box, one line each.
std::string BoxText(HWND box) {
    std::string text;
    ::EnumChildWindows(
        box,
        [](HWND control, LPARAM param) -> BOOL {
            char name[32] = "";
            ::GetClassNameA(control, name, sizeof(name));
            if (lstrcmpiA(name, "Static") == 0)
                *reinterpret_cast<std::string*>(param) += WindowText(control) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override { ClearProgramRegistry(); }
    void TearDown() override { ClearProgramRegistry(); }
};

} // namespace

TEST_F(EndToEnd, FirstStartShowsTheWindowAndClosingEndsWithOne) {
    Program program;
    ASSERT_TRUE(program.Started());
    HWND frame = program.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(TabCount(frame), 1) << "one untitled document";
    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 1u);
    EXPECT_EQ(SessionValue(1), "") << "the untitled document is remembered as an empty path";
}

TEST_F(EndToEnd, SecondStartHandsItsFileOverAndExitsWithZero) {
    TempFolder folder;
    std::string path = folder.Path("my page.php");
    ASSERT_TRUE(WriteFileBytes(path, "<?php echo 'hi'; ?>\r\n"));

    Program first;
    HWND frame = first.WaitForFrame();
    ASSERT_NE(frame, nullptr);

    Program second("\"" + path + "\"");
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return TabCount(frame) == 2; }));
    EXPECT_EQ(second.FindWindowOf(frameClass, "Quillmark"), nullptr)
        << "the second start never shows a window";

    // A second start with an empty command line selects the untitled document again.
    Program third;
    EXPECT_EQ(third.WaitForExit(), 0u);
    EXPECT_EQ(TabCount(frame), 2);
    EXPECT_EQ(::SendMessageA(DocumentTabsOf(frame), TCM_GETCURSEL, 0, 0), 0);

    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(), 1u);
    EXPECT_EQ(SessionValue(2), path);
}

TEST_F(EndToEnd, SecondStartDuringStartUpDoesNoHarm) {
    TempFolder folder;
    std::string path = folder.Path("early.php");
    ASSERT_TRUE(WriteFileBytes(path, "x"));
    Program a;
    Program b("\"" + path + "\"");
    // Whichever created the instance mutex first runs; the other waits for its window, hands its
    // file over and ends with 0.
    DWORD codeA = STILL_ACTIVE, codeB = STILL_ACTIVE;
    for (int i = 0; i < 1200 && codeA == STILL_ACTIVE && codeB == STILL_ACTIVE; ++i) {
        codeA = a.WaitForExit(0);
        codeB = b.WaitForExit(25);
        // A window that took longer than the hand-off allows: the late start says so.
        for (const Program* program : {&a, &b})
            if (HWND box = program->FindWindowOf("#32770", "Quillmark"))
                ::PostMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    }
    ASSERT_TRUE((codeA == 0) != (codeB == 0)) << codeA << " " << codeB;
    Program& running = codeA == 0 ? b : a;
    EXPECT_EQ(running.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
    HWND frame = running.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    int tabs = TabCount(frame);
    EXPECT_TRUE(tabs == 1 || tabs == 2) << tabs;
    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(running.WaitForExit(), 1u);
}

TEST_F(EndToEnd, SessionIsRestoredAndAModifiedDocumentCanRefuseTheClose) {
    TempFolder folder;
    std::vector<std::string> files = {folder.Path("one.php"), folder.Path("two.php"),
                                      folder.Path("three.php")};
    for (const std::string& file : files)
        ASSERT_TRUE(WriteFileBytes(file, "<?php ?>"));
    WriteSession({files[0], files[1]});

    {
        Program program("\"" + files[2] + "\"");
        HWND frame = program.WaitForFrame();
        ASSERT_NE(frame, nullptr);
        ASSERT_EQ(TabCount(frame), 3) << "two from the session, then the command line's file";
        EXPECT_EQ(::SendMessageA(DocumentTabsOf(frame), TCM_GETCURSEL, 0, 0), 2);

        HWND view = SelectedView(frame);
        ASSERT_NE(view, nullptr);
        ::SendMessageA(view, WM_CHAR, 'x', 1);

        // Closing asks about the modified document; Cancel keeps everything open.
        ::PostMessageA(frame, WM_CLOSE, 0, 0);
        HWND box = program.WaitForWindow("#32770", files[2]);
        ASSERT_NE(box, nullptr) << "the save prompt names the document";
        ::SendMessageA(::GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
        EXPECT_EQ(program.WaitForExit(1500), static_cast<DWORD>(STILL_ACTIVE));
        EXPECT_EQ(SessionValue(3), "<missing>") << "a refused close writes nothing";

        ::PostMessageA(frame, WM_CLOSE, 0, 0);
        box = program.WaitForWindow("#32770", files[2]);
        ASSERT_NE(box, nullptr);
        ::SendMessageA(::GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
        EXPECT_EQ(program.WaitForExit(), 1u);
    }
    for (int d = 1; d <= 3; ++d)
        EXPECT_EQ(SessionValue(d), files[d - 1]);
    EXPECT_EQ(ReadFileBytes(files[2]), "<?php ?>") << "No drops the change";

    Program again;
    HWND frame = again.WaitForFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(TabCount(frame), 3);
    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(again.WaitForExit(), 1u);
}

TEST_F(EndToEnd, SecondStartHandsOverItsRelativePathAsTheFullPathItMeant) {
    // Both folders hold a foo.php: the running instance must open the one beside the second start.
    TempFolder firstFolder, secondFolder;
    ASSERT_TRUE(WriteFileBytes(firstFolder.Path("foo.php"), "first"));
    ASSERT_TRUE(WriteFileBytes(secondFolder.Path("foo.php"), "second"));
    Program first("", firstFolder.Path());
    HWND frame = first.WaitForFrame();
    ASSERT_NE(frame, nullptr);

    Program second("foo.php", secondFolder.Path());
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(PumpUntil([&] { return TabCount(frame) == 2; }));
    ::PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(), 1u);
    EXPECT_EQ(SessionValue(2), secondFolder.Path("foo.php"));
}

// Only ever run as children of the test below: an instance that holds the mutex and shows its
// window but never takes a message again, and one that never gets as far as its window.
TEST(HungInstance, DISABLED_HoldsTheMutexAndAWindowButNeverAnswers) {
    KernelHandle mutex(::CreateMutexA(nullptr, FALSE, instanceMutexName));
    ASSERT_NE(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    HWND window = ::CreateWindowExA(0, "STATIC", "hung", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                    nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    FramePublication published(window);
    ::Sleep(120000);
}

TEST(HungInstance, DISABLED_HoldsTheMutexButShowsNoWindow) {
    KernelHandle mutex(::CreateMutexA(nullptr, FALSE, instanceMutexName));
    ASSERT_NE(::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    ::Sleep(120000);
}

TEST_F(EndToEnd, SecondStartFacingAHungInstanceSaysSoAndEnds) {
    TempFolder folder;
    std::string path = folder.Path("my page.php");
    ASSERT_TRUE(WriteFileBytes(path, "<?php ?>"));
    const struct {
        const char* child;
        bool window;
    } cases[] = {{"DISABLED_HoldsTheMutexAndAWindowButNeverAnswers", true},
                 {"DISABLED_HoldsTheMutexButShowsNoWindow", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.child);
        Program hung(std::string("--gtest_filter=HungInstance.") + c.child +
                         " --gtest_also_run_disabled_tests",
                     "", ThisProgramPath());
        ASSERT_TRUE(PumpUntil(
            [&] {
                KernelHandle mutex(::OpenMutexA(SYNCHRONIZE, FALSE, instanceMutexName));
                return mutex && (!c.window || FindRunningFrame());
            },
            20000));

        Program second("\"" + path + "\"");
        HWND box = second.WaitForWindow("#32770", "Quillmark", 30000);
        ASSERT_NE(box, nullptr) << "the start must not wait for the other instance for ever";
        std::string text = BoxText(box);
        EXPECT_NE(text.find("does not respond"), std::string::npos) << text;
        EXPECT_NE(text.find(path), std::string::npos) << "the box names the file it did not open: " << text;
        EXPECT_EQ(second.FindWindowOf(frameClass, "Quillmark"), nullptr) << "no second instance of its own";
        ::SendMessageA(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(second.WaitForExit(), 0u);
    }
}
