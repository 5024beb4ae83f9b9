// File > Preferences driven like a user: the tree, the style controls, the colour chooser, Apply,
// OK and Cancel, and what reaches the settings file and the open views.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <colordlg.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "config/Settings.h"
#include "config/StyleNameTable.h"
#include "resources/Resource.h"
#include "support/FrameFixture.h"
#include "tinyxml.h"

using namespace testing_support;

namespace {

constexpr int applyButton = 0x3021;

// Param elements in a mixed order, names the page must skip or list, and things it must keep.
const char* const settingsXml =
    "<Quillmark>\n"
    "  <Editor Wrap=\"none\" Future=\"kept\" />\n"
    "  <Colors>\n"
    "    <Param Name=\"phpWORD\" Font=\"Courier New\" Size=\"11\" Fore=\"000080\" Extra=\"x\" />\n"
    "    <Param Name=\"htmlTAG\" Title=\"Tag\" />\n"
    "    <Param Name=\"phpCOMMENT\" Fore=\"008000\" />\n"
    "    <Param Name=\"xmlTAG\" />\n"
    "    <Param Name=\"Capital\" />\n"
    "    <Unknown Deep=\"1\"><Child /></Unknown>\n"
    "  </Colors>\n"
    "</Quillmark>\n";

// The labels and items of the top-level rows of the tree, or of the children of `parent`.
std::vector<std::pair<std::string, HTREEITEM>> Rows(HWND tree, HTREEITEM parent = nullptr) {
    std::vector<std::pair<std::string, HTREEITEM>> rows;
    TVITEMA row{TVIF_TEXT, parent};
    for (UINT how = parent ? TVGN_CHILD : TVGN_ROOT;
         (row.hItem = reinterpret_cast<HTREEITEM>(
              ::SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(row.hItem))));
         how = TVGN_NEXT) {
        char text[128] = "";
        row.pszText = text;
        row.cchTextMax = sizeof(text);
        ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row));
        rows.emplace_back(text, row.hItem);
    }
    return rows;
}

void Select(HWND page, const std::string& label) {
    HWND tree = ::GetDlgItem(page, IDC_SYNTAX_TREE);
    for (const auto& group : Rows(tree))
        for (const auto& [text, item] : Rows(tree, group.second))
            if (text == label)
                ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void Click(HWND dialog, int id) {
    ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Presses a colour button and answers the chooser with `colour` typed into its fields.
void ChooseColour(HWND page, int button, COLORREF colour) {
    DialogWatcher chooser("Color", [colour](HWND dialog) {
        ::SetDlgItemInt(dialog, COLOR_RED, GetRValue(colour), FALSE);
        ::SetDlgItemInt(dialog, COLOR_GREEN, GetGValue(colour), FALSE);
        ::SetDlgItemInt(dialog, COLOR_BLUE, GetBValue(colour), FALSE);
        Click(dialog, IDOK);
    });
    Click(page, button); // returns once the chooser is closed
}

class PreferencesTest : public FrameTest {
  protected:
    void SetUp() override {
        FrameTest::SetUp();
        path_ = folder_.Path(Settings::kFileName);
        WriteFileBytes(path_, settingsXml);
        ASSERT_TRUE(frame_->AppSettings().Load(path_));
        Command(ID_FILE_NEW); // the first view still has the shipped styles, this one the test's
        ASSERT_EQ(frame_->Tabs().Count(), 2);
    }

    // Opens the sheet with the command and lets `user` work on it from another thread; the user
    // closes the sheet.
    void UseSheet(const std::function<void(HWND sheet, HWND page)>& user) {
        DialogWatcher watcher("", [&](HWND sheet) {
            user(sheet, reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)));
        });
        Command(ID_FILE_PREFERENCES);
        ASSERT_TRUE(watcher.Seen());
        EXPECT_EQ(FindDialog(""), nullptr) << "the sheet is closed";
    }

    // The attributes of the saved Param element `name`, in file order.
    std::string Saved(const std::string& name) {
        Settings saved;
        saved.Load(path_);
        for (const TiXmlElement* param = FirstStyleParam(saved.Root()); param;
             param = param->NextSiblingElement("Param")) {
            const char* entry = param->Attribute("Name");
            if (!entry || name != entry) continue;
            std::string text;
            for (const TiXmlAttribute* a = param->FirstAttribute(); a; a = a->Next())
                text += std::string(text.empty() ? "" : " ") + a->Name() + "=" + a->Value();
            return text;
        }
        return "(missing)";
    }

    TempFolder folder_;
    std::string path_;
};

TEST_F(PreferencesTest, ApplyWritesTheFileAndCancelKeepsWhatWasApplied) {
    std::vector<std::pair<std::string, HTREEITEM>> groups, php;
    std::string fontText;
    bool applyAtStart = true, expandedAfterDoubleClick = false, applyAfterChange = false,
         applyAfterApply = true;
    UseSheet([&](HWND sheet, HWND page) {
        HWND tree = ::GetDlgItem(page, IDC_SYNTAX_TREE);
        groups = Rows(tree);
        if (groups.empty()) return Click(sheet, IDCANCEL);
        HTREEITEM first = groups[0].second;
        php = Rows(tree, first);
        applyAtStart = ::IsWindowEnabled(::GetDlgItem(sheet, applyButton));

        RECT label{};
        std::memcpy(&label, &first, sizeof(first)); // TVM_GETITEMRECT takes the item there
        ::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&label));
        LPARAM point = MAKELPARAM((label.left + label.right) / 2, (label.top + label.bottom) / 2);
        ::SendMessageA(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
        ::SendMessageA(tree, WM_LBUTTONUP, 0, point);
        // The page may open the group again a moment later.
        for (int wait = 0; wait < 100 && !expandedAfterDoubleClick; ++wait, ::Sleep(20))
            expandedAfterDoubleClick =
                ::SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(first), TVIS_EXPANDED) &
                TVIS_EXPANDED;

        Select(page, "phpWORD");
        char text[64] = "";
        ::GetDlgItemTextA(page, IDC_SYNTAX_FONT_TEXT, text, sizeof(text));
        fontText = text;
        Click(page, IDC_SYNTAX_BOLD);
        ChooseColour(page, IDC_SYNTAX_FORE, RGB(255, 0, 0));
        applyAfterChange = ::IsWindowEnabled(::GetDlgItem(sheet, applyButton));
        Click(sheet, applyButton);
        applyAfterApply = ::IsWindowEnabled(::GetDlgItem(sheet, applyButton));
        Click(page, IDC_SYNTAX_ITALIC); // discarded by the Cancel below
        Click(sheet, IDCANCEL);
    });
    auto labels = [](const auto& rows) {
        std::string text;
        for (const auto& row : rows)
            text += row.first + " ";
        return text;
    };
    EXPECT_EQ(labels(groups), "PHP HTML XML ") << "Capital belongs to no scheme";
    EXPECT_EQ(labels(php), "phpCOMMENT phpWORD ") << "sorted by label";
    EXPECT_TRUE(expandedAfterDoubleClick) << "groups stay open";
    EXPECT_FALSE(applyAtStart);
    EXPECT_TRUE(applyAfterChange);
    EXPECT_FALSE(applyAfterApply);
    EXPECT_EQ(fontText, "Courier New, 11");
    EXPECT_EQ(
        Saved("phpWORD"),
        "Name=phpWORD Font=Courier New Size=11 Fore=FF0000 Extra=x Back=FFFFFF Bold=1 Italic=0 Underline=0");
    Settings saved;
    saved.Load(path_);
    const TiXmlElement* editor = SettingsChild(saved.Root(), "Editor");
    const TiXmlElement* unknown = SettingsChild(SettingsChild(saved.Root(), "Colors"), "Unknown");
    EXPECT_TRUE(editor && editor->Attribute("Future"));
    EXPECT_TRUE(unknown && unknown->Attribute("Deep") && unknown->FirstChildElement("Child"));

    int word = *FindStyleNumber("phpWORD");
    for (int i = 0; i < frame_->Tabs().Count(); ++i) {
        const EditorView& view = frame_->Tabs().DocumentAt(i)->View();
        EXPECT_EQ(view.Call(SCI_STYLEGETBOLD, word), 1);
        EXPECT_EQ(view.Call(SCI_STYLEGETITALIC, word), 0);
        EXPECT_EQ(view.Call(SCI_STYLEGETFORE, word), RGB(255, 0, 0));
    }
}

TEST_F(PreferencesTest, OkStoresEveryEntryLeftAndCancelChangesNothing) {
    UseSheet([](HWND sheet, HWND page) {
        Select(page, "phpWORD");
        Click(page, IDC_SYNTAX_BOLD);
        Select(page, "Tag");
        Click(sheet, IDCANCEL);
    });
    EXPECT_EQ(ReadFileBytes(path_), settingsXml);
    int word = *FindStyleNumber("phpWORD");
    for (int i = 0; i < frame_->Tabs().Count(); ++i) {
        const EditorView& view = frame_->Tabs().DocumentAt(i)->View();
        EXPECT_EQ(view.Call(SCI_STYLEGETBOLD, word), 0)
            << "every view is restyled from the unchanged settings";
        EXPECT_EQ(view.Call(SCI_STYLEGETFORE, word), RGB(0, 0, 0x80));
    }

    UseSheet([](HWND sheet, HWND page) {
        Select(page, "Tag"); // left unchanged: all its attributes are written out
        Select(page, "xmlTAG");
        Click(page, IDC_SYNTAX_UNDERLINE);
        ChooseColour(page, IDC_SYNTAX_BACK, RGB(0x12, 0x34, 0x56));
        Click(sheet, IDOK);
    });
    EXPECT_EQ(Saved("htmlTAG"),
              "Name=htmlTAG Title=Tag Font=Arial Size=9 Fore=000000 Back=FFFFFF Bold=0 Italic=0 "
              "Underline=0");
    EXPECT_EQ(Saved("xmlTAG"),
              "Name=xmlTAG Font=Arial Size=9 Fore=000000 Back=123456 Bold=0 Italic=0 Underline=1");
    EXPECT_EQ(Saved("phpWORD"), "Name=phpWORD Font=Courier New Size=11 Fore=000080 Extra=x");
    EXPECT_EQ(Saved("Capital"), "Name=Capital");
}

TEST_F(PreferencesTest, AFileThatCannotBeReadOrWrittenIsLeftAsItWas) {
    // A hand-edited file with one typo: loading failed, so the sheet shows nothing to keep.
    const std::string typo = std::string(settingsXml).replace(std::string(settingsXml).find("/>"), 2, "/");
    ASSERT_TRUE(WriteFileBytes(path_, typo));
    EXPECT_FALSE(frame_->AppSettings().Load(path_));
    {
        BoxAnswerer box("Quillmark", IDOK, 3000);
        UseSheet([](HWND sheet, HWND) { Click(sheet, IDOK); });
        box.Stop();
        EXPECT_FALSE(box.Answered()) << "the user was told at start: " << box.Text();
    }
    EXPECT_EQ(ReadFileBytes(path_), typo);

    // A file that cannot be written: the change still reaches the views, and the user hears why
    // the file did not get it.
    ASSERT_TRUE(WriteFileBytes(path_, settingsXml));
    ASSERT_TRUE(frame_->AppSettings().Load(path_));
    ::SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY);
    BoxAnswerer box("Quillmark", IDOK);
    UseSheet([](HWND sheet, HWND page) {
        Select(page, "phpWORD");
        Click(page, IDC_SYNTAX_BOLD);
        Click(sheet, IDOK);
    });
    ::SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(box.Answered());
    EXPECT_NE(box.Text().find(path_), std::string::npos) << box.Text();
    EXPECT_EQ(ReadFileBytes(path_), settingsXml);
    EXPECT_EQ(frame_->Tabs().SelectedDocument()->View().Call(SCI_STYLEGETBOLD, *FindStyleNumber("phpWORD")),
              1);
}

} // namespace
