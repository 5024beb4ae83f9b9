// Files changed or deleted by other programs, found when the program becomes active again.
#include "DocumentsFixture.h"

#include "resources/Resource.h"

using namespace testing_support;

namespace {

// Moves the file's last-write time by `seconds`, as "touch" from another program would.
void Touch(const std::string& path, int seconds) {
    FILETIME time{};
    ASSERT_TRUE(ReadLastWriteTime(path, time));
    ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
    value.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ULL;
    time = FILETIME{value.LowPart, value.HighPart};
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
}

} // namespace

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
