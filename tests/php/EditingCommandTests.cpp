// Insert snippets and colours, find and replace, go to line: through the main window's commands
// on a real view, and through the real dialogs where the user meets them.
#include "support/FrameFixture.h"

#include <commctrl.h>

#include "php/EditingCommands.h"
#include "resources/Resource.h"

using namespace testing_support;

namespace {

class EditingTest : public FrameTest {
  protected:
    const EditorView& View() { return frame_->Tabs().SelectedDocument()->View(); }
    void SetText(const char* text) {
        View().Call(SCI_SETTEXT, 0, text);
        View().Call(SCI_EMPTYUNDOBUFFER);
    }
    std::string Text() {
        std::string text(static_cast<size_t>(View().Call(SCI_GETLENGTH)) + 1, '\0');
        View().Call(SCI_GETTEXT, text.size(), text.data());
        text.pop_back();
        return text;
    }
    std::pair<Sci_Position, Sci_Position> Selection() {
        return {View().Call(SCI_GETSELECTIONSTART), View().Call(SCI_GETSELECTIONEND)};
    }
    // What the find or replace dialog sends when one of its buttons is pressed.
    void DialogButton(DWORD flags, const char* find, const char* replace = "") {
        static const UINT message = ::RegisterWindowMessageA(FINDMSGSTRINGA);
        char findText[128], replaceText[128];
        lstrcpynA(findText, find, sizeof(findText));
        lstrcpynA(replaceText, replace, sizeof(replaceText));
        FINDREPLACEA request{sizeof(request)};
        request.Flags = flags;
        request.lpstrFindWhat = findText;
        request.lpstrReplaceWith = replaceText;
        ::SendMessageA(window_, message, 0, reinterpret_cast<LPARAM>(&request));
    }
};

} // namespace

TEST_F(EditingTest, SnippetsEncloseTheCaretOrTheSelection) {
    SetText("");
    Command(ID_INSERT_PHP_CODE);
    EXPECT_EQ(Text(), "<?  ?>");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{3}, Sci_Position{3}));

    SetText("x echo y");
    View().Call(SCI_SETSEL, 2, 6);
    Command(ID_INSERT_PHP_CODE);
    EXPECT_EQ(Text(), "x <? echo ?> y");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{5}, Sci_Position{9})) << "echo stays selected";

    SetText("");
    Command(ID_INSERT_PHP_EXPRESSION);
    EXPECT_EQ(Text(), "<?=  ?>");
    EXPECT_EQ(Selection().first, 4);
    SetText("");
    Command(ID_INSERT_HTML_CLOSE);
    EXPECT_EQ(Text(), "</>");
    EXPECT_EQ(Selection().first, 2);
}

TEST_F(EditingTest, TaggedStringEscapesTheSelectionInOneUndoStep) {
    const char* original = "a \"hi\" \\ bye z";
    SetText(original);
    View().Call(SCI_SETSEL, 2, 12); // "hi" \ bye
    Command(ID_INSERT_PHP_TAGGED_STRING);
    EXPECT_EQ(Text(), "a \"\\\"hi\\\" \\\\ bye\" z");
    EXPECT_EQ(View().Call(SCI_GETCURRENTPOS), 16) << "the caret ends before the closing quote";
    View().Call(SCI_UNDO);
    EXPECT_EQ(Text(), original);
    EXPECT_EQ(EscapeForDoubleQuotes("\\\""), "\\\\\\\"") << "added backslashes are not doubled again";
}

TEST(ColourValue, FirstHexColourInAnyCase) {
    EXPECT_EQ(FindColourValue("color: #1a2B3c;"), std::optional<COLORREF>(RGB(0x1A, 0x2B, 0x3C)));
    EXPECT_EQ(FindColourValue("#12345 and #ABCDEF"), std::optional<COLORREF>(RGB(0xAB, 0xCD, 0xEF)));
    EXPECT_EQ(FindColourValue("#GG0000"), std::nullopt);
    EXPECT_EQ(FormatColourValue(RGB(255, 0, 16)), "#FF0010");
}

TEST_F(EditingTest, ColourChooserStartsFromTheSelectionAndWritesItsChoice) {
    SetText("color: #1a2B3c;");
    View().Call(SCI_SETSEL, 0, 15);
    std::string caption;
    DialogWatcher watcher("", [&](HWND dialog) {
        caption = WindowText(dialog);
        ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); // keep the preset colour
    });
    Command(ID_INSERT_COLOR);
    ASSERT_TRUE(watcher.Seen());
    EXPECT_EQ(Text(), "#1A2B3C") << "the chooser opened on the selection's colour: " << caption;
}

TEST_F(EditingTest, FindAndReplaceFollowTheirOptions) {
    SetText("Echo echoes echo ECHO");
    View().Call(SCI_SETSEL, 0, 0);
    DialogButton(FR_FINDNEXT, "echo");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{0}, Sci_Position{4})) << "case is ignored";
    DialogButton(FR_FINDNEXT | FR_WHOLEWORD, "echo");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{12}, Sci_Position{16})) << "not inside echoes";
    DialogButton(FR_FINDNEXT | FR_WHOLEWORD | FR_MATCHCASE, "echo");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{12}, Sci_Position{16}))
        << "no wrap-around past the last";

    // Replace acts on a selection equal to the find text, in other case only without match case.
    View().Call(SCI_SETSEL, 17, 21); // ECHO
    DialogButton(FR_REPLACE | FR_MATCHCASE, "echo", "x");
    EXPECT_EQ(Text(), "Echo echoes echo ECHO");
    View().Call(SCI_SETSEL, 17, 21);
    DialogButton(FR_REPLACE, "echo", "x");
    EXPECT_EQ(Text(), "Echo echoes echo x");

    // Replace All runs from the selection's start: earlier matches stay.
    SetText("ab ab ab ab");
    View().Call(SCI_SETSEL, 3, 3);
    DialogButton(FR_REPLACEALL, "ab", "abab");
    EXPECT_EQ(Text(), "ab abab abab abab") << "replacements containing the text are not replaced again";
}

// The dialogs speak the ANSI code page; a UTF-8 document holds UTF-8, and what is found,
// compared and written in it is too.
TEST_F(EditingTest, FindAndReplaceSpeakTheDocumentsEncoding) {
    View().Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    SetText("caf\xC3\xA9 CAF\xC3\x89 caf\xC3\xA9");
    View().Call(SCI_SETSEL, 0, 0);
    DialogButton(FR_FINDNEXT, "caf\xE9");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{0}, Sci_Position{5}));
    DialogButton(FR_FINDNEXT, "caf\xE9");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{6}, Sci_Position{11}))
        << "case is ignored beyond ASCII";
    DialogButton(FR_REPLACE, "caf\xE9", "\x80"); // the euro sign
    EXPECT_EQ(Text(), "caf\xC3\xA9 \xE2\x82\xAC caf\xC3\xA9");
    View().Call(SCI_SETSEL, 0, 0);
    DialogButton(FR_REPLACEALL, "caf\xE9", "th\xE9");
    EXPECT_EQ(Text(), "th\xC3\xA9 \xE2\x82\xAC th\xC3\xA9");

    // An ANSI document takes the dialog's bytes as they are.
    View().Call(SCI_SETCODEPAGE, 0);
    SetText("caf\xE9 CAF\xC9");
    View().Call(SCI_SETSEL, 5, 9);
    DialogButton(FR_REPLACE, "caf\xE9", "th\xE9");
    EXPECT_EQ(Text(), "caf\xE9 th\xE9");
}

// Replace takes the selection only where Find would have found exactly it.
TEST_F(EditingTest, ReplaceTakesOnlyWhatFindWouldMatch) {
    struct Case {
        const char* name;
        int codePage;
        std::string text; // all of it selected
        const char* find;
        bool replaced;
    };
    const Case cases[] = {
        {"other case", SC_CP_UTF8, "CAF\xC3\x89", "caf\xE9", true},
        {"a ligature is not its letters", SC_CP_UTF8,
         "\xC3\xA6"
         "ble",
         "AEBLE", false},
        {"an invisible hyphen counts", SC_CP_UTF8,
         "ab\xC2\xAD"
         "cd",
         "ABCD", false},
        {"a NUL counts", 0, std::string("ab\0cd", 5), "ab", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        View().Call(SCI_SETCODEPAGE, c.codePage);
        View().Call(SCI_CLEARALL);
        View().Call(SCI_ADDTEXT, c.text.size(), c.text.data());
        View().Call(SCI_SETSEL, 0, View().Call(SCI_GETLENGTH));
        DialogButton(FR_REPLACE, c.find, "x");
        EXPECT_EQ(Text().substr(0, 1) == "x", c.replaced);
    }
}

TEST_F(EditingTest, ReplaceOnAReadOnlyViewChangesNothingAndReturns) {
    for (DWORD button : {FR_REPLACE, FR_REPLACEALL}) {
        SetText("ab ab ab");
        View().Call(SCI_SETSEL, 0, 2);
        View().Call(SCI_SETREADONLY, 1);
        DialogButton(button, "ab", ""); // refused replacements once found the same match forever
        EXPECT_EQ(Text(), "ab ab ab") << button;
        EXPECT_EQ(Selection(), std::make_pair(Sci_Position{0}, Sci_Position{2})) << button;
        View().Call(SCI_SETREADONLY, 0);
    }
    // Wherever else a replacement is refused, Replace All stops instead of trying again.
    SetText("ab ab");
    View().Call(SCI_SETSEL, 0, 0);
    View().Call(SCI_SETREADONLY, 1);
    SearchState search{"ab", "x"};
    EXPECT_EQ(ReplaceAll(View(), search), 0);
    EXPECT_EQ(Text(), "ab ab");
}

TEST_F(EditingTest, ReplaceAllIsOneUndoStepAndAMissTellsTheStatusBar) {
    auto status = [&] {
        char text[256] = "";
        ::SendMessageA(Child(ID_STATUS_BAR), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    SetText("ab ab ab ab");
    View().Call(SCI_SETSEL, 3, 3);
    DialogButton(FR_REPLACEALL, "ab", "c");
    EXPECT_EQ(Text(), "ab c c c");
    EXPECT_EQ(status(), "Occurrences replaced: 3");
    View().Call(SCI_UNDO);
    EXPECT_EQ(Text(), "ab ab ab ab") << "one Undo takes back every replacement";

    View().Call(SCI_SETSEL, 6, 6);
    DialogButton(FR_FINDNEXT, "ab");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{6}, Sci_Position{8}));
    DialogButton(FR_FINDNEXT, "ab");
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{9}, Sci_Position{11}));
    Command(ID_EDIT_REPEAT); // F3 at the last match: still no wrap-around
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{9}, Sci_Position{11}));
    EXPECT_EQ(status(), "Cannot find \"ab\"");
    View().Call(SCI_SETSEL, 0, 0);
    Command(ID_EDIT_REPEAT);
    EXPECT_EQ(status(), "Ready") << "a match clears the message";
}

TEST_F(EditingTest, RepeatWithoutTextOpensFindAndTheDialogSeedsTheNextSearch) {
    SetText("one two one");
    View().Call(SCI_SETSEL, 0, 0);
    Command(ID_EDIT_REPEAT);
    ASSERT_NE(frame_->FindDialog(), nullptr) << "F3 before any search opens the Find dialog";
    HWND dialog = frame_->FindDialog();
    ::SetDlgItemTextA(dialog, edt1, "one");
    ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); // Find Next
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{0}, Sci_Position{3}));
    Command(ID_EDIT_REPEAT);
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{8}, Sci_Position{11}));

    // Replace closes the Find dialog and opens its own, seeded with the text.
    Command(ID_EDIT_REPLACE);
    ASSERT_NE(frame_->FindDialog(), nullptr);
    EXPECT_FALSE(::IsWindow(dialog));
    char seeded[128] = "";
    ::GetDlgItemTextA(frame_->FindDialog(), edt1, seeded, sizeof(seeded));
    EXPECT_STREQ(seeded, "one");
}

// A character the ANSI code page lacks reaches a UTF-8 document as typed: the dialog's ANSI text
// holds a look-alike ("l" for "\u0142"), and Replace All with it replaced every "l".
TEST_F(EditingTest, TheDialogsKeepCharactersTheCodePageLacks) {
    View().Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    SetText("l \xC5\x82 l \xC5\x82"); // l, then the Polish barred l
    View().Call(SCI_SETSEL, 0, 0);
    Command(ID_EDIT_REPLACE);
    HWND dialog = frame_->FindDialog();
    ASSERT_NE(dialog, nullptr);
    ::SetDlgItemTextW(dialog, edt1, L"\u0142");
    ::SetDlgItemTextW(dialog, edt2, L"\u0141");
    ::SendMessageA(::GetDlgItem(dialog, psh2), BM_CLICK, 0, 0); // Replace All
    EXPECT_EQ(Text(), "l \xC5\x81 l \xC5\x81");

    // The next dialog starts with the text as it was typed, and so does F3.
    Command(ID_EDIT_FIND);
    ASSERT_NE(frame_->FindDialog(), nullptr);
    wchar_t seeded[128] = L"";
    ::GetDlgItemTextW(frame_->FindDialog(), edt1, seeded, 128);
    EXPECT_EQ(std::wstring(seeded), L"\u0142");
    SetText("l \xC5\x82");
    View().Call(SCI_SETSEL, 0, 0);
    Command(ID_EDIT_REPEAT);
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{2}, Sci_Position{4}));

    // An ANSI document cannot hold it: nothing is found, and nothing else is replaced.
    View().Call(SCI_SETCODEPAGE, 0);
    SetText("l l");
    View().Call(SCI_SETSEL, 0, 0);
    Command(ID_EDIT_REPEAT);
    EXPECT_EQ(Selection(), std::make_pair(Sci_Position{0}, Sci_Position{0}));
}

TEST_F(EditingTest, GoToLineChecksTheNumberBeforeItMoves) {
    std::string text;
    for (int i = 0; i < 119; ++i)
        text += "line\r\n";
    text += "last";
    SetText(text.c_str());
    std::string prompt;
    bool refused = false;
    DialogWatcher watcher("Go To Line", [&](HWND dialog) {
        prompt = WindowText(::GetDlgItem(dialog, IDC_GOTO_LINE_PROMPT));
        for (const char* bad : {"0", "121", ""}) {
            ::SetDlgItemTextA(dialog, IDC_GOTO_LINE_NUMBER, bad);
            ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            refused = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
            if (!refused) return;
        }
        ::SetDlgItemTextA(dialog, IDC_GOTO_LINE_NUMBER, "120");
        ::SendMessageA(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    Command(ID_EDIT_GOTO_LINE);
    EXPECT_TRUE(watcher.Seen());
    EXPECT_EQ(prompt, "Line number(1 - 120):");
    EXPECT_TRUE(refused) << "0, 121 and nothing keep the dialog open";
    EXPECT_EQ(View().Call(SCI_LINEFROMPOSITION, View().Call(SCI_GETCURRENTPOS)), 119);
}
