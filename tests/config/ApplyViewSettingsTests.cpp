// Styling a real editing-component view from settings files, read back from the component.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "ConfigTestSupport.h"
#include "SciLexer.h"
#include "config/ApplyViewSettings.h"
#include "config/Settings.h"
#include "config/StyleNameTable.h"
#include "win/EditorView.h"

using namespace testing_support;
using config_testing::SettingsFromText;

namespace {

struct ViewStyle {
    std::string font;
    int size;
    COLORREF fore;
    COLORREF back;
    bool bold;
    bool italic;
    bool underline;
};

class ViewStyling : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ = ::CreateWindowExA(0, "Scintilla", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        view_ = EditorView(window_);
    }
    void TearDown() override {
        if (window_) ::DestroyWindow(window_);
    }

    void Apply(const std::string& xml) {
        Settings settings = SettingsFromText(folder_, xml);
        ApplyViewSettings(view_, settings);
    }
    // The entries of a file whose root holds only Colors.
    void ApplyParams(const std::string& params) { Apply("<Q><Colors>" + params + "</Colors></Q>"); }

    ViewStyle Style(int style) const {
        char font[128] = "";
        view_.Call(SCI_STYLEGETFONT, style, font);
        return {font,
                static_cast<int>(view_.Call(SCI_STYLEGETSIZE, style)),
                static_cast<COLORREF>(view_.Call(SCI_STYLEGETFORE, style)),
                static_cast<COLORREF>(view_.Call(SCI_STYLEGETBACK, style)),
                view_.Call(SCI_STYLEGETBOLD, style) != 0,
                view_.Call(SCI_STYLEGETITALIC, style) != 0,
                view_.Call(SCI_STYLEGETUNDERLINE, style) != 0};
    }
    int WrapMode() const { return static_cast<int>(view_.Call(SCI_GETWRAPMODE)); }

    void ExpectDefault(int style) const {
        ViewStyle s = Style(style);
        EXPECT_EQ(s.font, "Arial") << "style " << style;
        EXPECT_EQ(s.size, 9) << "style " << style;
        EXPECT_EQ(s.fore, RGB(0, 0, 0)) << "style " << style;
        EXPECT_EQ(s.back, RGB(255, 255, 255)) << "style " << style;
        EXPECT_FALSE(s.bold || s.italic || s.underline) << "style " << style;
    }

    TempFolder folder_;
    HWND window_ = nullptr;
    EditorView view_;
};

} // namespace

TEST_F(ViewStyling, WithoutSettingsEveryStyleIsTheDefaultAndBracesStandOut) {
    // Leftovers of an earlier styling must not survive a new one.
    view_.Call(SCI_SETWRAPMODE, SC_WRAP_CHAR);
    view_.Call(SCI_STYLESETFORE, SCE_HPHP_WORD, RGB(255, 0, 0));
    view_.Call(SCI_STYLESETSIZE, SCE_HPHP_WORD, 20);
    view_.Call(SCI_STYLESETITALIC, STYLE_LINENUMBER, 1);
    view_.Call(SCI_STYLESETFONT, STYLE_DEFAULT, "Courier New");

    Settings none;
    EXPECT_FALSE(none.Load(folder_.Path("missing.xml")));
    ApplyViewSettings(view_, none);

    EXPECT_EQ(WrapMode(), SC_WRAP_CHAR);
    // The component gives the line numbers and call tips their own colours whenever it clears.
    for (int style = 0; style < 128; ++style)
        if (style < STYLE_LINENUMBER || style > STYLE_CALLTIP) ExpectDefault(style);
    ExpectDefault(STYLE_DEFAULT);
    EXPECT_FALSE(Style(STYLE_LINENUMBER).italic);
    EXPECT_EQ(Style(STYLE_LINENUMBER).font, "Arial");
    ViewStyle light = Style(STYLE_BRACELIGHT), bad = Style(STYLE_BRACEBAD);
    EXPECT_TRUE(light.bold);
    EXPECT_EQ(light.fore, RGB(0, 0, 0));
    EXPECT_TRUE(bad.bold);
    EXPECT_EQ(bad.fore, RGB(255, 0, 0));
    EXPECT_EQ(bad.back, RGB(255, 255, 255));
}

TEST_F(ViewStyling, AttributeValuesAsTheFileWritesThem) {
    ApplyParams(
        "<Param Name='phpWORD' Fore='FF'/>"
        "<Param Name='phpNUMBER' Fore='#FF0000' Back=' 0x00FF00'/>"
        "<Param Name='phpVARIABLE' Fore='FF0000' Back='FFFFE0' Font='Courier New' Size='10.5' Bold='2'"
        " Italic='-1' Underline='1'/>"
        "<Param Name='phpOPERATOR' Bold='yes' Italic='0' Underline='' Size='+12pt'/>");
    EXPECT_EQ(Style(SCE_HPHP_WORD).fore, RGB(0, 0, 255)) << "FF is 0000FF, blue";
    ViewStyle number = Style(SCE_HPHP_NUMBER);
    EXPECT_EQ(number.fore, RGB(0, 0, 0));
    EXPECT_EQ(number.back, RGB(0, 255, 0));

    ViewStyle variable = Style(SCE_HPHP_VARIABLE);
    EXPECT_EQ(variable.fore, RGB(255, 0, 0));
    EXPECT_EQ(variable.back, RGB(255, 255, 0xE0));
    EXPECT_EQ(variable.font, "Courier New");
    EXPECT_EQ(variable.size, 10);
    EXPECT_TRUE(variable.bold);
    EXPECT_TRUE(variable.italic);
    EXPECT_TRUE(variable.underline);

    ViewStyle op = Style(SCE_HPHP_OPERATOR);
    EXPECT_FALSE(op.bold || op.italic || op.underline);
    EXPECT_EQ(op.size, 12);
    EXPECT_EQ(op.font, "Arial");
}

TEST_F(ViewStyling, OnlyParamsWithAKnownNameInItsExactCaseAreApplied) {
    ApplyParams("<Param Name='PHPCOMMENT' Fore='FF0000'/><Param Name='phpcomment' Fore='FF0000'/>"
                "<Param Name='phpCOMMENTX' Fore='FF0000'/><Param Fore='FF0000'/>"
                "<Style Name='phpCOMMENT' Fore='FF0000'/>text<!-- a comment -->"
                "<Param Name='phpWORD' Fore='008000'/>");
    ViewStyle word = Style(SCE_HPHP_WORD);
    EXPECT_EQ(word.fore, RGB(0, 0x80, 0)) << "entries after skipped ones still count";
    EXPECT_EQ(word.back, RGB(255, 255, 255));
    EXPECT_EQ(word.font, "Arial");
    EXPECT_EQ(word.size, 9);
    for (const StyleNameRow& row : StyleNameRows())
        if (row.style != SCE_HPHP_WORD) ExpectDefault(row.style);
}

TEST_F(ViewStyling, TwoEntriesForOneStyleBothApplyInDocumentOrder) {
    ApplyParams("<Param Name='phpWORD' Fore='FF0000' Size='12' Bold='1' Font='Courier New'/>"
                "<Param Name='htmlTAG' Fore='000080'/>"
                "<Param Name='phpWORD' Fore='00FF00' Bold='yes'/>");
    ViewStyle word = Style(SCE_HPHP_WORD);
    EXPECT_EQ(word.fore, RGB(0, 255, 0));
    EXPECT_FALSE(word.bold);
    EXPECT_EQ(word.size, 12);
    EXPECT_EQ(word.font, "Courier New");
    EXPECT_EQ(Style(SCE_H_TAG).fore, RGB(0, 0, 0x80));
}

TEST_F(ViewStyling, WrapSpellingsAndTheRootElementFirst) {
    struct Case {
        int before;
        const char* editor;
        int after;
    } cases[] = {
        {SC_WRAP_CHAR, "<Editor Wrap='Word'/>", SC_WRAP_WORD},
        {SC_WRAP_WORD, "<Editor Wrap='NONE'/>", SC_WRAP_NONE},
        {SC_WRAP_NONE, "<Editor Wrap='cHaR'/>", SC_WRAP_CHAR},
        {SC_WRAP_CHAR, "<Editor Wrap='words'/>", SC_WRAP_CHAR},
        {SC_WRAP_CHAR, "<Editor Wrap=''/>", SC_WRAP_CHAR},
        {SC_WRAP_WORD, "<Editor Wrap=' none'/>", SC_WRAP_WORD},
        {SC_WRAP_WORD, "<Editor wrap='none'/>", SC_WRAP_WORD},
        {SC_WRAP_CHAR, "<editor Wrap='none'/>", SC_WRAP_CHAR},
    };
    for (const Case& c : cases) {
        view_.Call(SCI_SETWRAPMODE, c.before);
        Apply(std::string("<Q>") + c.editor + "</Q>");
        EXPECT_EQ(WrapMode(), c.after) << c.editor;
    }

    const std::string settings =
        "<Q><Editor Wrap='word'/><Colors><Param Name='phpWORD' Fore='FF0000'/></Colors></Q>";
    Apply("<?xml version=\"1.0\"?>\n" + settings);
    EXPECT_EQ(WrapMode(), SC_WRAP_CHAR) << "nothing is read below a declaration";
    ExpectDefault(SCE_HPHP_WORD);
    Apply(settings);
    EXPECT_EQ(WrapMode(), SC_WRAP_WORD);
    EXPECT_EQ(Style(SCE_HPHP_WORD).fore, RGB(255, 0, 0));
}

TEST_F(ViewStyling, TheShippedFileNamesEveryStyleOnceAndKeepsItVisible) {
    std::string path = config_testing::SourcePath("src/config/Quillmark.xml");
    Settings settings;
    ASSERT_TRUE(settings.Load(path)) << path << ": " << settings.Document().ErrorDesc();
    EXPECT_EQ(ReadTagCacheLimit(settings), 15);
    std::set<std::string> named;
    for (const TiXmlElement* param = FirstStyleParam(settings.Root()); param;
         param = param->NextSiblingElement("Param")) {
        const char* name = param->Attribute("Name");
        ASSERT_NE(name, nullptr);
        EXPECT_TRUE(FindStyleNumber(name)) << name << " is not a style of the lexer";
        EXPECT_TRUE(named.insert(name).second) << name << " appears twice";
        EXPECT_NE(param->Attribute("Title"), nullptr) << name;
    }
    EXPECT_EQ(named.size(), StyleNameRows().size());

    view_.Call(SCI_SETWRAPMODE, SC_WRAP_WORD);
    ApplyViewSettings(view_, settings);
    EXPECT_EQ(WrapMode(), SC_WRAP_NONE);
    for (const StyleNameRow& row : StyleNameRows()) {
        ViewStyle s = Style(row.style);
        EXPECT_NE(s.fore, s.back) << row.name;
        EXPECT_GE(s.size, 8) << row.name;
    }
}
