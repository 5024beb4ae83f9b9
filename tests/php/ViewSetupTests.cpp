// The set-up of a new editing view, fold-margin clicks and bracket highlighting, on the views the
// main window creates, read back from the component.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ILexer.h"
#include "Lexilla.h"
#include "SciLexer.h"
#include "ViewTestSupport.h"
#include "config/ConfigTestSupport.h"
#include "config/Settings.h"
#include "php/PhpCatalog.h"
#include "php/ViewSetup.h"
#include "support/TestSupport.h"

using namespace view_testing;

namespace {

std::string Property(HWND view, const char* key) {
    char value[64] = "";
    Call(view, SCI_GETPROPERTY, reinterpret_cast<uptr_t>(key), reinterpret_cast<sptr_t>(value));
    return value;
}

std::string LexerLanguage(HWND view) {
    char name[64] = "";
    Call(view, SCI_GETLEXERLANGUAGE, 0, reinterpret_cast<sptr_t>(name));
    return name;
}

sptr_t Find(HWND view, const std::string& text) {
    size_t at = Text(view).find(text);
    return at == std::string::npos ? -1 : static_cast<sptr_t>(at);
}

class NewView : public ::testing::Test {
  protected:
    void SetUp() override {
        view_ = fixture_.View();
        ASSERT_NE(view_, nullptr);
    }

    // The log is declared first: it has to outlive the frame's views.
    ViewMessageLog log_;
    FrameFixture fixture_;
    HWND view_ = nullptr;
};

} // namespace

TEST(LexerCatalogue, ServesTheHtmlLexerAndItsSiblingsByName) {
    std::set<std::string> names;
    for (int i = 0; i < GetLexerCount(); ++i) {
        char name[32] = "";
        GetLexerName(static_cast<unsigned int>(i), name, sizeof(name));
        Scintilla::ILexer5* lexer = CreateLexer(name);
        ASSERT_NE(lexer, nullptr) << name;
        EXPECT_STREQ(lexer->GetName(), name);
        lexer->Release();
        names.insert(name);
    }
    EXPECT_EQ(names, (std::set<std::string>{"hypertext", "xml", "phpscript"}));
    EXPECT_EQ(CreateLexer("cpp"), nullptr);
    EXPECT_EQ(CreateLexer("Hypertext"), nullptr);
    // A name that does not fit the buffer is not cut short: the buffer is left empty.
    char small[4] = "abc";
    GetLexerName(0, small, sizeof(small));
    EXPECT_STREQ(small, "");
}

TEST_F(NewView, GetsTheHtmlLexerFirstThenItsPropertiesAndThePhpKeywords) {
    // "xml" shares the lexer's class and styles: only the name tells them apart.
    EXPECT_EQ(LexerLanguage(view_), "hypertext");
    EXPECT_EQ(Property(view_, "fold"), "1");
    EXPECT_EQ(Property(view_, "fold.compact"), "0");
    EXPECT_EQ(Property(view_, "fold.html"), "1");
    EXPECT_EQ(Call(view_, SCI_GETCODEPAGE), SC_CP_UTF8);

    // Properties and keywords sent before the lexer exists would be lost.
    std::vector<SentMessage> sent = log_.Sent(view_);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().message, static_cast<unsigned int>(SCI_SETILEXER));
    // The shipped settings add their lists; the PHP set starts with the catalogue's names.
    std::vector<SentMessage> keywords = log_.Sent(view_, SCI_SETKEYWORDS);
    ASSERT_FALSE(keywords.empty());
    auto php =
        std::find_if(keywords.begin(), keywords.end(), [](const SentMessage& m) { return m.wParam == 4; });
    ASSERT_NE(php, keywords.end());
    EXPECT_EQ(php->text.substr(0, KeywordList().size()), KeywordList());
}

TEST(KeywordLists, ColourWhatTheSettingsListAndNothingChangesWithoutThem) {
    const std::string page =
        "<!DOCTYPE html>\n<html><body><div class=\"a\" data-id=\"1\" "
        "onclick=\"go()\"><blink>x</blink></div>\n"
        "<script>let n = 0; if (n) { n = null; }</script>\n"
        "<?php foreach ($a as $b) { if ($b === TRUE) require_once __DIR__ . '/x.php'; echo strlen($b); } ?>\n"
        "</body></html>\n";
    testing_support::TempFolder folder;
    std::string shipped;
    ASSERT_TRUE(
        testing_support::ReadFileBytes(config_testing::SourcePath("src/config/Quillmark.xml"), shipped));
    const std::string settingsTexts[] = {
        "<Q><Colors/></Q>",
        shipped,
        // Lists of one set add up; a Set that is not one digit 0-5 is no set.
        "<Q><Keywords Set='0'>html body script\n\tdiv</Keywords><Keywords Set='0'>class</Keywords>"
        "<Keywords Set='00'>blink</Keywords><Keywords Set='4 '>require_once</Keywords>"
        "<Keywords Set='4'>foreach</Keywords></Q>",
    };
    struct Row {
        const char* word;
        int styles[3]; // without lists, with the shipped ones, with the test's own
    } rows[] = {
        {"DOCTYPE", {SCE_H_SGML_ERROR, SCE_H_SGML_COMMAND, SCE_H_SGML_ERROR}},
        {"div", {SCE_H_TAG, SCE_H_TAG, SCE_H_TAG}},
        {"blink", {SCE_H_TAG, SCE_H_TAGUNKNOWN, SCE_H_TAGUNKNOWN}},
        {"class", {SCE_H_ATTRIBUTE, SCE_H_ATTRIBUTE, SCE_H_ATTRIBUTE}},
        {"onclick", {SCE_H_ATTRIBUTE, SCE_H_ATTRIBUTE, SCE_H_ATTRIBUTEUNKNOWN}},
        {"data-id", {SCE_H_ATTRIBUTE, SCE_H_ATTRIBUTEUNKNOWN, SCE_H_ATTRIBUTEUNKNOWN}},
        {"let", {SCE_HJ_WORD, SCE_HJ_KEYWORD, SCE_HJ_WORD}},
        {"null;", {SCE_HJ_WORD, SCE_HJ_KEYWORD, SCE_HJ_WORD}},
        {"foreach", {SCE_HPHP_DEFAULT, SCE_HPHP_WORD, SCE_HPHP_WORD}},
        {"TRUE", {SCE_HPHP_DEFAULT, SCE_HPHP_WORD, SCE_HPHP_DEFAULT}},
        {"require_once", {SCE_HPHP_DEFAULT, SCE_HPHP_WORD, SCE_HPHP_DEFAULT}},
        {"__DIR__", {SCE_HPHP_DEFAULT, SCE_HPHP_WORD, SCE_HPHP_DEFAULT}},
        {"strlen", {SCE_HPHP_WORD, SCE_HPHP_WORD, SCE_HPHP_WORD}},
    };
    for (int kind = 0; kind < 3; ++kind) {
        bool loaded = false;
        Settings settings = config_testing::SettingsFromText(folder, settingsTexts[kind], &loaded);
        ASSERT_TRUE(loaded) << kind;
        ViewMessageLog log;
        HWND view = ::CreateWindowExA(0, "Scintilla", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                      nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(view, nullptr);
        SetUpView(EditorView(view), settings);
        SetStyledText(view, page);
        for (const Row& row : rows)
            EXPECT_EQ(Call(view, SCI_GETSTYLEAT, Find(view, row.word)), row.styles[kind])
                << row.word << " with settings " << kind;
        if (kind == 0) {
            std::vector<SentMessage> keywords = log.Sent(view, SCI_SETKEYWORDS);
            ASSERT_EQ(keywords.size(), 1u) << "without lists only the PHP set is sent";
            EXPECT_EQ(keywords[0].wParam, 4u);
            EXPECT_EQ(keywords[0].text, KeywordList());
        }
        ::DestroyWindow(view);
    }
}

TEST_F(NewView, HasALineNumberMarginAndAClickableFoldMarginWithGreyMarkers) {
    // "_9999" measured in the component's own line-number font, before the settings restyled
    // everything: a fresh component window measures it the same way.
    HWND bare = ::CreateWindowExA(0, "Scintilla", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(bare, nullptr);
    sptr_t expected = Call(bare, SCI_TEXTWIDTH, STYLE_LINENUMBER, reinterpret_cast<sptr_t>("_9999"));
    ::DestroyWindow(bare);
    EXPECT_EQ(Call(view_, SCI_GETMARGINWIDTHN, 0), expected);
    EXPECT_EQ(Call(view_, SCI_GETMARGINTYPEN, 0), SC_MARGIN_NUMBER);
    EXPECT_EQ(Call(view_, SCI_GETMARGINWIDTHN, 1), 14);
    EXPECT_EQ(Call(view_, SCI_GETMARGINTYPEN, 1), SC_MARGIN_SYMBOL);
    EXPECT_EQ(static_cast<unsigned int>(Call(view_, SCI_GETMARGINMASKN, 1)), SC_MASK_FOLDERS);
    EXPECT_EQ(Call(view_, SCI_GETMARGINSENSITIVEN, 1), 1);

    const std::map<int, int> shapes = {
        {SC_MARKNUM_FOLDER, SC_MARK_PLUS},           {SC_MARKNUM_FOLDEROPEN, SC_MARK_MINUS},
        {SC_MARKNUM_FOLDEREND, SC_MARK_EMPTY},       {SC_MARKNUM_FOLDEROPENMID, SC_MARK_EMPTY},
        {SC_MARKNUM_FOLDERMIDTAIL, SC_MARK_TCORNER}, {SC_MARKNUM_FOLDERSUB, SC_MARK_VLINE},
        {SC_MARKNUM_FOLDERTAIL, SC_MARK_LCORNER}};
    for (auto [number, shape] : shapes)
        EXPECT_EQ(Call(view_, SCI_MARKERSYMBOLDEFINED, number), shape) << "marker " << number;
    // The component has no getter for marker colours or fold flags: read what was handed over.
    std::map<int, sptr_t> backs, fores;
    for (const SentMessage& m : log_.Sent(view_, SCI_MARKERSETBACK))
        backs[static_cast<int>(m.wParam)] = m.lParam;
    for (const SentMessage& m : log_.Sent(view_, SCI_MARKERSETFORE))
        fores[static_cast<int>(m.wParam)] = m.lParam;
    EXPECT_EQ(backs, (std::map<int, sptr_t>{{SC_MARKNUM_FOLDER, 0x808080},
                                            {SC_MARKNUM_FOLDERMIDTAIL, 0x808080},
                                            {SC_MARKNUM_FOLDERSUB, 0x808080},
                                            {SC_MARKNUM_FOLDERTAIL, 0x808080}}));
    EXPECT_EQ(fores, (std::map<int, sptr_t>{{SC_MARKNUM_FOLDEROPEN, 0x808080}}));
    std::vector<SentMessage> flags = log_.Sent(view_, SCI_SETFOLDFLAGS);
    ASSERT_EQ(flags.size(), 1u);
    EXPECT_EQ(flags[0].wParam, static_cast<uptr_t>(SC_FOLDFLAG_LINEAFTER_CONTRACTED));
}

TEST_F(NewView, RegistersTwoWellFormedListImages) {
    // The component drops a malformed image without a word: check each one's shape.
    std::vector<SentMessage> images = log_.Sent(view_, SCI_REGISTERIMAGE);
    ASSERT_EQ(images.size(), 2u);
    for (size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(images[i].wParam, i + 1);
        auto lines = reinterpret_cast<const char* const*>(images[i].lParam);
        int width = 0, height = 0, colours = 0, perPixel = 0;
        ASSERT_EQ(sscanf(lines[0], "%d %d %d %d", &width, &height, &colours, &perPixel), 4);
        EXPECT_TRUE(width == 16 && height == 16 && perPixel == 1) << lines[0];
        EXPECT_STREQ(lines[1], " \tc #FFFFFF");
        std::set<char> palette, used;
        for (int c = 1; c <= colours; ++c) {
            std::string line = lines[c];
            EXPECT_TRUE(line.size() == 11 && line.compare(1, 4, "\tc #") == 0 &&
                        line.find_first_not_of("0123456789ABCDEF", 5) == std::string::npos)
                << line;
            palette.insert(line[0]);
        }
        for (int row = 0; row < height; ++row) {
            std::string pixels = lines[1 + colours + row];
            EXPECT_EQ(pixels.size(), 16u) << "image " << i + 1 << " row " << row + 1;
            used.insert(pixels.begin(), pixels.end());
        }
        EXPECT_EQ(used, palette) << "image " << i + 1 << ": every colour used, no pixel outside the palette";
    }
}

TEST_F(NewView, TreatsVariablesAndHashesAsOneWord) {
    SetStyledText(view_, "<?php echo $count+#tag; ?>");
    sptr_t dollar = Find(view_, "$count");
    EXPECT_EQ(Call(view_, SCI_WORDSTARTPOSITION, dollar + 3, 1), dollar);
    EXPECT_EQ(Call(view_, SCI_WORDENDPOSITION, dollar + 3, 1), dollar + 6);
    sptr_t hash = Find(view_, "#tag");
    EXPECT_EQ(Call(view_, SCI_WORDSTARTPOSITION, hash + 2, 1), hash);
}

TEST_F(NewView, ColoursCatalogueNamesAndTheThreeLanguageWordsAsPhpKeywords) {
    SetStyledText(view_,
                  "<p>strlen</p>\n<?php\nfunction f($count) {\n    return strlen($count) + strlenx(1);\n}\n"
                  "class C {}\n?>");
    for (const char* word : {"function", "return", "strlen(", "class"})
        EXPECT_EQ(Call(view_, SCI_GETSTYLEAT, Find(view_, word)), SCE_HPHP_WORD) << word;
    // Only whole names, and only in PHP.
    EXPECT_EQ(Call(view_, SCI_GETSTYLEAT, Find(view_, "strlenx")), SCE_HPHP_DEFAULT);
    EXPECT_EQ(Call(view_, SCI_GETSTYLEAT, Find(view_, "strlen</p>")), SCE_H_DEFAULT);
}

// ---------------------------------------------------------------------------------------
// Fold-margin clicks, as mouse clicks on the view: SCN_MARGINCLICK goes through the frame.

namespace {

class FoldMargin : public NewView {
  protected:
    void SetUp() override {
        NewView::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        // The frame is hidden; the view still has its size from the tab strip.
        SetStyledText(view_, "<div>\n<p>\nline\n</p>\n</div>\nlast");
        ASSERT_TRUE(Call(view_, SCI_GETFOLDLEVEL, 0) & SC_FOLDLEVELHEADERFLAG);
        ASSERT_TRUE(Call(view_, SCI_GETFOLDLEVEL, 1) & SC_FOLDLEVELHEADERFLAG);
        ASSERT_FALSE(Call(view_, SCI_GETFOLDLEVEL, 2) & SC_FOLDLEVELHEADERFLAG);
        Call(view_, SCI_DOCUMENTEND);
    }

    void ClickMargin(int margin, sptr_t line) {
        int x = 0;
        for (int m = 0; m < margin; ++m)
            x += static_cast<int>(Call(view_, SCI_GETMARGINWIDTHN, m));
        x += static_cast<int>(Call(view_, SCI_GETMARGINWIDTHN, margin)) / 2;
        sptr_t position = Call(view_, SCI_POSITIONFROMLINE, line);
        int y = static_cast<int>(Call(view_, SCI_POINTYFROMPOSITION, 0, position) +
                                 Call(view_, SCI_TEXTHEIGHT, line) / 2);
        ::SendMessageA(view_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        ::SendMessageA(view_, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        testing_support::PumpMessages();
    }

    bool Expanded(sptr_t line) { return Call(view_, SCI_GETFOLDEXPANDED, line) != 0; }
    bool Visible(sptr_t line) { return Call(view_, SCI_GETLINEVISIBLE, line) != 0; }
    sptr_t Caret() { return Call(view_, SCI_GETCURRENTPOS); }
};

} // namespace

TEST_F(FoldMargin, AClickOnAHeaderFoldsItAndMovesTheCaretThere) {
    ClickMargin(1, 1);
    EXPECT_FALSE(Expanded(1));
    EXPECT_FALSE(Visible(2));
    EXPECT_TRUE(Visible(4));
    EXPECT_EQ(Caret(), Call(view_, SCI_POSITIONFROMLINE, 1));

    ClickMargin(1, 0);
    EXPECT_FALSE(Expanded(0));
    EXPECT_FALSE(Visible(1));
    EXPECT_EQ(Caret(), 0);

    // Unfolding the outer header shows its lines again; the inner one stays folded.
    ClickMargin(1, 0);
    EXPECT_TRUE(Expanded(0));
    EXPECT_TRUE(Visible(1));
    EXPECT_FALSE(Visible(2));
}

TEST_F(FoldMargin, ClicksBesideOrdinaryLinesOrInTheLineNumbersFoldNothing) {
    ClickMargin(1, 2);
    EXPECT_EQ(Caret(), Call(view_, SCI_POSITIONFROMLINE, 2));
    ClickMargin(0, 1);
    // Not even when the line numbers report their clicks too.
    Call(view_, SCI_SETMARGINSENSITIVEN, 0, 1);
    ClickMargin(0, 1);
    for (sptr_t line = 0; line <= 5; ++line)
        EXPECT_TRUE(Visible(line) && Expanded(line)) << line;
}

// ---------------------------------------------------------------------------------------
// Bracket highlighting after caret moves. The component has no getter for its bracket
// highlight, so the check is what the frame's SCN_UPDATEUI handling hands to the view.

namespace {

struct BraceCase {
    const char* text;
    const char* caretAfter; // the caret goes right after the first occurrence of this text
    unsigned int message;   // SCI_BRACEHIGHLIGHT or SCI_BRACEBADLIGHT
    sptr_t first;
    sptr_t second;
};

} // namespace

TEST_F(NewView, HighlightsTheInnermostOpenBracketBeforeTheCaretOnItsLine) {
    const BraceCase cases[] = {
        // The partner lies after the caret.
        {"foo(a, [b])", "[b", SCI_BRACEHIGHLIGHT, 7, 9},
        // The partner lies right at the caret.
        {"foo(a, [])", "[", SCI_BRACEHIGHLIGHT, 7, 8},
        // No partner at all.
        {"foo(a, [b", "[b", SCI_BRACEBADLIGHT, 7, 0},
        // Closed before the caret: nothing open is left on the line.
        {"(a) x", "(a)", SCI_BRACEBADLIGHT, INVALID_POSITION, 0},
        // A closed inner pair is passed over for the enclosing one.
        {"f(a(b)c)", "(b)c", SCI_BRACEHIGHLIGHT, 1, 7},
        {"{ if (a) [x] }", "[x]", SCI_BRACEHIGHLIGHT, 0, 13},
        // The scan stays on the caret's line, even when the bracket before it is open.
        {"f(\nabc)", "ab", SCI_BRACEBADLIGHT, INVALID_POSITION, 0},
        // Angle brackets count: an HTML tag.
        {"<p>text</p>", "<p", SCI_BRACEHIGHLIGHT, 0, 2},
        // Only a closing bracket of the bracket's own style closes it, not one in a string.
        {"<?php foo(\")\", $a", "$a", SCI_BRACEBADLIGHT, 9, 0},
        {"<?php foo(\")\", $a)", "$a", SCI_BRACEHIGHLIGHT, 9, 17},
    };
    for (const BraceCase& c : cases) {
        SetStyledText(view_, c.text);
        testing_support::PumpMessages();
        log_.Clear(view_);
        std::string text = c.text;
        Call(view_, SCI_GOTOPOS, text.find(c.caretAfter) + strlen(c.caretAfter));
        testing_support::PumpMessages();

        std::vector<SentMessage> sent = log_.Sent(view_);
        auto last = std::find_if(sent.rbegin(), sent.rend(), [](const SentMessage& m) {
            return m.message == SCI_BRACEHIGHLIGHT || m.message == SCI_BRACEBADLIGHT;
        });
        ASSERT_NE(last, sent.rend()) << c.text << ": no highlight after the caret moved";
        EXPECT_EQ(last->message, c.message) << c.text;
        EXPECT_EQ(static_cast<sptr_t>(last->wParam), c.first) << c.text;
        if (c.message == SCI_BRACEHIGHLIGHT) {
            EXPECT_EQ(last->lParam, c.second) << c.text;
        }
    }
}

TEST_F(NewView, HighlightsBracketsOnLinesLongerThanAnyBuffer) {
    const size_t length = 100000;
    std::string text = "(" + std::string(length, 'a') + std::string(length, 'b') + ")";
    SetStyledText(view_, text);
    testing_support::PumpMessages();
    log_.Clear(view_);
    Call(view_, SCI_GOTOPOS, 1 + 2 * length);
    testing_support::PumpMessages();
    std::vector<SentMessage> lit = log_.Sent(view_, SCI_BRACEHIGHLIGHT);
    ASSERT_FALSE(lit.empty());
    EXPECT_EQ(lit.back().wParam, 0u);
    EXPECT_EQ(lit.back().lParam, static_cast<sptr_t>(1 + 2 * length));
}

TEST_F(NewView, LooksBackABoundedStretchOfALongLineForEachCaretMove) {
    // A minified script: megabytes on one line, brackets everywhere, all of them closed.
    std::string text;
    for (int i = 0; i < 400000; ++i)
        text += "f(a)";
    SetStyledText(view_, text);
    testing_support::PumpMessages();
    log_.Clear(view_);
    Call(view_, SCI_GOTOPOS, text.size());
    testing_support::PumpMessages();
    // The text is read in blocks of 512 bytes: the look back covers 256 KB, not 1.6 MB, and no
    // closed pair costs a partner search of its own.
    EXPECT_LE(log_.Sent(view_, SCI_GETTEXTRANGEFULL).size(), 256u * 1024 / 512 + 2);
    EXPECT_LE(log_.Sent(view_, SCI_BRACEMATCH).size(), 1u);
    EXPECT_FALSE(log_.Sent(view_, SCI_BRACEBADLIGHT).empty());
}

TEST_F(NewView, WidensTheLineNumbersOnlyForMoreDigits) {
    sptr_t setUpWidth = Call(view_, SCI_GETMARGINWIDTHN, 0);
    auto lines = [](int count) {
        std::string text;
        for (int i = 1; i < count; ++i)
            text += "<p>line</p>\n";
        return text;
    };
    auto widthOf = [this](const char* text) {
        return Call(view_, SCI_TEXTWIDTH, STYLE_LINENUMBER, reinterpret_cast<sptr_t>(text));
    };
    const struct {
        int lines;
        const char* widest;
    } cases[] = {{9999, nullptr}, {12345, "_12345"}, {1234567, "_1234567"}, {100, nullptr}};
    for (const auto& c : cases) {
        Call(view_, SCI_SETTEXT, 0, reinterpret_cast<sptr_t>(lines(c.lines).c_str()));
        testing_support::PumpMessages();
        ASSERT_EQ(Call(view_, SCI_GETLINECOUNT), c.lines);
        if (c.widest) {
            EXPECT_GE(Call(view_, SCI_GETMARGINWIDTHN, 0), widthOf(c.widest)) << c.lines;
        } else {
            EXPECT_EQ(Call(view_, SCI_GETMARGINWIDTHN, 0), setUpWidth) << c.lines;
        }
    }
}

TEST_F(NewView, LinesOfALoadedFileGetTheirDigitsToo) {
    testing_support::TempFolder folder;
    std::string path = folder.Path("numbers.php");
    std::string text;
    for (int i = 1; i < 12345; ++i)
        text += "x\r\n";
    ASSERT_TRUE(testing_support::WriteFileBytes(path, text));
    ASSERT_TRUE(fixture_.Open(path));
    testing_support::PumpMessages();
    HWND view = fixture_.View();
    EXPECT_GE(Call(view, SCI_GETMARGINWIDTHN, 0),
              Call(view, SCI_TEXTWIDTH, STYLE_LINENUMBER, reinterpret_cast<sptr_t>("_12345")));
}

TEST_F(NewView, ColoursTheLinesAJumpShowsBeforeShowingThem) {
    std::string text;
    // About 200 KB, none of it coloured yet: the hidden frame never paints its view.
    for (int i = 0; i < 5000; ++i)
        text += "<div>\n<?php echo strlen($i); ?>\n</div>\n";
    Call(view_, SCI_SETTEXT, 0, reinterpret_cast<sptr_t>(text.c_str()));
    testing_support::PumpMessages();
    sptr_t target = Call(view_, SCI_GETLINECOUNT) - 30;
    Call(view_, SCI_GOTOLINE, target);
    Call(view_, SCI_SCROLLCARET);
    testing_support::PumpMessages();
    sptr_t first = Call(view_, SCI_GETFIRSTVISIBLELINE);
    sptr_t last = std::min<sptr_t>(first + Call(view_, SCI_LINESONSCREEN), Call(view_, SCI_GETLINECOUNT) - 1);
    ASSERT_GT(first, 14000);
    EXPECT_GE(Call(view_, SCI_GETENDSTYLED), Call(view_, SCI_GETLINEENDPOSITION, last));
    // Colours and fold markers both: the lexer sets the fold levels as it colours.
    for (sptr_t line = first; line <= last; ++line) {
        std::string shown = LineText(view_, line);
        if (shown.rfind("<div>", 0) == 0) {
            EXPECT_TRUE(Call(view_, SCI_GETFOLDLEVEL, line) & SC_FOLDLEVELHEADERFLAG) << line;
        } else if (shown.rfind("<?php", 0) == 0) {
            EXPECT_EQ(Call(view_, SCI_GETSTYLEAT, Call(view_, SCI_POSITIONFROMLINE, line) + 11),
                      SCE_HPHP_WORD)
                << line;
        }
    }
}

TEST_F(NewView, DrawsTextFarPastTheColouredPartOnlyOnceTheLexerHasReachedIt) {
    constexpr int uncoloured = INDICATOR_CONTAINER;
    std::string text;
    for (int i = 0; i < 40000; ++i)
        text += "<div>\n<?php echo strlen($i); ?>\n</div>\n";
    Call(view_, SCI_SETTEXT, 0, reinterpret_cast<sptr_t>(text.c_str()));
    HWND frame = ::GetAncestor(view_, GA_ROOT);
    ::ShowWindow(frame, SW_SHOWNOACTIVATE);
    ::UpdateWindow(frame);
    testing_support::PumpMessages();
    Call(view_, SCI_DOCUMENTEND);

    // Paint after paint while the component colours in slices: what it draws is either coloured
    // already or hidden in the background colour, up to the last shown line.
    sptr_t first = 0, end = 0;
    bool coloured = false;
    for (int round = 0; round < 3000 && !coloured; ++round) {
        ::UpdateWindow(view_);
        first = Call(view_, SCI_POSITIONFROMLINE, Call(view_, SCI_GETFIRSTVISIBLELINE));
        end = Call(view_, SCI_GETLENGTH);
        sptr_t styled = Call(view_, SCI_GETENDSTYLED);
        coloured = styled >= end;
        if (!coloured) {
            sptr_t from = std::max(first, styled);
            ASSERT_TRUE(Call(view_, SCI_INDICATORVALUEAT, uncoloured, from)) << "round " << round;
            ASSERT_GE(Call(view_, SCI_INDICATOREND, uncoloured, from), end) << "round " << round;
            ASSERT_EQ(Call(view_, SCI_GETCARETPERIOD), 0);
        }
        testing_support::PumpMessages(5);
    }
    ASSERT_TRUE(coloured);
    EXPECT_EQ(Call(view_, SCI_INDICATORVALUEAT, uncoloured, end - 1), 0) << "nothing stays hidden";
    EXPECT_EQ(Call(view_, SCI_GETCARETPERIOD), static_cast<sptr_t>(::GetCaretBlinkTime()))
        << "the caret blinks again";
    EXPECT_EQ(Call(view_, SCI_GETSTYLEAT, end - 22), SCE_HPHP_WORD); // "strlen" on the last PHP line
    EXPECT_EQ(Call(view_, SCI_INDICGETSTYLE, uncoloured), INDIC_TEXTFORE);
    EXPECT_EQ(Call(view_, SCI_INDICGETFORE, uncoloured), Call(view_, SCI_STYLEGETBACK, 0));
}
