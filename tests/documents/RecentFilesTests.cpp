// The recent-file list: its order and bound, its menu, its commands and its registry values.
#include "DocumentsFixture.h"

#include "documents/RecentFileList.h"
#include "resources/Resource.h"

using namespace testing_support;

namespace {

const char* const listKey = "Recent Document List";

// The Recent Files submenu as (id, text) pairs.
std::vector<std::pair<UINT, std::string>> MenuItems(HMENU menu) {
    std::vector<std::pair<UINT, std::string>> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[512] = "";
        ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        items.emplace_back(::GetMenuItemID(menu, i), text);
    }
    return items;
}

std::vector<std::pair<UINT, std::string>> ExpectedItems(const std::vector<std::string>& newestFirst) {
    std::vector<std::pair<UINT, std::string>> items;
    for (size_t k = 0; k < newestFirst.size(); ++k) {
        std::string text = "&";
        text += std::to_string(k + 1);
        text += ' ';
        text += newestFirst[k];
        items.emplace_back(ID_FILE_MRU_FIRST + static_cast<UINT>(k), text);
    }
    return items;
}

} // namespace

class RecentFilesTest : public DocumentsTest {
  protected:
    HMENU RecentMenu() { return ::GetSubMenu(::GetSubMenu(Menu(), 0), 7); }
    // The list, newest first.
    std::vector<std::string> Newest() {
        const std::vector<std::string>& entries = frame_->RecentFiles().Entries();
        return std::vector<std::string>(entries.rbegin(), entries.rend());
    }
};

TEST_F(RecentFilesTest, KeepsTheSixteenNewestFilesInTheMenu) {
    HMENU menu = RecentMenu();
    ASSERT_NE(menu, nullptr);
    auto empty = MenuItems(menu);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].first, static_cast<UINT>(ID_FILE_MRU_FIRST));
    EXPECT_EQ(::GetMenuState(menu, ID_FILE_MRU_FIRST, MF_BYCOMMAND) & MF_GRAYED,
              static_cast<UINT>(MF_GRAYED));
    std::string emptyText = empty[0].second;

    std::vector<std::string> opened;
    for (int i = 1; i <= 17; ++i) {
        std::string path = MakeFile("file" + std::to_string(i) + ".php");
        ASSERT_NE(Open(path), nullptr);
        opened.push_back(path);
    }
    std::vector<std::string> expected(opened.rbegin(), opened.rbegin() + 16);
    EXPECT_EQ(Newest(), expected) << "the first file is dropped";
    EXPECT_EQ(MenuItems(menu), ExpectedItems(expected));

    // Opening a file that is open already only selects its tab.
    Tabs().SelectTab(3);
    Tabs().OpenDocument(opened[5], false);
    EXPECT_EQ(Newest(), expected) << "selecting an open file changes no order";

    // Saving adds too: the saved file becomes the newest.
    Tabs().SelectTab(Tabs().Count() - 5);
    std::string saved = Tabs().SelectedDocument()->Path();
    Command(ID_FILE_SAVE);
    std::erase(expected, saved);
    expected.insert(expected.begin(), saved);
    EXPECT_EQ(Newest(), expected);
    EXPECT_EQ(MenuItems(menu), ExpectedItems(expected));

    // A list emptied shows the empty text again, grayed.
    RecentFileList& list = frame_->RecentFiles();
    while (!list.Entries().empty())
        list.RemoveForCommand(ID_FILE_MRU_FIRST);
    auto again = MenuItems(menu);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0], std::make_pair(static_cast<UINT>(ID_FILE_MRU_FIRST), emptyText));
    EXPECT_EQ(::GetMenuState(menu, ID_FILE_MRU_FIRST, MF_BYCOMMAND) & MF_GRAYED,
              static_cast<UINT>(MF_GRAYED));
}

TEST_F(RecentFilesTest, ChoosingAnEntryOpensSelectsOrForgetsIt) {
    CloseAllTabs();
    std::string a = MakeFile("a.php"), b = MakeFile("b.php"), c = MakeFile("c.php");
    Document* first = Open(a);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(Open(b), nullptr);
    ASSERT_NE(Open(c), nullptr);
    Tabs().CloseDocument(0); // a is no longer open
    ASSERT_EQ(Newest(), (std::vector<std::string>{c, b, a}));

    // The entry of a closed file opens it in a new tab and makes it the first entry.
    Command(ID_FILE_MRU_FIRST + 2);
    ASSERT_EQ(Tabs().Count(), 3);
    EXPECT_EQ(Tabs().SelectedDocument()->Path(), a);
    EXPECT_EQ(Newest(), (std::vector<std::string>{a, c, b}));
    EXPECT_EQ(MenuItems(RecentMenu()), ExpectedItems({a, c, b}));

    // The entry of an open file only selects its tab.
    Command(ID_FILE_MRU_FIRST + 2);
    EXPECT_EQ(Tabs().Count(), 3);
    EXPECT_EQ(Tabs().SelectedDocument()->Path(), b);
    EXPECT_EQ(Newest(), (std::vector<std::string>{a, c, b}));

    // The entry of a file that is gone disappears, silently.
    Tabs().CloseDocument(1); // c
    ASSERT_TRUE(::DeleteFileA(c.c_str()));
    {
        BoxSequence none({{"", IDOK}}, 3000);
        Command(ID_FILE_MRU_FIRST + 1);
        none.Finish();
        EXPECT_EQ(none.Answered(), 0) << "no message about the missing file";
    }
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Newest(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(MenuItems(RecentMenu()), ExpectedItems({a, b}));

    // Commands beyond the list do nothing.
    Command(ID_FILE_MRU_FIRST + 5);
    EXPECT_EQ(Tabs().Count(), 2);
    EXPECT_EQ(Newest(), (std::vector<std::string>{a, b}));
}

TEST_F(RecentFilesTest, WritesNewestFirstAndRemovesStaleValues) {
    namespace reg = program_registry;
    RecentFileList list;
    list.SetBound(16);
    list.Add("C:\\one.php");
    list.Add("C:\\two.php");
    list.Add("C:\\three.php");
    list.Add("c:\\ONE.php"); // the same file again: it moves to the front with the new spelling
    for (int i = 1; i <= 16; ++i)
        reg::SetString(listKey, "Document" + std::to_string(i), "stale");

    list.Write();
    DWORD type = 0;
    std::string count;
    ASSERT_TRUE(reg::Get(listKey, "DocumentCount", type, count));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(count.size(), sizeof(DWORD));
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(count.data()), 16u);
    EXPECT_EQ(reg::String(listKey, "Document1"), "c:\\ONE.php");
    EXPECT_EQ(reg::String(listKey, "Document2"), "C:\\three.php");
    EXPECT_EQ(reg::String(listKey, "Document3"), "C:\\two.php");
    for (int i = 4; i <= 16; ++i)
        EXPECT_FALSE(reg::Exists(listKey, "Document" + std::to_string(i))) << i;

    RecentFileList read;
    read.Read();
    EXPECT_EQ(read.Entries(), list.Entries());
    EXPECT_EQ(read.Bound(), 16);
}

TEST_F(RecentFilesTest, ReadingTakesOnlyWellFormedValues) {
    namespace reg = program_registry;
    auto read = [] {
        RecentFileList list;
        list.Read();
        return list;
    };
    auto reset = [] {
        ClearProgramRegistry();
        for (int i = 1; i <= 16; ++i) {
            std::string value = "p";
            value += std::to_string(i);
            reg::SetString(listKey, "Document" + std::to_string(i), value);
        }
    };

    // No key, no count, or a count that is not a DWORD: nothing.
    EXPECT_TRUE(read().Entries().empty());
    reset();
    EXPECT_TRUE(read().Entries().empty());
    reg::SetString(listKey, "DocumentCount", "16");
    EXPECT_TRUE(read().Entries().empty());
    reg::Set(listKey, "DocumentCount", REG_BINARY, "\x10\0\0\0", 4);
    EXPECT_TRUE(read().Entries().empty());
    reg::Set(listKey, "DocumentCount", REG_DWORD, "\x10\0", 2);
    EXPECT_TRUE(read().Entries().empty()) << "a DWORD of two bytes";

    // The count is clamped to 2..16 and says how many values are read, oldest (highest) first.
    reg::SetDword(listKey, "DocumentCount", 3);
    EXPECT_EQ(read().Entries(), (std::vector<std::string>{"p3", "p2", "p1"}));
    EXPECT_EQ(read().Bound(), 3);
    reg::SetDword(listKey, "DocumentCount", 0);
    EXPECT_EQ(read().Entries(), (std::vector<std::string>{"p2", "p1"}));
    reg::SetDword(listKey, "DocumentCount", 0xFFFFFFFF);
    EXPECT_EQ(read().Entries().size(), 16u);
    EXPECT_EQ(read().Entries().front(), "p16");

    // Gaps, values of other types, empty, oversized and unterminated values are passed over.
    reset();
    reg::SetDword(listKey, "DocumentCount", 8);
    reg::Delete(listKey, "Document2");
    reg::SetDword(listKey, "Document3", 7);
    reg::SetString(listKey, "Document4", std::string(300, 'x'));
    reg::SetString(listKey, "Document5", "");
    reg::Set(listKey, "Document6", REG_MULTI_SZ, "a\0b\0", 5);
    reg::Set(listKey, "Document7", REG_SZ, "", 0);
    reg::SetString(listKey, "Document8", "%TEMP%\\x.php", REG_EXPAND_SZ);
    EXPECT_EQ(read().Entries(), (std::vector<std::string>{"%TEMP%\\x.php", "p1"}));

    // A path of the longest length still fits; one byte more does not.
    reset();
    reg::SetDword(listKey, "DocumentCount", 2);
    reg::SetString(listKey, "Document1", std::string(MAX_PATH - 1, 'y'));
    reg::SetString(listKey, "Document2", std::string(MAX_PATH, 'z'));
    EXPECT_EQ(read().Entries(), (std::vector<std::string>{std::string(MAX_PATH - 1, 'y')}));
}
