// Quillmark's resources as the program loads them from its own module: menu, accelerators,
// strings, toolbar, images, logo, About box, version information and manifest.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "resources/Resource.h"

namespace {

HINSTANCE Module() {
    return ::GetModuleHandleA(nullptr);
}

std::string ExePath() {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string LoadText(UINT id) {
    char text[1024];
    int length = ::LoadStringA(Module(), id, text, sizeof(text));
    return std::string(text, length > 0 ? length : 0);
}

// The raw bytes of a resource, empty when it is missing.
std::string ResourceBytes(LPCSTR name, LPCSTR type) {
    HRSRC found = ::FindResourceA(Module(), name, type);
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(Module(), found);
    auto data = static_cast<const char*>(::LockResource(loaded));
    return std::string(data, ::SizeofResource(Module(), found));
}

// A 32-bit top-down DIB selected into a memory DC, filled with one colour.
class Canvas {
  public:
    Canvas(int width, int height, COLORREF fill) : width_(width) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        dc_ = ::CreateCompatibleDC(nullptr);
        bitmap_ =
            ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = ::SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        HBRUSH brush = ::CreateSolidBrush(fill);
        ::FillRect(dc_, &all, brush);
        ::DeleteObject(brush);
    }
    ~Canvas() {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        DWORD bgr = bits_[y * width_ + x];
        return RGB((bgr >> 16) & 255, (bgr >> 8) & 255, bgr & 255);
    }

  private:
    int width_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    DWORD* bits_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Menu

// One line per item, indented by depth: "id text" for commands, "-" for separators, the text
// alone for submenus; "[grayed]" and "[checked]" mark the item's state.
std::string Outline(HMENU menu, int depth = 0) {
    std::string out;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[256] = "";
        ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        MENUITEMINFOA info{sizeof(info)};
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU;
        EXPECT_TRUE(::GetMenuItemInfoA(menu, i, TRUE, &info));
        out += std::string(depth * 2, ' ');
        if (info.fType & MFT_SEPARATOR) {
            out += "-";
        } else if (info.hSubMenu) {
            out += text;
        } else {
            out += std::to_string(info.wID) + " " + text;
        }
        if (!(info.fType & MFT_SEPARATOR) && (info.fState & MFS_GRAYED)) out += " [grayed]";
        if (info.fState & MFS_CHECKED) out += " [checked]";
        out += "\n";
        if (info.hSubMenu) out += Outline(info.hSubMenu, depth + 1);
    }
    return out;
}

TEST(MainMenu, ItemsTextsAndOrder) {
    HMENU menu = ::LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(menu, nullptr);
    const char* expected = "&File\n"
                           "  57600 &New\tCtrl+N\n"
                           "  57601 &Open...\tCtrl+O\n"
                           "  57603 &Save\tCtrl+S\n"
                           "  57604 Save &As...\n"
                           "  32772 Save A&ll\n"
                           "  57602 &Close\n"
                           "  -\n"
                           "  &Recent Files\n"
                           "    57616 (empty) [grayed]\n"
                           "  -\n"
                           "  32804 &Preferences...\n"
                           "  -\n"
                           "  57665 E&xit\n"
                           "&Edit\n"
                           "  57643 &Undo\tCtrl+Z\n"
                           "  -\n"
                           "  57635 Cu&t\tCtrl+X\n"
                           "  57634 &Copy\tCtrl+C\n"
                           "  57637 &Paste\tCtrl+V\n"
                           "  57642 Select &All\tCtrl+A\n"
                           "  -\n"
                           "  32780 &Go to line...\tCtrl+G\n"
                           "  -\n"
                           "  57636 &Find...\tCtrl+F\n"
                           "  57641 &Replace...\tCtrl+H\n"
                           "  57640 R&epeat\tF3\n"
                           "&Insert\n"
                           "  32799 &Color...\n"
                           "  -\n"
                           "  32783 PHP Co&de\tCtrl+>\n"
                           "  32784 PHP &Expression\tCtrl+<\n"
                           "  32793 PHP &String\tCtrl+\"\n"
                           "  32794 PHP &Tagged String\tCtrl+Shift+\"\n"
                           "  32785 HTML &Open\tCtrl+\\\n"
                           "  32786 HTML Clo&se\tCtrl+/\n"
                           "&Document\n"
                           "  &Encoding\n"
                           "    32800 ANSI\n"
                           "    32802 UTF-8\n"
                           "&View\n"
                           "  59392 &Toolbar\n"
                           "  59393 &Status Bar\n"
                           "  32797 Too&ls\n"
                           "&Tools\n"
                           "  32798 &FTP...\n"
                           "&Help\n"
                           "  57664 &About Quillmark...\n";
    EXPECT_EQ(Outline(menu), expected);

    // The recent-file list finds its submenu by position: the eighth item of File.
    HMENU file = ::GetSubMenu(menu, 0);
    HMENU recent = ::GetSubMenu(file, 7);
    ASSERT_NE(recent, nullptr);
    EXPECT_EQ(::GetMenuItemID(recent, 0), static_cast<UINT>(ID_FILE_MRU_FIRST));
    ::DestroyMenu(menu);
}

// ---------------------------------------------------------------------------------------------
// Accelerators

using Accel = std::tuple<BYTE, WORD, WORD>; // modifiers (FVIRTKEY, FSHIFT, FCONTROL, FALT), key, command

std::vector<Accel> LoadAccelerators() {
    HACCEL table = ::LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    EXPECT_NE(table, nullptr);
    if (!table) return {};
    std::vector<ACCEL> raw(::CopyAcceleratorTableA(table, nullptr, 0));
    ::CopyAcceleratorTableA(table, raw.data(), static_cast<int>(raw.size()));
    ::DestroyAcceleratorTable(table);
    std::vector<Accel> entries;
    for (const ACCEL& a : raw)
        entries.emplace_back(a.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT), a.key, a.cmd);
    std::sort(entries.begin(), entries.end());
    return entries;
}

TEST(Accelerators, EveryKeyRaisesItsCommand) {
    const BYTE ctrl = FVIRTKEY | FCONTROL, shift = FVIRTKEY | FSHIFT, alt = FVIRTKEY | FALT;
    std::vector<Accel> expected = {
        {ctrl, 'C', ID_EDIT_COPY},
        {ctrl, VK_INSERT, ID_EDIT_COPY},
        {ctrl, 'X', ID_EDIT_CUT},
        {shift, VK_DELETE, ID_EDIT_CUT},
        {ctrl, 'V', ID_EDIT_PASTE},
        {shift, VK_INSERT, ID_EDIT_PASTE},
        {ctrl, 'Z', ID_EDIT_UNDO},
        {alt, VK_BACK, ID_EDIT_UNDO},
        {ctrl, 'A', ID_EDIT_SELECT_ALL},
        {ctrl, 'F', ID_EDIT_FIND},
        {ctrl, 'H', ID_EDIT_REPLACE},
        {FVIRTKEY, VK_F3, ID_EDIT_REPEAT},
        {ctrl, 'G', ID_EDIT_GOTO_LINE},
        {ctrl, 'N', ID_FILE_NEW},
        {ctrl, 'O', ID_FILE_OPEN},
        {ctrl, 'S', ID_FILE_SAVE},
        {ctrl, VK_F4, ID_FILE_CLOSE},
        {ctrl, VK_OEM_2, ID_INSERT_HTML_CLOSE},
        {ctrl, VK_OEM_5, ID_INSERT_HTML_OPEN},
        {ctrl, VK_OEM_PERIOD, ID_INSERT_PHP_CODE},
        {ctrl, VK_OEM_COMMA, ID_INSERT_PHP_EXPRESSION},
        {ctrl, VK_OEM_7, ID_INSERT_PHP_STRING},
        {ctrl | FSHIFT, VK_OEM_7, ID_INSERT_PHP_TAGGED_STRING},
        {FVIRTKEY, VK_F6, ID_NEXT_PANE},
        {shift, VK_F6, ID_PREV_PANE},
        {ctrl, VK_TAB, ID_NEXT_PANE},
        {ctrl | FSHIFT, VK_TAB, ID_PREV_PANE},
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LoadAccelerators(), expected);
}

// ---------------------------------------------------------------------------------------------
// Strings

TEST(Strings, ExactTexts) {
    const std::map<UINT, std::string> expected = {
        {IDS_APP_NAME, "Quillmark"},
        {IDS_SAVE_CHANGES, "Document has been changed.\nSave?"},
        {IDS_GOTO_LINE_PROMPT, "Line number(1 - %u):"},
        {IDS_MODIFIED_OUTSIDE, "This file has been modified outside of the editor.\nReload it?"},
        {IDS_DELETED_OUTSIDE, "This file has been deleted outside of the editor.\nDelete it from editor?"},
        {IDS_NEWER_VERSION, "There is a newer version to download.\nUpgrade Quillmark?"},
        {IDS_SAVE_PASSWORD,
         "For security reasons, saving the password is not recommended.\nSave the password?"},
        {IDS_CRASH_MESSAGE,
         "An exception has occured. A dump file was created to help the author reproduce the "
         "problem.\nPlease send this file to support@altav.example.\n\n\"%s\""},
        {IDS_IDLE_MESSAGE, "Ready"},
        {IDS_SC_SIZE, "Change the window size"},
        {IDS_SC_MOVE, "Change the window position"},
        {IDS_SC_MINIMIZE, "Reduce the window to an icon"},
        {IDS_SC_MAXIMIZE, "Enlarge the window to full size"},
        {IDS_SC_CLOSE, "Close the active window and prompts to save the documents"},
        {IDS_SC_RESTORE, "Restore the window to normal size"},
        {IDS_MRU_FILE, "Open this document"},
        {ID_FILE_SAVE_ALL, "Save all active documents\nSave All"},
        {ID_EDIT_GOTO_LINE, "Go to specific line number\nGo to"},
        {ID_INSERT_PHP_CODE, "Insert php code tags\nPHP Code"},
        {ID_INSERT_PHP_EXPRESSION, "Insert php expression tags\nPHP Expression"},
        {ID_INSERT_HTML_OPEN, "Open HTML tag\nOpen Tag"},
        {ID_INSERT_HTML_CLOSE, "Close HTML tag\nClose HTML"},
        {ID_INSERT_PHP_STRING, "Start PHP string\nStart String"},
        {ID_INSERT_PHP_TAGGED_STRING, "Insert tagged PHP string\nTagged String"},
        {ID_VIEW_TOOLS, "Show or hide the tools window\nToggle Tools"},
        {ID_TOOLS_FTP, "Upload\\Download from FTP\nFTP"},
        {ID_INSERT_COLOR, "Insert color value\nColor"},
        {ID_ENCODING_ANSI, "Encode document as ANSI\nANSI"},
        {ID_ENCODING_UTF8, "Encode document as UTF-8"},
        {ID_FILE_PREFERENCES, "Show preferences dialog\nPreferences"},
        {ID_FILE_NEW, "Create a new document\nNew"},
        {ID_FILE_OPEN, "Open an existing document\nOpen"},
        {ID_FILE_CLOSE, "Close the active document\nClose"},
        {ID_FILE_SAVE, "Save the active document\nSave"},
        {ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As"},
        {ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
        {ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut"},
        {ID_EDIT_FIND, "Find the specified text\nFind"},
        {ID_EDIT_PASTE, "Insert Clipboard contents\nPaste"},
        {ID_EDIT_REPEAT, "Repeat the last action\nRepeat"},
        {ID_EDIT_REPLACE, "Replace specific text with different text\nReplace"},
        {ID_EDIT_SELECT_ALL, "Select the entire document\nSelect All"},
        {ID_EDIT_UNDO, "Undo the last action\nUndo"},
        {ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
        {ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
        {ID_NEXT_PANE, "Switch to the next window pane\nNext Pane"},
        {ID_PREV_PANE, "Switch back to the previous window pane\nPrevious Pane"},
        {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToggle ToolBar"},
        {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    };
    for (const auto& [id, text] : expected)
        EXPECT_EQ(LoadText(id), text) << "string " << id;
}

// ---------------------------------------------------------------------------------------------
// Toolbar

const std::vector<WORD> kToolbarButtons = {ID_FILE_NEW, ID_FILE_OPEN,    ID_FILE_SAVE, ID_FILE_SAVE_ALL,
                                           0,           ID_EDIT_CUT,     ID_EDIT_COPY, ID_EDIT_PASTE,
                                           0,           ID_INSERT_COLOR, ID_TOOLS_FTP, 0,
                                           ID_APP_ABOUT};

TEST(Toolbar, LayoutWords) {
    std::string bytes = ResourceBytes(MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(RT_QM_TOOLBAR));
    ASSERT_EQ(bytes.size() % 2, 0u);
    std::vector<WORD> words(bytes.size() / 2);
    std::memcpy(words.data(), bytes.data(), bytes.size());
    // Version 1, 16x16 images, the item count (separators included), then the items.
    std::vector<WORD> expected = {1, 16, 16, static_cast<WORD>(kToolbarButtons.size())};
    expected.insert(expected.end(), kToolbarButtons.begin(), kToolbarButtons.end());
    EXPECT_EQ(words, expected);
}

TEST(Toolbar, OneStripImagePerButton) {
    HBITMAP strip = static_cast<HBITMAP>(
        ::LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(strip, nullptr);
    DIBSECTION dib{};
    ASSERT_TRUE(::GetObjectA(strip, sizeof(dib), &dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 160);
    EXPECT_EQ(dib.dsBm.bmHeight, 16);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
    ::DeleteObject(strip);

    // Loaded the way the frame does it: magenta masked, 16 pixels per image.
    HIMAGELIST images = ImageList_LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), 16, 0,
                                             RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ASSERT_NE(images, nullptr);
    int buttons = static_cast<int>(
        std::count_if(kToolbarButtons.begin(), kToolbarButtons.end(), [](WORD id) { return id != 0; }));
    EXPECT_EQ(ImageList_GetImageCount(images), buttons);

    // Each image draws something and leaves its magenta background transparent.
    for (int i = 0; i < ImageList_GetImageCount(images); ++i) {
        Canvas canvas(16, 16, RGB(10, 20, 30));
        ImageList_Draw(images, i, canvas.Dc(), 0, 0, ILD_TRANSPARENT);
        int background = 0, magenta = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                background += canvas.At(x, y) == RGB(10, 20, 30);
                magenta += canvas.At(x, y) == RGB(255, 0, 255);
            }
        EXPECT_GT(background, 0) << "image " << i << " has no transparent pixel";
        EXPECT_LT(background, 200) << "image " << i << " is nearly empty";
        EXPECT_EQ(magenta, 0) << "image " << i;
    }
    ImageList_Destroy(images);
}

// ---------------------------------------------------------------------------------------------
// Tab close bitmap and icons

TEST(Images, TabCloseBitmapHasGreenCorners) {
    HBITMAP bitmap = ::LoadBitmapA(Module(), MAKEINTRESOURCEA(IDB_TABCLOSE));
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    ASSERT_TRUE(::GetObjectA(bitmap, sizeof(info), &info));
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);
    Canvas canvas(16, 16, RGB(0, 0, 0));
    HDC source = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(source, bitmap);
    ::BitBlt(canvas.Dc(), 0, 0, 16, 16, source, 0, 0, SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
    ::DeleteObject(bitmap);
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}})
        EXPECT_EQ(canvas.At(x, y), RGB(0, 255, 0));
    EXPECT_NE(canvas.At(7, 7), RGB(0, 255, 0));
    EXPECT_NE(canvas.At(3, 7), RGB(0, 255, 0));
}

// The size of the image the icon directory holds for the wanted size (0 when it has none).
int StoredIconSize(int groupId, int wanted) {
    std::string group = ResourceBytes(MAKEINTRESOURCEA(groupId), RT_GROUP_ICON);
    if (group.empty()) return 0;
    int iconId = ::LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(group.data()), TRUE, wanted, wanted,
                                               LR_DEFAULTCOLOR);
    std::string image = ResourceBytes(MAKEINTRESOURCEA(iconId), RT_ICON);
    if (image.size() < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER header;
    std::memcpy(&header, image.data(), sizeof(header));
    return header.biWidth == header.biHeight / 2 ? header.biWidth : -1;
}

TEST(Images, IconsHoldBothSizesWithTransparentCorners) {
    for (int id : {IDR_MAINFRAME, IDI_DOCUMENT}) {
        for (int size : {16, 32}) {
            SCOPED_TRACE("icon " + std::to_string(id) + " at " + std::to_string(size));
            EXPECT_EQ(StoredIconSize(id, size), size);
            HICON icon =
                static_cast<HICON>(::LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr);
            Canvas canvas(size, size, RGB(10, 20, 30));
            ::DrawIconEx(canvas.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
            ::DestroyIcon(icon);
            int drawn = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    drawn += canvas.At(x, y) != RGB(10, 20, 30);
            EXPECT_GT(drawn, size * size / 3);
            EXPECT_LT(drawn, size * size) << "no pixel is transparent";
        }
    }
}

// The shell numbers an executable's icons in resource order: the program first, documents second.
TEST(Images, ProgramIconFirstDocumentIconSecond) {
    std::vector<ULONG_PTR> names;
    ::EnumResourceNamesA(
        Module(), RT_GROUP_ICON,
        [](HMODULE, LPCSTR, LPSTR name, LONG_PTR list) -> BOOL {
            reinterpret_cast<std::vector<ULONG_PTR>*>(list)->push_back(reinterpret_cast<ULONG_PTR>(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names));
    EXPECT_EQ(names, (std::vector<ULONG_PTR>{IDR_MAINFRAME, IDI_DOCUMENT}));
}

// ---------------------------------------------------------------------------------------------
// Logo metafile

#pragma pack(push, 2)
struct PlaceableHeader {
    DWORD key;
    WORD handle;
    SHORT left, top, right, bottom;
    WORD inch;
    DWORD reserved;
    WORD checksum;
};
#pragma pack(pop)

TEST(Logo, PlaceableHeaderAndRecordsAreConsistent) {
    std::string bytes = ResourceBytes(MAKEINTRESOURCEA(IDR_LOGO), RT_QM_METAFILE);
    ASSERT_GT(bytes.size(), 22u + 18u);
    static_assert(sizeof(PlaceableHeader) == 22);
    PlaceableHeader placeable;
    std::memcpy(&placeable, bytes.data(), 22);
    EXPECT_EQ(placeable.key, 0x9AC6CDD7u);
    WORD sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= reinterpret_cast<const WORD*>(bytes.data())[i];
    EXPECT_EQ(placeable.checksum, sum);
    EXPECT_NEAR(placeable.right - placeable.left, 48, 8);
    EXPECT_NEAR(placeable.bottom - placeable.top, 48, 8);
    EXPECT_GT(placeable.inch, 0);

    std::string body = bytes.substr(22);
    METAHEADER header;
    std::memcpy(&header, body.data(), sizeof(header));
    EXPECT_EQ(header.mtType, 1);
    EXPECT_EQ(header.mtHeaderSize, 9);
    EXPECT_EQ(header.mtVersion, 0x300);
    EXPECT_EQ(header.mtSize * 2, body.size());

    // Walk the records: sizes add up, the largest is announced, the last is the end record.
    size_t offset = 18;
    DWORD largest = 0;
    WORD lastFunction = 0xFFFF;
    int records = 0;
    while (offset + 6 <= body.size()) {
        DWORD size;
        std::memcpy(&size, body.data() + offset, 4);
        std::memcpy(&lastFunction, body.data() + offset + 4, 2);
        ASSERT_GE(size, 3u) << "record at " << offset;
        largest = std::max(largest, size);
        offset += size * 2;
        ++records;
        if (lastFunction == 0) break;
    }
    EXPECT_EQ(offset, body.size());
    EXPECT_EQ(lastFunction, 0) << "no end record";
    EXPECT_EQ(header.mtMaxRecord, largest);
    EXPECT_GT(records, 5);
}

TEST(Logo, ConvertsToAnEnhancedMetafileThatDrawsTheLogo) {
    std::string bytes = ResourceBytes(MAKEINTRESOURCEA(IDR_LOGO), RT_QM_METAFILE);
    ASSERT_GT(bytes.size(), 22u);
    const BYTE* body = reinterpret_cast<const BYTE*>(bytes.data()) + 22;
    UINT size = static_cast<UINT>(bytes.size() - 22);

    HENHMETAFILE plain = ::SetWinMetaFileBits(size, body, nullptr, nullptr);
    EXPECT_NE(plain, nullptr);
    if (plain) ::DeleteEnhMetaFile(plain);

    METAFILEPICT picture{MM_ANISOTROPIC, 1270, 1270, nullptr}; // 48 units at 96 an inch, in 0.01 mm
    HENHMETAFILE logo = ::SetWinMetaFileBits(size, body, nullptr, &picture);
    ASSERT_NE(logo, nullptr);
    const COLORREF face = RGB(212, 208, 200);
    Canvas canvas(48, 48, face);
    RECT frame{0, 0, 48, 48};
    EXPECT_TRUE(::PlayEnhMetaFile(canvas.Dc(), logo, &frame));
    ::DeleteEnhMetaFile(logo);

    // A white page with dark outlines and a blue quill, the dialog's face showing around them.
    int dark = 0, blue = 0, white = 0, background = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            COLORREF c = canvas.At(x, y);
            dark += GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80;
            blue += GetBValue(c) > 150 && GetRValue(c) < 150;
            white += c == RGB(255, 255, 255);
            background += c == face;
        }
    EXPECT_GT(dark, 60) << "outlines missing";
    EXPECT_GT(blue, 100) << "quill missing";
    EXPECT_GT(white, 300) << "page missing";
    EXPECT_GT(background, 200) << "the picture does not leave the background around it";
    EXPECT_EQ(canvas.At(0, 47), face);
}

// ---------------------------------------------------------------------------------------------
// About box

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

RECT ScreenRect(HWND window) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    return rect;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Height that the static's text needs at its width, drawn the way a left-aligned static draws it.
int NeededHeight(HWND control, HFONT font) {
    char text[1024];
    ::GetWindowTextA(control, text, sizeof(text));
    RECT client;
    ::GetClientRect(control, &client);
    HDC dc = ::GetDC(control);
    HGDIOBJ old = ::SelectObject(dc, font);
    RECT need = client;
    ::DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    ::SelectObject(dc, old);
    ::ReleaseDC(control, dc);
    EXPECT_LE(need.right, client.right) << text;
    return need.bottom;
}

class AboutBox : public testing::Test {
  protected:
    void SetUp() override {
        dialog_ = ::CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, QuietDialogProc, 0);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override {
        if (dialog_) ::DestroyWindow(dialog_);
    }
    HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
    std::string Text(int id) const {
        char text[1024] = "";
        ::GetWindowTextA(Item(id), text, sizeof(text));
        return text;
    }
    HWND dialog_ = nullptr;
};

TEST_F(AboutBox, FrameAndControls) {
    char caption[64];
    ::GetWindowTextA(dialog_, caption, sizeof(caption));
    EXPECT_STREQ(caption, "About");
    DWORD style = static_cast<DWORD>(::GetWindowLongA(dialog_, GWL_STYLE));
    for (DWORD bit : {DWORD(DS_MODALFRAME), DWORD(WS_POPUP), DWORD(WS_CAPTION), DWORD(WS_SYSMENU)})
        EXPECT_EQ(style & bit, bit);

    EXPECT_EQ(Text(IDC_ABOUT_GROUP), "Quillmark 1.0");
    EXPECT_EQ(::GetWindowLongA(Item(IDC_ABOUT_GROUP), GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);
    EXPECT_EQ(Text(IDC_ABOUT_CREDITS_TITLE), "Credits");
    EXPECT_EQ(::GetWindowLongA(Item(IDC_ABOUT_LOGO), GWL_STYLE) & SS_TYPEMASK, SS_OWNERDRAW);

    // Room for the 48-pixel logo at the top left, the notice beside it.
    RECT logo = ScreenRect(Item(IDC_ABOUT_LOGO)), notice = ScreenRect(Item(IDC_ABOUT_NOTICE));
    EXPECT_NEAR(logo.right - logo.left, 48, 6);
    EXPECT_NEAR(logo.bottom - logo.top, 48, 6);
    EXPECT_GE(notice.left, logo.right);

    // No buttons: only the group box is of the button class, and every control lies in it.
    RECT group = ScreenRect(Item(IDC_ABOUT_GROUP));
    int children = 0;
    for (HWND child = ::GetWindow(dialog_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ++children;
        char name[32];
        ::GetClassNameA(child, name, sizeof(name));
        if (child == Item(IDC_ABOUT_GROUP)) continue;
        EXPECT_STRNE(name, "Button") << ::GetDlgCtrlID(child);
        EXPECT_TRUE(Inside(ScreenRect(child), group)) << ::GetDlgCtrlID(child);
    }
    EXPECT_EQ(children, 5);
    RECT client;
    ::GetClientRect(dialog_, &client);
    ::MapWindowPoints(dialog_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_TRUE(Inside(group, client));
}

TEST_F(AboutBox, CreditsNameEveryLibrary) {
    std::string credits = Text(IDC_ABOUT_CREDITS);
    for (const char* name :
         {"Scintilla", "Lexilla", "Neil Hodgson", "TinyXML", "Lee Thomason", "Boost.Regex", "John Maddock",
          "Exuberant Ctags", "Darren Hiebert", "the PHP Documentation Group, PHP Manual", "CC BY 3.0"})
        EXPECT_NE(credits.find(name), std::string::npos) << name;
    EXPECT_NE(Text(IDC_ABOUT_NOTICE).find("Quillmark 1.0"), std::string::npos);
}

TEST_F(AboutBox, NoTextIsClipped) {
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(dialog_, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA bold;
    ::GetObjectA(font, sizeof(bold), &bold);
    bold.lfWeight = FW_BOLD; // the heading is shown in bold
    HFONT boldFont = ::CreateFontIndirectA(&bold);
    for (int id : {IDC_ABOUT_NOTICE, IDC_ABOUT_CREDITS, IDC_ABOUT_CREDITS_TITLE}) {
        RECT client;
        ::GetClientRect(Item(id), &client);
        EXPECT_LE(NeededHeight(Item(id), id == IDC_ABOUT_CREDITS_TITLE ? boldFont : font), client.bottom)
            << "control " << id;
    }
    ::DeleteObject(boldFont);

    // The group box title fits between the frame's corners.
    HDC dc = ::GetDC(dialog_);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE title;
    ::GetTextExtentPoint32A(dc, "Quillmark 1.0", 13, &title);
    ::SelectObject(dc, old);
    ::ReleaseDC(dialog_, dc);
    RECT group = ScreenRect(Item(IDC_ABOUT_GROUP));
    EXPECT_LT(title.cx + 20, group.right - group.left);
}

// ---------------------------------------------------------------------------------------------
// Version information and manifest

std::string VersionString(const std::vector<char>& block, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!::VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        return "<missing>";
    return value;
}

TEST(Version, FixedAndStringInformation) {
    std::string exe = ExePath();
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(::GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(20, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(20, 0));

    const std::map<std::string, std::string> strings = {{"CompanyName", "Altav"},
                                                        {"FileDescription", "Quillmark PHP editor"},
                                                        {"FileVersion", "1.0.0.20"},
                                                        {"ProductVersion", "1.0.0.20"},
                                                        {"ProductName", "Quillmark"},
                                                        {"InternalName", "Quillmark"},
                                                        {"OriginalFilename", "Quillmark.exe"}};
    for (const auto& [name, value] : strings)
        EXPECT_EQ(VersionString(block, name.c_str()), value) << name;
    EXPECT_NE(VersionString(block, "LegalCopyright").find("Altav"), std::string::npos);

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x409);
    EXPECT_EQ(translation[1], 1200);
}

TEST(Manifest, SelectsCommonControlsSix) {
    std::string manifest = ResourceBytes(MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_FALSE(manifest.empty());
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
                             "publicKeyToken=\"6595b64144ccf1df\"", "level=\"asInvoker\""})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    // And the loader honoured it: the common controls in use come from the side-by-side store,
    // not from the system folder (Wine's copy reports 5.81 in both places, so the path tells).
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), path, MAX_PATH);
    EXPECT_TRUE(StrStrIA(path, "common-controls_6595b64144ccf1df_6.")) << path;
}

} // namespace
