// Files changed or deleted by other programs, found when the program becomes active again.
#include "DocumentsFixture.h"

#include "resources/Resource.h"

using namespace testing_support;

class ExternalChangeTest : public DocumentsTest {
  protected:
    void Activate() { ::SendMessageA(window_, WM_ACTIVATEAPP, TRUE, 0); }

    // Activates the program once, answering every question about `path` with `button`;
    // returns how many questions came.
    int ActivateAnswering(const std::string& path, int button, std::string* text = nullptr) {
        BoxSequence answers(std::vector<std::pair<std::string, int>>(8, {path, button}), 3000);
        Activate();
        PumpMessages(100);
        answers.Finish();
        if (text && answers.Answered() > 0) *text = answers.Texts().front();
        return answers.Answered();
    }
};

TEST_F(ExternalChangeTest, TouchedFileIsAskedAboutUntilReloaded) {
    std::string path = MakeFile("page.php", "one");
    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(ActivateAnswering(path, IDNO), 0) << "an untouched file gives no question";

    ASSERT_TRUE(WriteFileBytes(path, "two"));
    Touch(path, 5);
    std::string text;
    EXPECT_EQ(ActivateAnswering(path, IDNO, &text), 1);
    EXPECT_EQ(text, ResourceText(IDS_MODIFIED_OUTSIDE));
    EXPECT_EQ(ViewText(*document), "one");
    // No changes nothing, so the next activation asks again, and again.
    EXPECT_EQ(ActivateAnswering(path, IDNO), 1);
    EXPECT_EQ(ActivateAnswering(path, IDNO), 1);

    // Yes reloads, dropping the unsaved edit without a further question.
    document->View().Call(SCI_APPENDTEXT, 7, " edited");
    EXPECT_EQ(ActivateAnswering(path, IDYES), 1);
    EXPECT_EQ(ViewText(*document), "two");
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(TabText(Tabs().SelectedIndex()), "page.php");
    EXPECT_EQ(ActivateAnswering(path, IDNO), 0) << "the reload took the new time stamp";
    // A Yes given by mistake is taken back by Undo, to the text exactly as it was.
    document->View().Call(SCI_UNDO);
    EXPECT_EQ(ViewText(*document), "one edited");
    EXPECT_TRUE(document->IsModified());
    document->View().Call(SCI_REDO);
    EXPECT_EQ(ViewText(*document), "two");
    EXPECT_FALSE(document->IsModified());

    // A time stamp moved back counts as a change too; the bytes need not differ.
    Touch(path, -60);
    EXPECT_EQ(ActivateAnswering(path, IDYES), 1);
    EXPECT_EQ(ActivateAnswering(path, IDYES), 0);
}

TEST_F(ExternalChangeTest, ReloadThatCannotReadChangesNothingAndAsksAgain) {
    std::string path = MakeFile("page.php", "one");
    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(WriteFileBytes(path, "two"));
    Touch(path, 5);

    HANDLE holder = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ActivateAnswering(path, IDYES), 1);
    EXPECT_EQ(ViewText(*document), "one");
    ::CloseHandle(holder);

    EXPECT_EQ(ActivateAnswering(path, IDYES), 1);
    EXPECT_EQ(ViewText(*document), "two");
}

TEST_F(ExternalChangeTest, DeletedFileClosesOnlyWhenTheUserAgrees) {
    std::string kept = MakeFile("kept.php", "kept");
    std::string gone = MakeFile("gone.php", "gone");
    ASSERT_NE(Open(kept), nullptr);
    ASSERT_NE(Open(gone), nullptr);
    int tabs = Tabs().Count();
    ASSERT_TRUE(::DeleteFileA(gone.c_str()));

    std::string text;
    EXPECT_EQ(ActivateAnswering(gone, IDNO, &text), 1);
    EXPECT_EQ(text, ResourceText(IDS_DELETED_OUTSIDE));
    EXPECT_EQ(Tabs().Count(), tabs);
    EXPECT_EQ(ActivateAnswering(gone, IDNO), 1) << "asked again at the next activation";

    // Enter takes the default button, which must be No: a slip of the key keeps the document.
    std::atomic<bool> enterAnswered{false};
    std::thread user([&] {
        for (int i = 0; i < 500; ++i) {
            std::vector<HWND> boxes = FindDialogs(gone);
            if (boxes.empty()) {
                ::Sleep(20);
                continue;
            }
            ::Sleep(100);
            SendKey(VK_RETURN);
            for (int j = 0; j < 100 && ::IsWindow(boxes.front()) && ::IsWindowVisible(boxes.front()); ++j)
                ::Sleep(20);
            enterAnswered = !::IsWindow(boxes.front()) || !::IsWindowVisible(boxes.front());
            if (!enterAnswered) ::SendMessageA(::GetDlgItem(boxes.front(), IDNO), BM_CLICK, 0, 0);
            return;
        }
    });
    Activate();
    user.join();
    EXPECT_TRUE(enterAnswered) << "the key did not reach the question";
    EXPECT_EQ(Tabs().Count(), tabs);

    EXPECT_EQ(ActivateAnswering(gone, IDYES), 1);
    EXPECT_EQ(Tabs().Count(), tabs - 1);
    EXPECT_EQ(Tabs().SelectedDocument()->Path(), kept);
    EXPECT_FALSE(::PathFileExistsA(gone.c_str())) << "an unmodified document is not written again";
}

TEST_F(ExternalChangeTest, DeletedModifiedFileIsOfferedForSavingFirst) {
    std::string path = MakeFile("draft.php", "draft");
    Document* document = Open(path);
    ASSERT_NE(document, nullptr);
    int tabs = Tabs().Count();
    document->View().Call(SCI_APPENDTEXT, 4, " new");
    ASSERT_TRUE(::DeleteFileA(path.c_str()));

    {
        BoxSequence answers({{path, IDYES}, {path, IDCANCEL}});
        Activate();
        answers.Finish();
        EXPECT_EQ(answers.Answered(), 2);
        std::vector<std::string> texts = answers.Texts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1], ResourceText(IDS_SAVE_CHANGES));
    }
    EXPECT_EQ(Tabs().Count(), tabs) << "Cancel at the save prompt keeps the document";
    EXPECT_TRUE(document->IsModified());
    EXPECT_FALSE(::PathFileExistsA(path.c_str()));

    {
        BoxSequence answers({{path, IDYES}, {path, IDYES}});
        Activate();
        answers.Finish();
        EXPECT_EQ(answers.Answered(), 2);
    }
    EXPECT_EQ(Tabs().Count(), tabs - 1);
    EXPECT_EQ(ReadFileBytes(path), "draft new") << "Yes at the save prompt writes the file again";
}

TEST_F(ExternalChangeTest, QuestionsDoNotStackWhileOneIsOpen) {
    std::string first = MakeFile("first.php", "1");
    std::string second = MakeFile("second.php", "2");
    ASSERT_NE(Open(first), nullptr);
    ASSERT_NE(Open(second), nullptr);
    Touch(first, 5);
    Touch(second, 5);

    // While the first question is up, the program is activated again (the user switched away
    // and back): that must not open a second round of questions over the first.
    std::atomic<int> mostOpen{0};
    std::atomic<int> asked{0};
    std::thread user([&] {
        DWORD until = ::GetTickCount() + 20000, quietSince = ::GetTickCount();
        bool reactivated = false;
        while (static_cast<int>(until - ::GetTickCount()) > 0) {
            std::vector<HWND> boxes = FindDialogs(first), others = FindDialogs(second);
            boxes.insert(boxes.end(), others.begin(), others.end());
            if (boxes.empty()) {
                if (asked > 0 && ::GetTickCount() - quietSince > 1000) break;
                ::Sleep(20);
                continue;
            }
            if (!reactivated) {
                ::PostMessageA(window_, WM_ACTIVATEAPP, TRUE, 0);
                reactivated = true;
                ::Sleep(500);
                continue;
            }
            mostOpen = std::max<int>(mostOpen, static_cast<int>(boxes.size()));
            // Every box gets its No, stacked or not, so that a failure cannot hang the test.
            HWND box = boxes.front();
            ::SendMessageA(::GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
            for (int i = 0; i < 200 && ::IsWindow(box) && ::IsWindowVisible(box); ++i)
                ::Sleep(10);
            ++asked;
            quietSince = ::GetTickCount();
            ::Sleep(300);
        }
    });
    Activate();
    PumpMessages(300);
    user.join();
    EXPECT_EQ(mostOpen, 1);
    EXPECT_EQ(asked, 2) << "one question per changed file";
}

TEST_F(ExternalChangeTest, ReloadReplacesAReadOnlyDocumentAndKeepsItReadOnly) {
    struct Case {
        const char* name;
        bool openedReadOnly; // the Open dialog's box
        bool attribute;      // the file's own read-only attribute
    };
    const Case cases[] = {{"opened read-only", true, false}, {"read-only file", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = MakeFile(std::string(c.name) + ".php", "one");
        if (c.attribute) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        Document* document = Open(path, c.openedReadOnly);
        ASSERT_NE(document, nullptr);
        ASSERT_TRUE(document->IsReadOnly());

        // Another program writes the file (lifting the attribute for it and setting it again).
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(WriteFileBytes(path, "two"));
        Touch(path, 5);
        if (c.attribute) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_EQ(ActivateAnswering(path, IDYES), 1);
        EXPECT_EQ(ViewText(*document), "two");
        EXPECT_TRUE(document->IsReadOnly());
        EXPECT_FALSE(document->IsModified());
        EXPECT_EQ(ActivateAnswering(path, IDNO), 0) << "the reload took the new time stamp";
        Command(ID_FILE_SAVE);
        EXPECT_EQ(ReadFileBytes(path), "two");
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// A file whose reading fails: under Wine the process's own memory, whose first page cannot be
// read (an I/O error, as from a failing disk or a dropped network share).
TEST_F(ExternalChangeTest, LoadThatCannotReadTheWholeFileChangesNothing) {
    const std::string unreadable = "Z:\\proc\\self\\mem";
    if (::GetFileAttributesA(unreadable.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no " << unreadable;
    int tabs = Tabs().Count();
    EXPECT_FALSE(Tabs().OpenDocument(unreadable, false));
    EXPECT_EQ(Tabs().Count(), tabs);

    struct Case {
        const char* name;
        std::string file;
        bool edited;
        bool readOnly;
    };
    const Case cases[] = {
        {"edited UTF-8", "caf\xC3\xA9", true, false},
        {"read-only ANSI", "caf\xE9", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = MakeFile(std::string(c.name) + ".php", c.file);
        Document* document = Open(path, c.readOnly);
        ASSERT_NE(document, nullptr);
        if (c.edited) document->View().Call(SCI_APPENDTEXT, 1, "!");
        std::string text = ViewText(*document);
        int codePage = document->CodePage();

        EXPECT_FALSE(document->LoadFromFile(unreadable));
        EXPECT_EQ(ViewText(*document), text);
        EXPECT_EQ(document->IsModified(), c.edited);
        EXPECT_EQ(document->IsReadOnly(), c.readOnly);
        EXPECT_EQ(document->CodePage(), codePage);
        EXPECT_EQ(document->Path(), path);
        if (c.edited) {
            document->View().Call(SCI_UNDO);
            EXPECT_EQ(ViewText(*document), c.file) << "the edit can still be taken back";
        }
    }
}

// While another prompt is up, an activation only notes that the documents must be checked;
// the check comes once, after that prompt.
TEST_F(ExternalChangeTest, CheckWaitsForOtherPromptsAndRunsOnceAfter) {
    std::string touched = MakeFile("touched.php", "1");
    ASSERT_NE(Open(touched), nullptr);
    std::string edited = MakeFile("edited.php", "2");
    Document* document = Open(edited);
    ASSERT_NE(document, nullptr);
    document->View().Call(SCI_APPENDTEXT, 1, "!");

    struct Case {
        const char* name;
        std::string caption; // of the prompt
        std::function<void()> openPrompt;
    };
    const Case cases[] = {
        {"save prompt of Close", edited, [&] { Command(ID_FILE_CLOSE); }},
        {"close sequence", edited, [&] { ::SendMessageA(window_, WM_CLOSE, 0, 0); }},
        {"Save As", "Save As", [&] { Command(ID_FILE_SAVE_AS); }},
        {"Go to line", "Go To Line", [&] { Command(ID_EDIT_GOTO_LINE); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Touch(touched, 5);
        std::atomic<int> during{0}, after{0};
        std::atomic<bool> done{false};
        auto press = [](HWND box, int button) {
            ::SendMessageA(::GetDlgItem(box, button), BM_CLICK, 0, 0);
            for (int i = 0; i < 200 && ::IsWindow(box) && ::IsWindowVisible(box); ++i)
                ::Sleep(10);
        };
        std::thread user([&] {
            HWND prompt = nullptr;
            for (int i = 0; i < 500 && !prompt; ++i, ::Sleep(20))
                prompt = FindDialog(c.caption);
            if (prompt) {
                ::PostMessageA(window_, WM_ACTIVATEAPP, TRUE, 0);
                ::Sleep(700);
                for (HWND box : FindDialogs(touched)) {
                    ++during;
                    press(box, IDNO);
                }
                press(prompt, IDCANCEL);
                // The check that waited comes now; a second one would follow within a second.
                for (DWORD until = ::GetTickCount() + 3000; static_cast<int>(until - ::GetTickCount()) > 0;) {
                    for (HWND box : FindDialogs(touched)) {
                        ++after;
                        press(box, IDNO);
                        until = ::GetTickCount() + 1000;
                    }
                    ::Sleep(20);
                }
            }
            done = true;
        });
        c.openPrompt();
        // As the program's message loop does: messages, then the idle pass.
        PumpUntil(
            [&] {
                loop_.OnIdle();
                return done.load();
            },
            20000);
        user.join();
        EXPECT_EQ(during, 0) << "a question over the prompt";
        EXPECT_EQ(after, 1);
        ASSERT_TRUE(::IsWindow(window_));
    }
}
