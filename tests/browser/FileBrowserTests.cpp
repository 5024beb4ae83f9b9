// The Files pane in a real main window, over Wine's real shell namespace, driven as a user drives it.
#include "support/FrameFixture.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

class FilesPaneTest : public FrameTest {
  protected:
    // Room for deep rows: a click lands on a row only where the row is in sight.
    void SetUp() override {
        FrameTest::SetUp();
        ::SetWindowPos(window_, nullptr, 0, 0, 1200, 760, SWP_NOZORDER);
        Part<Splitter>(ID_SPLITTER).SetSplitterPosition(700);
        // The frame fills the tree by itself once its window has been painted.
        PumpUntil([this] { return !Children(TVI_ROOT).empty(); });
    }
    HWND Tree() { return Child(ID_FILES_TREE); }
    FileBrowser& Browser() { return Part<FileBrowser>(ID_FILES_TREE); }

    std::vector<HTREEITEM> Children(HTREEITEM item) {
        std::vector<HTREEITEM> rows;
        auto next = [this](HTREEITEM row, UINT relation) {
            return reinterpret_cast<HTREEITEM>(
                ::SendMessageA(Tree(), TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(row)));
        };
        for (HTREEITEM child = next(item, TVGN_CHILD); child; child = next(child, TVGN_NEXT))
            rows.push_back(child);
        return rows;
    }
    // What the row shows: the control asks the pane for it.
    std::string Text(HTREEITEM item) {
        char text[MAX_PATH] = "";
        TVITEMA row{};
        row.mask = TVIF_TEXT | TVIF_HANDLE;
        row.hItem = item;
        row.pszText = text;
        row.cchTextMax = MAX_PATH;
        ::SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row));
        return text;
    }
    std::vector<std::string> ChildTexts(HTREEITEM item) {
        std::vector<std::string> texts;
        for (HTREEITEM child : Children(item))
            texts.push_back(Text(child));
        return texts;
    }
    HTREEITEM ChildWithText(HTREEITEM item, const std::string& text) {
        for (HTREEITEM child : Children(item))
            if (Text(child) == text) return child;
        return nullptr;
    }
    void Select(HTREEITEM item) {
        ::SendMessageA(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
    // The keyboard's + and -: expansions the control reports, as the mouse's are.
    void Expand(HTREEITEM item) {
        Select(item);
        ::SendMessageA(Tree(), WM_KEYDOWN, VK_ADD, 0);
    }
    void Collapse(HTREEITEM item) {
        Select(item);
        ::SendMessageA(Tree(), WM_KEYDOWN, VK_SUBTRACT, 0);
    }

    static std::string ShellName(int folder) {
        LPITEMIDLIST list = nullptr;
        SHFILEINFOA info{};
        if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, folder, &list)))
            ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof(info),
                             SHGFI_PIDL | SHGFI_DISPLAYNAME);
        ::CoTaskMemFree(list);
        return info.szDisplayName;
    }
    HTREEITEM MyComputer() {
        HTREEITEM desktop = Browser().Root();
        Expand(desktop);
        return ChildWithText(desktop, ShellName(CSIDL_DRIVES));
    }
    // Opens the rows from My Computer down to the folder `path`, that one too, and returns its row.
    HTREEITEM ExpandTo(const std::string& path) {
        for (HTREEITEM row = MyComputer(); row;) {
            Expand(row);
            if (::lstrcmpiA(Browser().PathOf(row).c_str(), path.c_str()) == 0) return row;
            HTREEITEM next = nullptr;
            for (HTREEITEM child : Children(row)) {
                std::string prefix = Browser().PathOf(child);
                if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
                if (!prefix.empty() &&
                    ::lstrcmpiA(prefix.c_str(), (path + '\\').substr(0, prefix.size()).c_str()) == 0)
                    next = child;
            }
            row = next;
        }
        return nullptr;
    }
    // A double-click on the row as the mouse gives it: the first click has selected it.
    void DoubleClick(HTREEITEM item) {
        Select(item);
        RECT rect{};
        std::memcpy(&rect, &item, sizeof(item)); // the message reads the row from the rectangle
        ::SendMessageA(Tree(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
        LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        ::SendMessageA(Tree(), WM_LBUTTONDBLCLK, MK_LBUTTON, point);
        ::SendMessageA(Tree(), WM_LBUTTONUP, 0, point);
    }
    // Drags the row and lets go at `screen`; the tree reports the start of the drag to the frame.
    void DragTo(HTREEITEM item, POINT screen) {
        NMTREEVIEWA begin{};
        begin.hdr = {Tree(), ID_FILES_TREE, static_cast<UINT>(TVN_BEGINDRAGA)};
        begin.itemNew.hItem = item;
        ::SendMessageA(window_, WM_NOTIFY, ID_FILES_TREE, reinterpret_cast<LPARAM>(&begin));
        EXPECT_TRUE(Browser().IsDragging());
        EXPECT_EQ(::GetCapture(), Tree());
        ::ScreenToClient(Tree(), &screen);
        ::SendMessageA(Tree(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(screen.x, screen.y));
        ::SendMessageA(Tree(), WM_LBUTTONUP, 0, MAKELPARAM(screen.x, screen.y));
        EXPECT_FALSE(Browser().IsDragging());
        EXPECT_EQ(::GetCapture(), nullptr);
    }
    // A key pressed in the tree, taken through the frame's keys and dialog navigation first and
    // then translated and dispatched, as the message loop does with the keys the user types.
    void PressKey(UINT key) {
        ::SetFocus(Tree());
        ::PostMessageA(Tree(), WM_KEYDOWN, key, 1);
        ::PostMessageA(Tree(), WM_KEYUP, key, 0xC0000001);
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (loop_.PreTranslateMessage(msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    bool IsOpen(const std::string& path) {
        for (int i = 0; i < frame_->Tabs().Count(); ++i)
            if (::lstrcmpiA(frame_->Tabs().DocumentAt(i)->Path().c_str(), path.c_str()) == 0) return true;
        return false;
    }
    int RowCount() { return static_cast<int>(::SendMessageA(Tree(), TVM_GETCOUNT, 0, 0)); }
};

TEST_F(FilesPaneTest, DesktopIsTheOnlyRootAndMyComputerListsTheDrives) {
    ASSERT_EQ(Children(TVI_ROOT).size(), 1u);
    HTREEITEM desktop = Browser().Root();
    EXPECT_EQ(Text(desktop), ShellName(CSIDL_DESKTOP));
    EXPECT_TRUE(Children(desktop).empty()) << "nothing is read before the row is opened";

    HTREEITEM computer = MyComputer();
    ASSERT_NE(computer, nullptr);
    EXPECT_EQ(Browser().PathOf(computer), "") << "a virtual folder";
    Expand(computer);
    std::vector<std::string> drives;
    for (HTREEITEM child : Children(computer))
        drives.push_back(Browser().PathOf(child));
    EXPECT_NE(std::find(drives.begin(), drives.end(), "C:\\"), drives.end());
    EXPECT_NE(std::find(drives.begin(), drives.end(), "Z:\\"), drives.end());

    // The drive's icon is the one the shell gives its path.
    TVITEMA row{};
    row.mask = TVIF_IMAGE | TVIF_HANDLE;
    row.hItem = Children(computer)[std::find(drives.begin(), drives.end(), "C:\\") - drives.begin()];
    ::SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row));
    SHFILEINFOA info{};
    ::SHGetFileInfoA("C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    EXPECT_EQ(row.iImage, info.iIcon);
    EXPECT_EQ(Browser().LiveRecords(), RowCount());
}

TEST_F(FilesPaneTest, FolderIsReadOnEachExpansionInTheShellsOrderAndItsRowsGoWithTheWindow) {
    TempFolder folder;
    ::CreateDirectoryA(folder.Path("sub").c_str(), nullptr);
    WriteFileBytes(folder.Path("b.txt"), "b");
    WriteFileBytes(folder.Path("a.php"), "<?php ?>");
    HTREEITEM row = ExpandTo(folder.Path());
    ASSERT_NE(row, nullptr) << folder.Path();
    EXPECT_EQ(ChildTexts(row), (std::vector<std::string>{"sub", "a.php", "b.txt"}));

    // The tip is the path; the frame sends the tree's notifications back to it.
    char tip[MAX_PATH] = "";
    NMTVGETINFOTIPA request{{Tree(), ID_FILES_TREE, static_cast<UINT>(TVN_GETINFOTIPA)}, tip, MAX_PATH};
    TVITEMA file{};
    file.mask = TVIF_PARAM | TVIF_HANDLE;
    file.hItem = request.hItem = ChildWithText(row, "b.txt");
    ::SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&file));
    request.lParam = file.lParam;
    ::SendMessageA(window_, WM_NOTIFY, ID_FILES_TREE, reinterpret_cast<LPARAM>(&request));
    EXPECT_EQ(std::string(tip), folder.Path("b.txt"));

    int rowsBefore = RowCount();
    Collapse(row);
    EXPECT_TRUE(Children(row).empty());
    EXPECT_EQ(RowCount(), rowsBefore - 3);
    EXPECT_EQ(Browser().LiveRecords(), RowCount());

    WriteFileBytes(folder.Path("c.txt"), "c");
    Expand(row);
    EXPECT_EQ(ChildTexts(row), (std::vector<std::string>{"sub", "a.php", "b.txt", "c.txt"}));

    // Closing deletes every row, and each row its record. The browser outlives its window.
    FileBrowser& browser = Browser();
    ::SendMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(window_));
    EXPECT_EQ(browser.LiveRecords(), 0);
}

TEST_F(FilesPaneTest, DoubleClickOpensPhpFilesOfAnyCaseInTheEditor) {
    TempFolder folder;
    WriteFileBytes(folder.Path("index.PHP"), "<?php echo 1; ?>");
    HTREEITEM row = ExpandTo(folder.Path());
    ASSERT_NE(row, nullptr);
    HTREEITEM file = ChildWithText(row, "index.PHP");
    ASSERT_NE(file, nullptr);
    DoubleClick(file);
    EXPECT_EQ(frame_->Tabs().SelectedDocument()->Path(), folder.Path("index.PHP"));
}

TEST_F(FilesPaneTest, EnterOpensAFileAsADoubleClickDoesAndExpandsOrCollapsesAFolder) {
    TempFolder folder;
    ::CreateDirectoryA(folder.Path("sub").c_str(), nullptr);
    WriteFileBytes(folder.Path("sub\\inner.txt"), "x");
    WriteFileBytes(folder.Path("index.PHP"), "<?php echo 1; ?>");
    HTREEITEM row = ExpandTo(folder.Path());
    ASSERT_NE(row, nullptr);

    Select(ChildWithText(row, "index.PHP"));
    PressKey(VK_RETURN);
    EXPECT_EQ(frame_->Tabs().SelectedDocument()->Path(), folder.Path("index.PHP"));

    HTREEITEM sub = ChildWithText(row, "sub");
    ASSERT_NE(sub, nullptr);
    Select(sub);
    PressKey(VK_RETURN);
    EXPECT_EQ(ChildTexts(sub), std::vector<std::string>{"inner.txt"}) << "the folder opens in the tree";
    PressKey(VK_RETURN);
    EXPECT_TRUE(Children(sub).empty()) << "and closes again";
    EXPECT_EQ(Browser().LiveRecords(), RowCount());
}

TEST_F(FilesPaneTest, DroppingADraggedRowOnTheDocumentsOpensItAndElsewhereNot) {
    TempFolder folder;
    WriteFileBytes(folder.Path("notes.txt"), "notes");
    HTREEITEM row = ExpandTo(folder.Path());
    ASSERT_NE(row, nullptr);
    HTREEITEM file = ChildWithText(row, "notes.txt");
    ASSERT_NE(file, nullptr);

    RECT tree{}, documents{};
    ::GetWindowRect(Tree(), &tree);
    ::GetWindowRect(frame_->Tabs().Handle(), &documents);
    DragTo(file, POINT{(tree.left + tree.right) / 2, (tree.top + tree.bottom) / 2});
    EXPECT_FALSE(IsOpen(folder.Path("notes.txt")));

    DragTo(file, POINT{(documents.left + documents.right) / 2, (documents.top + documents.bottom) / 2});
    EXPECT_TRUE(IsOpen(folder.Path("notes.txt"))) << "any extension opens when dropped";
}

} // namespace
