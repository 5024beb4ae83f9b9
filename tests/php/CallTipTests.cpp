// Help while typing PHP in the main window's view: call tips, completion lists and automatic
// indentation, driven by keystrokes whose notifications take the program's own route.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "SciLexer.h"
#include "ViewTestSupport.h"
#include "config/Settings.h"
#include "php/CallTips.h"
#include "php/PhpCatalog.h"
#include "php/TagWorker.h"
#include "php/ViewSetup.h"
#include "support/TestSupport.h"

using namespace view_testing;

namespace {

class Typing : public ::testing::Test {
  protected:
    void SetUp() override {
        view_ = fixture_.View();
        ASSERT_NE(view_, nullptr);
    }

    // Styled text with the caret at the "|", which is not part of the text.
    void Start(const std::string& textWithCaret) {
        size_t caret = textWithCaret.find('|');
        ASSERT_NE(caret, std::string::npos);
        Call(view_, SCI_CALLTIPCANCEL);
        Call(view_, SCI_AUTOCCANCEL);
        SetStyledText(view_, textWithCaret.substr(0, caret) + textWithCaret.substr(caret + 1));
        Call(view_, SCI_GOTOPOS, caret);
        testing_support::PumpMessages();
        log_.Clear(view_);
    }

    sptr_t Caret() { return Call(view_, SCI_GETCURRENTPOS); }
    sptr_t StyleAtCaret() { return Call(view_, SCI_GETSTYLEAT, Caret()); }
    bool TipShown() { return Call(view_, SCI_CALLTIPACTIVE) != 0; }
    bool ListShown() { return Call(view_, SCI_AUTOCACTIVE) != 0; }
    std::vector<SentMessage> Tips() { return log_.Sent(view_, SCI_CALLTIPSHOW); }
    std::vector<SentMessage> Highlights() { return log_.Sent(view_, SCI_CALLTIPSETHLT); }

    std::string SelectedItem() {
        char text[256] = "";
        Call(view_, SCI_AUTOCGETCURRENTTEXT, 0, reinterpret_cast<sptr_t>(text));
        return text;
    }
    // Every item of the open list, read by walking down it as the user does with the arrow key.
    std::vector<std::string> ListItems() {
        std::vector<std::string> items;
        for (sptr_t index = -1; ListShown() && Call(view_, SCI_AUTOCGETCURRENT) != index;) {
            index = Call(view_, SCI_AUTOCGETCURRENT);
            items.push_back(SelectedItem());
            PressKey(view_, VK_DOWN);
        }
        return items;
    }

    ViewMessageLog log_; // outlives the frame's views
    FrameFixture fixture_;
    HWND view_ = nullptr;
};

// The item texts of a list in the component's format, without their image suffix.
std::vector<std::string> ItemNames(const std::string& list) {
    std::vector<std::string> names;
    std::istringstream stream(list);
    for (std::string item; stream >> item;)
        names.push_back(item.substr(0, item.find('?')));
    return names;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Call tips

TEST_F(Typing, OpeningParenthesisAfterACatalogueFunctionShowsItsTip) {
    // With and without blanks between the name and the parenthesis.
    for (const char* typed : {"strlen(", "strlen (", "strlen \t("}) {
        Start("<?php\n$n = |;\n?>");
        ASSERT_EQ(StyleAtCaret(), SCE_HPHP_OPERATOR);
        sptr_t nameStart = Caret();
        Type(view_, typed);

        EXPECT_TRUE(TipShown()) << typed;
        std::vector<SentMessage> tips = Tips();
        ASSERT_EQ(tips.size(), 1u) << typed;
        EXPECT_EQ(tips[0].text, "int strlen(string string)\nGet string length");
        EXPECT_EQ(static_cast<sptr_t>(tips[0].wParam), nameStart) << typed << ": the tip stands at the name";
        std::vector<SentMessage> highlights = Highlights();
        ASSERT_EQ(highlights.size(), 1u);
        EXPECT_EQ(highlights[0].wParam, 10u); // "(string string" from the "("
        EXPECT_EQ(highlights[0].lParam, 24);  // up to the ")"
        Call(view_, SCI_CALLTIPCANCEL);
    }
}

TEST_F(Typing, MethodNamesFindTheirCatalogueRowAfterTheArrow) {
    Start("<?php\n|\n?>");
    Type(view_, "$db->close(");
    std::vector<SentMessage> tips = Tips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].text, "bool close()\nClose YAZ connection");
    EXPECT_EQ(static_cast<sptr_t>(tips[0].wParam), Caret() - 6);
    EXPECT_TRUE(TipShown());
}

TEST_F(Typing, NoTipWithoutAKnownNameBeforeTheParenthesisOrInHtml) {
    // An unknown name, a parenthesis after an operator, at the start of a line, and a
    // catalogue name spelt in other letter case.
    for (const char* typed : {"nosuchfunction(", "$a + (", "\n(", "STRLEN("}) {
        Start("<?php\n|\n?>");
        Type(view_, typed);
        EXPECT_FALSE(TipShown()) << typed;
        EXPECT_TRUE(Tips().empty()) << typed;
    }

    // The style looked at is that of the character after the caret: here the "<" of a tag.
    Start("<p>strlen|</p>");
    ASSERT_EQ(StyleAtCaret(), SCE_H_TAG);
    Type(view_, "(");
    EXPECT_FALSE(TipShown());
    EXPECT_EQ(Text(view_), "<p>strlen(</p>");

    // At the end of the text the style is 0, the HTML default, where the help is active.
    Start("<p>strlen|");
    Type(view_, "(");
    EXPECT_TRUE(TipShown());
}

TEST_F(Typing, ClosingParenthesisClosesTheTip) {
    Start("<?php\n$n = |;\n?>");
    Type(view_, "strlen($s");
    ASSERT_TRUE(TipShown());
    Type(view_, ")");
    EXPECT_FALSE(TipShown());
    EXPECT_EQ(LineText(view_, 1), "$n = strlen($s);");

    // With no tip shown the parenthesis is only typed.
    Type(view_, ")");
    EXPECT_FALSE(TipShown());
    EXPECT_EQ(LineText(view_, 1), "$n = strlen($s));");
}

TEST_F(Typing, CallTipsWorkAtTheEndOfLinesLongerThanAnyBuffer) {
    std::string padding(70000, ' ');
    Start("<?php\n$n = " + padding + "|;\n?>");
    Type(view_, "strlen(");
    std::vector<SentMessage> tips = Tips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(static_cast<sptr_t>(tips[0].wParam), Caret() - 7);

    // A name far longer than any catalogue name is looked up whole, and found nowhere.
    Start("<?php\n" + std::string(70000, 'a') + "|\n?>");
    Type(view_, "(");
    EXPECT_FALSE(TipShown());
    EXPECT_TRUE(Tips().empty());
}

TEST_F(Typing, FunctionsDeclaredInTheSavedFileGetTheirDeclarationAsTip) {
    if (fixture_.CtagsMissing()) GTEST_SKIP() << "no ctags.exe beside the test program";
    testing_support::TempFolder folder;
    std::string path = folder.Path("index.php");
    ASSERT_TRUE(testing_support::WriteFileBytes(
        path, "<?php\r\nfunction foo($a, $b = 1)\r\n{\r\n}\r\nfunction str_mine() {}\r\n\r\n?>"));
    // Opening the file runs ctags on it, as the program does, off the interface thread.
    ASSERT_TRUE(fixture_.Open(path));
    ASSERT_TRUE(SharedTagWorker().WaitIdle(60000));
    view_ = fixture_.View();

    // Ctrl+Space offers the file's own functions among the catalogue's.
    Call(view_, SCI_COLOURISE, 0, -1);
    Call(view_, SCI_GOTOPOS, Call(view_, SCI_POSITIONFROMLINE, 5));
    Type(view_, "str_");
    TypeCtrlSpace(view_);
    std::vector<std::string> items = ListItems();
    EXPECT_EQ(items.size(), 9u);
    EXPECT_NE(std::find(items.begin(), items.end(), "str_mine"), items.end());
    EXPECT_TRUE(std::is_sorted(items.begin(), items.end()));
    Call(view_, SCI_AUTOCCANCEL);
    Call(view_, SCI_DELETERANGE, Call(view_, SCI_POSITIONFROMLINE, 5), 4);
    Call(view_, SCI_COLOURISE, 0, -1);
    Call(view_, SCI_GOTOPOS, Call(view_, SCI_POSITIONFROMLINE, 5));
    log_.Clear(view_);
    Type(view_, "$x = foo(");
    std::vector<SentMessage> tips = Tips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].text, "function foo($a, $b = 1)");
    std::vector<SentMessage> highlights = Highlights();
    ASSERT_EQ(highlights.size(), 1u);
    EXPECT_EQ(highlights[0].wParam, 12u);
    EXPECT_EQ(highlights[0].lParam, 23);
}

// ---------------------------------------------------------------------------------------
// Completion lists

TEST_F(Typing, CtrlSpaceOffersTheCatalogueNamesThatStartWithTheWord) {
    Start("<?php\n|\n?>");
    Type(view_, "str_");
    TypeCtrlSpace(view_);

    ASSERT_TRUE(ListShown());
    EXPECT_EQ(LineText(view_, 1), "str_") << "the space is taken out again";
    EXPECT_EQ(SelectedItem(), "str_ireplace");
    std::vector<std::string> items = ListItems();
    EXPECT_EQ(items, ItemNames(*CompletionList("str_")));
    EXPECT_EQ(items.size(), 8u);

    // Choosing an item replaces the four typed characters with the whole name, without its
    // image mark.
    Start("<?php\n|\n?>");
    Type(view_, "str_");
    TypeCtrlSpace(view_);
    PressKey(view_, VK_DOWN);
    PressKey(view_, VK_RETURN);
    EXPECT_EQ(LineText(view_, 1), "str_pad");
}

TEST_F(Typing, CtrlSpaceWithoutAWordBeforeItOnlyRemovesTheSpace) {
    // After "$", at the start of a line, and after a word that no catalogue name starts with.
    for (const char* typed : {"$", "", "zzz", "$x = "}) {
        Start("<?php\n|\n?>");
        Type(view_, typed);
        TypeCtrlSpace(view_);
        EXPECT_FALSE(ListShown()) << typed;
        EXPECT_EQ(LineText(view_, 1), typed);
    }

    // Without Ctrl, or outside PHP, the space stays.
    Start("<?php\n|\n?>");
    Type(view_, "str_ ");
    EXPECT_FALSE(ListShown());
    EXPECT_EQ(LineText(view_, 1), "str_ ");

    Start("<p>str_|</p>");
    TypeCtrlSpace(view_);
    EXPECT_FALSE(ListShown());
    EXPECT_EQ(Text(view_), "<p>str_ </p>");
}

TEST_F(Typing, DollarUnderscoreOffersTheSuperglobals) {
    const std::vector<std::string> superglobals = {"$_COOKIE", "$_ENV",     "$_FILES",  "$_GET",
                                                   "$_POST",   "$_REQUEST", "$_SERVER", "$_SESSION"};
    // After a blank, after another "$" (not a word character) and at the very start.
    for (const char* start : {"<?php\necho |;\n?>", "<?php\n$|;\n?>", "|"}) {
        Start(start);
        Type(view_, "$_");
        ASSERT_TRUE(ListShown()) << start;
        EXPECT_EQ(ListItems(), superglobals) << start;
    }
    // The "$_" typed counts as entered: choosing replaces it.
    Start("<?php\necho |;\n?>");
    Type(view_, "$_");
    PressKey(view_, VK_DOWN);
    PressKey(view_, VK_RETURN);
    EXPECT_EQ(LineText(view_, 1), "echo $_ENV;");

    // Inside a word, or in HTML text, nothing.
    for (const char* typed : {"a$_", "1$_", "__", "x_"}) {
        Start("<?php\n|\n?>");
        Type(view_, typed);
        EXPECT_FALSE(ListShown()) << typed;
    }
    Start("<p>|</p>");
    Type(view_, "$_");
    EXPECT_FALSE(ListShown()) << "not in HTML text";
}

// ---------------------------------------------------------------------------------------
// Automatic indentation

TEST_F(Typing, EnterAtALineEndCopiesTheIndentationAndAddsATabAfterABrace) {
    Start("<?php\n    if ($a) {|\n?>");
    Type(view_, "\n");
    EXPECT_EQ(LineText(view_, 2), "    \t");
    EXPECT_EQ(Caret(), Call(view_, SCI_GETLINEENDPOSITION, 2));

    // Blanks after the brace do not matter; a line without indentation gets only the tab.
    Start("<?php\nfunction f() {  \t|\n?>");
    Type(view_, "\n");
    EXPECT_EQ(LineText(view_, 2), "\t");

    Start("<?php\n\t  $a = 1;|\n?>");
    Type(view_, "\n");
    EXPECT_EQ(LineText(view_, 2), "\t  ");

    // A line of blanks only passes them on, with no brace to add a tab for.
    Start("<?php\n  \t|\n?>");
    Type(view_, "\n");
    EXPECT_EQ(LineText(view_, 2), "  \t");

    // Lines that end in CR alone: Enter is a CR there.
    Start("<?php\r    if ($a) {|\r?>");
    Call(view_, SCI_SETEOLMODE, SC_EOL_CR);
    Type(view_, "\n");
    EXPECT_EQ(LineText(view_, 2), "    \t");

    // A break inside a line leaves text on the new line: no indentation.
    Start("<?php\n    foo|($a);\n?>");
    Type(view_, "\n");
    EXPECT_EQ(LineText(view_, 1), "    foo");
    EXPECT_EQ(LineText(view_, 2), "($a);");
}

TEST_F(Typing, ClosingBraceTakesBackOneBlank) {
    Start("<?php\n    if ($a) {|\n?>");
    Type(view_, "\n}");
    EXPECT_EQ(LineText(view_, 2), "    }");

    Start("<?php\n\t\t|\n?>");
    Type(view_, "}");
    EXPECT_EQ(LineText(view_, 1), "\t}");

    // After other text, and on the first line, nothing is taken.
    Start("<?php\n    $a = 1;|\n?>");
    Type(view_, "}");
    EXPECT_EQ(LineText(view_, 1), "    $a = 1;}");
    Start("\t|");
    Type(view_, "}");
    EXPECT_EQ(Text(view_), "\t}");
}

// ---------------------------------------------------------------------------------------
// The user's own functions, through the handler with a stand-in for the tag index.

namespace {

class UserFunctions : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ = ::CreateWindowExA(0, "Scintilla", "", WS_POPUP, 0, 0, 600, 300, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        view_ = EditorView(window_);
        SetUpView(view_, settings_);
    }
    void TearDown() override { ::DestroyWindow(window_); }

    // Types "(" after `line` in a PHP block and lets the handler react, as the frame would.
    bool TypeParenthesis(const std::string& line, const std::string& path) {
        SetStyledText(window_, "<?php\n" + line + "\n?>");
        Call(window_, SCI_GOTOPOS, 6 + line.size());
        log_.Clear(window_);
        view_.Call(SCI_ADDTEXT, 1, "(");
        return CharAddedHandler(view_, '(', path, lookup_);
    }

    ViewMessageLog log_;
    Settings settings_;
    HWND window_ = nullptr;
    EditorView view_;
    std::vector<std::string> asked_;
    std::optional<std::string> declaration_;
    UserFunctionLookup lookup_ = [this](const std::string& name, const std::string& path) {
        asked_.push_back(name + "@" + path);
        return declaration_;
    };
};

} // namespace

TEST_F(UserFunctions, TheTagIndexIsAskedOnlyForSavedDocumentsAndUnknownNames) {
    declaration_ = "function foo($a, $b = 1)";
    EXPECT_TRUE(TypeParenthesis("$x = foo", "C:\\site\\index.php"));
    EXPECT_EQ(asked_, std::vector<std::string>{"foo@C:\\site\\index.php"});
    std::vector<SentMessage> tips = log_.Sent(window_, SCI_CALLTIPSHOW);
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_EQ(tips[0].text, "function foo($a, $b = 1)");
    EXPECT_EQ(tips[0].wParam, 6u + 5u);
    std::vector<SentMessage> highlights = log_.Sent(window_, SCI_CALLTIPSETHLT);
    ASSERT_EQ(highlights.size(), 1u);
    EXPECT_EQ(highlights[0].wParam, 12u);
    EXPECT_EQ(highlights[0].lParam, 23);

    asked_.clear();
    EXPECT_TRUE(TypeParenthesis("$x = foo", ""));
    EXPECT_TRUE(asked_.empty()) << "an untitled document has no tag file";
    EXPECT_TRUE(log_.Sent(window_, SCI_CALLTIPSHOW).empty());

    EXPECT_TRUE(TypeParenthesis("$x = strlen", "C:\\site\\index.php"));
    EXPECT_TRUE(asked_.empty()) << "the catalogue answers first";
}

TEST_F(UserFunctions, ADeclarationCutShortGetsATipWithoutHighlight) {
    // ctags keeps only the first line of a parameter list spread over several.
    declaration_ = "function multi($a,";
    TypeParenthesis("multi", "C:\\site\\index.php");
    ASSERT_EQ(log_.Sent(window_, SCI_CALLTIPSHOW).size(), 1u);
    EXPECT_TRUE(log_.Sent(window_, SCI_CALLTIPSETHLT).empty());

    declaration_ = "";
    TypeParenthesis("multi", "C:\\site\\index.php");
    EXPECT_TRUE(log_.Sent(window_, SCI_CALLTIPSHOW).empty());
}
