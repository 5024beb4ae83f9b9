// The session: written at close, reopened at start, and the close sequence around it.
#include "DocumentsFixture.h"

#include "documents/Session.h"
#include "resources/Resource.h"

using namespace testing_support;
namespace reg = program_registry;

class SessionTest : public DocumentsTest {
  protected:
    // A new start of the program on the registry as it is now.
    std::vector<std::string> Restart() {
        CloseFrame();
        OpenFrame();
        return TabPaths();
    }

    void SetSession(const std::vector<std::string>& paths) {
        for (size_t d = 0; d < paths.size(); ++d)
            reg::SetString(nullptr, "Session" + std::to_string(d + 1), paths[d]);
    }

    void Close() { ::SendMessageA(window_, WM_CLOSE, 0, 0); }
};

TEST_F(SessionTest, RestoreOpensTheValuesUpToTheFirstBadOne) {
    std::string a = MakeFile("a.php"), b = MakeFile("b.php"), c = MakeFile("c.php");
    std::string missing = folder_.Path("missing.php");
    const std::vector<std::string> untitled{""};

    SetSession({a, b, c});
    EXPECT_EQ(Restart(), (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(Tabs().SelectedIndex(), 2);

    // Missing files and untitled documents of the last run open nothing; the rest goes on.
    ClearProgramRegistry();
    SetSession({missing, "", b});
    EXPECT_EQ(Restart(), (std::vector<std::string>{b}));

    // A gap ends the session.
    ClearProgramRegistry();
    SetSession({a, b, c});
    reg::Delete(nullptr, "Session2");
    EXPECT_EQ(Restart(), (std::vector<std::string>{a}));

    // So do values of another type, too long or empty of bytes.
    ClearProgramRegistry();
    SetSession({a, b, c});
    reg::SetDword(nullptr, "Session2", 1);
    EXPECT_EQ(Restart(), (std::vector<std::string>{a}));
    reg::Set(nullptr, "Session2", REG_BINARY, b.c_str(), static_cast<DWORD>(b.size() + 1));
    EXPECT_EQ(Restart(), (std::vector<std::string>{a}));
    reg::SetString(nullptr, "Session2", std::string(MAX_PATH + 1, 'x'));
    EXPECT_EQ(Restart(), (std::vector<std::string>{a}));
    reg::Set(nullptr, "Session2", REG_SZ, "", 0);
    EXPECT_EQ(Restart(), (std::vector<std::string>{a}));

    // An expandable string is taken as it stands.
    reg::SetString(nullptr, "Session2", b, REG_EXPAND_SZ);
    EXPECT_EQ(Restart(), (std::vector<std::string>{a, b, c}));

    // Nothing restored: one untitled document.
    ClearProgramRegistry();
    SetSession({missing});
    EXPECT_EQ(Restart(), untitled);
    reg::SetString(nullptr, "Session1", std::string(2000, 'x'));
    EXPECT_EQ(Restart(), untitled);
}

TEST_F(SessionTest, WriteTakesTheTabsInOrderAndEndsWithAGap) {
    std::string a = MakeFile("a.php"), b = MakeFile("b.php");
    CloseAllTabs();
    ASSERT_NE(Open(a), nullptr);
    Command(ID_FILE_NEW);
    ASSERT_NE(Open(b), nullptr);
    SetSession({"old1", "old2", "old3", "old4", "old5"});

    WriteSession(Tabs());
    EXPECT_EQ(reg::String(nullptr, "Session1"), a);
    EXPECT_EQ(reg::String(nullptr, "Session2"), "");
    EXPECT_EQ(reg::String(nullptr, "Session3"), b);
    EXPECT_FALSE(reg::Exists(nullptr, "Session4")) << "the value after the last marks the end";
    EXPECT_EQ(reg::String(nullptr, "Session5"), "old5") << "older values beyond it stay";

    // Restored: the untitled document of the last run is not, and the gap ends the list.
    EXPECT_EQ(Restart(), (std::vector<std::string>{a, b}));
}

TEST_F(SessionTest, CloseAsksThenWritesSessionAndRecentFiles) {
    std::string a = MakeFile("a.php", "aaa"), b = MakeFile("b.php", "bbb");
    SetSession({a, b});
    ASSERT_EQ(Restart(), (std::vector<std::string>{a, b}));
    Document* second = Tabs().DocumentAt(1);
    second->View().Call(SCI_APPENDTEXT, 1, "!");
    ClearProgramRegistry();

    // Cancel: the window stays and nothing is written.
    {
        BoxSequence cancel({{b, IDCANCEL}});
        Close();
        cancel.Finish();
        ASSERT_EQ(cancel.Answered(), 1);
        EXPECT_EQ(cancel.Texts().front(), ResourceText(IDS_SAVE_CHANGES));
    }
    ASSERT_TRUE(::IsWindow(window_));
    EXPECT_TRUE(reg::NothingWritten());
    EXPECT_TRUE(second->IsModified());

    // No: the changes are dropped, the session and the list are written, the window goes.
    {
        BoxSequence no({{b, IDNO}});
        Close();
        no.Finish();
        EXPECT_EQ(no.Answered(), 1);
    }
    EXPECT_FALSE(::IsWindow(window_));
    EXPECT_EQ(ReadFileBytes(b), "bbb");
    EXPECT_EQ(reg::String(nullptr, "Session1"), a);
    EXPECT_EQ(reg::String(nullptr, "Session2"), b);
    EXPECT_FALSE(reg::Exists(nullptr, "Session3"));
    EXPECT_EQ(reg::String("Recent Document List", "Document1"), b);
    EXPECT_EQ(reg::String("Recent Document List", "Document2"), a);

    // The next start comes back to the same documents, unmodified, and the same list.
    EXPECT_EQ(Restart(), (std::vector<std::string>{a, b}));
    EXPECT_FALSE(Tabs().DocumentAt(1)->IsModified());
    EXPECT_EQ(ViewText(*Tabs().DocumentAt(1)), "bbb");
    const std::vector<std::string>& recent = frame_->RecentFiles().Entries();
    EXPECT_EQ(recent, (std::vector<std::string>{a, b}));
}

TEST_F(SessionTest, CancelAtTheSecondDocumentKeepsEverything) {
    std::string a = MakeFile("a.php", "aaa"), b = MakeFile("b.php", "bbb");
    CloseAllTabs();
    Document* first = Open(a);
    Document* second = Open(b);
    ASSERT_TRUE(first && second);
    first->View().Call(SCI_APPENDTEXT, 1, "1");
    second->View().Call(SCI_APPENDTEXT, 1, "2");
    ClearProgramRegistry();

    {
        BoxSequence answers({{a, IDNO}, {b, IDCANCEL}});
        Close();
        answers.Finish();
        EXPECT_EQ(answers.Answered(), 2);
    }
    ASSERT_TRUE(::IsWindow(window_));
    EXPECT_TRUE(reg::NothingWritten()) << "neither the session nor the recent files are written";
    EXPECT_TRUE(first->IsModified()) << "No at the first prompt dropped nothing yet";
    EXPECT_TRUE(second->IsModified());
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(ReadFileBytes(a), "aaa");
    EXPECT_EQ(ReadFileBytes(b), "bbb");
}

TEST_F(SessionTest, DroppedFilesOpenInDropOrder) {
    std::string a = MakeFile("a.php"), b = MakeFile("b.php"), c = MakeFile("c.php");
    std::string sub = folder_.Path("folder");
    ASSERT_TRUE(::CreateDirectoryA(sub.c_str(), nullptr));
    CloseAllTabs();

    ::SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({c, a, b})), 0);
    EXPECT_EQ(TabPaths(), (std::vector<std::string>{c, a, b}));
    EXPECT_EQ(Tabs().SelectedIndex(), 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(Tabs().DocumentAt(i)->IsReadOnly());

    // A folder opens nothing; the files around it still open, one already open only selected.
    std::string d = MakeFile("d.php");
    ::SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({sub})), 0);
    EXPECT_EQ(Tabs().Count(), 3);
    ::SendMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({sub, d, a})), 0);
    EXPECT_EQ(TabPaths(), (std::vector<std::string>{c, a, b, d}));
    EXPECT_EQ(Tabs().SelectedIndex(), 1);
}

// A tab that closes while a question of the close sequence is up (here through the Close
// command reaching the frame meanwhile) must not make the sequence pass over a document.
TEST_F(SessionTest, CloseAsksAboutEveryModifiedDocumentOnce) {
    std::string a = MakeFile("a.php", "a"), b = MakeFile("b.php", "b"), c = MakeFile("c.php", "c");
    CloseAllTabs();
    for (const std::string& path : {a, b, c})
        ASSERT_NE(Open(path), nullptr);
    for (int i = 0; i < 3; ++i)
        Tabs().DocumentAt(i)->View().Call(SCI_APPENDTEXT, 1, "!");

    std::vector<std::string> asked;
    std::thread user([&] {
        auto answer = [&](const std::string& caption, int button) {
            HWND box = nullptr;
            for (int i = 0; i < 250 && !box; ++i, ::Sleep(20))
                box = FindDialog(caption);
            if (!box) return;
            asked.push_back(caption);
            ::SendMessageA(::GetDlgItem(box, button), BM_CLICK, 0, 0);
            for (int i = 0; i < 200 && ::IsWindow(box) && ::IsWindowVisible(box); ++i)
                ::Sleep(10);
        };
        answer(a, IDNO);
        for (int i = 0; i < 250 && !FindDialog(b); ++i)
            ::Sleep(20);
        // While b is asked about, tab a (asked already) closes: its own question, then it goes.
        ::SendMessageA(Tabs().Handle(), TCM_SETCURSEL, 0, 0);
        ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(ID_FILE_CLOSE, 0), 0);
        answer(a, IDNO);
        // Closing b itself while it is asked about does nothing: its question still works on it.
        ::SendMessageA(Tabs().Handle(), TCM_SETCURSEL, 0, 0);
        ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(ID_FILE_CLOSE, 0), 0);
        ::Sleep(300);
        if (FindDialogs(b).size() > 1) answer(b, IDCANCEL);
        answer(b, IDNO);
        answer(c, IDNO);
    });
    Close();
    user.join();
    EXPECT_EQ(asked, (std::vector<std::string>{a, a, b, c}));
    EXPECT_FALSE(::IsWindow(window_));
}

TEST_F(SessionTest, EndOfTheSessionAsksAsTheCloseDoes) {
    std::string a = MakeFile("a.php", "aaa");
    CloseAllTabs();
    Document* document = Open(a);
    ASSERT_NE(document, nullptr);
    document->View().Call(SCI_APPENDTEXT, 1, "!");
    ClearProgramRegistry();

    struct Step {
        const char* name;
        int answer;
        LRESULT agrees;
    };
    for (const Step& step : {Step{"Cancel refuses", IDCANCEL, FALSE}, Step{"No agrees", IDNO, TRUE}}) {
        SCOPED_TRACE(step.name);
        BoxSequence box({{a, step.answer}});
        LRESULT agrees = ::SendMessageA(window_, WM_QUERYENDSESSION, 0, 0);
        box.Finish();
        EXPECT_EQ(box.Answered(), 1);
        EXPECT_EQ(agrees, step.agrees);
        EXPECT_TRUE(reg::NothingWritten());
    }
    // Asked again while the close's own question is up: refused at once, without a second one.
    {
        std::atomic<LRESULT> nested{-1};
        std::atomic<int> boxes{0};
        std::thread user([&] {
            HWND box = nullptr;
            for (int i = 0; i < 250 && !box; ++i, ::Sleep(20))
                box = FindDialog(a);
            DWORD_PTR result = 0;
            if (box && ::SendMessageTimeoutA(window_, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 3000, &result))
                nested = static_cast<LRESULT>(result);
            ::Sleep(200);
            boxes = static_cast<int>(FindDialogs(a).size());
            for (HWND open : FindDialogs(a))
                ::SendMessageA(::GetDlgItem(open, IDCANCEL), BM_CLICK, 0, 0);
        });
        Close();
        user.join();
        PumpMessages(200);
        EXPECT_EQ(nested, FALSE);
        EXPECT_EQ(boxes, 1);
        ASSERT_TRUE(::IsWindow(window_));
    }
    // Another program refused: the session goes on, nothing is written.
    ::SendMessageA(window_, WM_ENDSESSION, FALSE, 0);
    EXPECT_TRUE(reg::NothingWritten());
    ::SendMessageA(window_, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(reg::String(nullptr, "Session1"), a);
    EXPECT_EQ(reg::String("Recent Document List", "Document1"), a);
    EXPECT_EQ(ReadFileBytes(a), "aaa");
}
