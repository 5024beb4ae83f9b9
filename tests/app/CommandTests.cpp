// Commands: enabled states and check marks, accelerators, View toggles, prompts and tooltips,
// the About box.
#include "support/FrameFixture.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

#include "resources/Resource.h"

using namespace testing_support;

namespace {

UINT MenuState(HMENU menu, UINT id) {
    MENUITEMINFOA info{sizeof(info)};
    info.fMask = MIIM_STATE;
    if (!::GetMenuItemInfoA(menu, id, FALSE, &info)) return 0xFFFFFFFF;
    return info.fState;
}

bool Enabled(HMENU menu, UINT id) {
    return (MenuState(menu, id) & MFS_GRAYED) == 0;
}
bool Checked(HMENU menu, UINT id) {
    return (MenuState(menu, id) & MFS_CHECKED) != 0;
}

// Presses a key with the given modifiers through the frame's message filter, as the loop does.
bool PressKey(MainFrame& frame, HWND target, UINT key, bool ctrl, bool shift = false, bool alt = false) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    ::SetKeyboardState(keys);
    MSG msg{target, static_cast<UINT>(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key, alt ? (1 << 29) | 1 : 1};
    bool consumed = frame.PreTranslateMessage(msg);
    keys[VK_CONTROL] = keys[VK_SHIFT] = keys[VK_MENU] = 0;
    ::SetKeyboardState(keys);
    return consumed;
}

std::string StatusText(HWND status) {
    // In simple mode the first part reads back the simple text.
    char text[256] = "";
    ::SendMessageA(status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

} // namespace

TEST_F(FrameTest, EnabledStatesFollowTheSelectedDocument) {
    HMENU menu = Menu();
    HWND toolbar = Child(ID_TOOLBAR);
    const EditorView& view = frame_->Tabs().SelectedDocument()->View();

    frame_->UpdateCommandUI();
    EXPECT_TRUE(Enabled(menu, ID_FILE_SAVE));
    EXPECT_FALSE(Enabled(menu, ID_FILE_SAVE_ALL)) << "nothing is modified";
    EXPECT_FALSE(Enabled(menu, ID_EDIT_UNDO));
    EXPECT_FALSE(Enabled(menu, ID_EDIT_CUT));
    EXPECT_FALSE(Enabled(menu, ID_EDIT_COPY));
    EXPECT_TRUE(Checked(menu, ID_ENCODING_UTF8)) << "a new document is UTF-8";
    EXPECT_FALSE(Checked(menu, ID_ENCODING_ANSI));

    view.Call(SCI_REPLACESEL, 0, "hello");
    view.Call(SCI_SETSEL, 0, 3);
    frame_->UpdateCommandUI();
    EXPECT_TRUE(Enabled(menu, ID_FILE_SAVE_ALL));
    EXPECT_TRUE(Enabled(menu, ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(menu, ID_EDIT_CUT));
    EXPECT_TRUE(Enabled(menu, ID_EDIT_COPY));
    EXPECT_TRUE(::SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_EDIT_CUT, 0))
        << "the toolbar follows the menu";

    view.Call(SCI_SETREADONLY, 1);
    frame_->UpdateCommandUI();
    EXPECT_FALSE(Enabled(menu, ID_FILE_SAVE));
    EXPECT_FALSE(Enabled(menu, ID_EDIT_CUT)) << "no cutting from a read-only document";
    EXPECT_TRUE(Enabled(menu, ID_EDIT_COPY));
    EXPECT_FALSE(::SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_FILE_SAVE, 0));
    view.Call(SCI_SETREADONLY, 0);

    Command(ID_ENCODING_ANSI);
    frame_->UpdateCommandUI();
    EXPECT_TRUE(Checked(menu, ID_ENCODING_ANSI));
    EXPECT_FALSE(Checked(menu, ID_ENCODING_UTF8));
    EXPECT_EQ(view.Call(SCI_GETCODEPAGE), 0);

    // Without any document everything that needs one is off, also through its accelerator.
    view.Call(SCI_SETSAVEPOINT);
    Command(ID_FILE_CLOSE);
    ASSERT_EQ(frame_->Tabs().Count(), 0);
    frame_->UpdateCommandUI();
    for (UINT id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_EDIT_SELECT_ALL, ID_EDIT_FIND,
                    ID_INSERT_PHP_CODE, ID_ENCODING_ANSI, ID_ENCODING_UTF8})
        EXPECT_FALSE(Enabled(menu, id)) << id;
    EXPECT_FALSE(Checked(menu, ID_ENCODING_UTF8));
    EXPECT_TRUE(Enabled(menu, ID_FILE_NEW));
    EXPECT_TRUE(Enabled(menu, ID_APP_ABOUT));
    PressKey(*frame_, window_, 'A', true);
    PressKey(*frame_, window_, VK_F4, true);
    EXPECT_EQ(frame_->Tabs().Count(), 0);

    EXPECT_TRUE(PressKey(*frame_, window_, 'N', true)) << "Ctrl+N";
    EXPECT_EQ(frame_->Tabs().Count(), 1);
}

TEST_F(FrameTest, AcceleratorsReachTheirCommands) {
    HWND view = frame_->Tabs().SelectedDocument()->ViewWindow();
    const EditorView& editor = frame_->Tabs().SelectedDocument()->View();
    editor.Call(SCI_REPLACESEL, 0, "typed");

    // Alt+Backspace undoes like Ctrl+Z.
    EXPECT_TRUE(PressKey(*frame_, view, VK_BACK, false, false, true));
    EXPECT_EQ(editor.Call(SCI_GETLENGTH), 0);
    editor.Call(SCI_REDO);

    // Ctrl+Insert copies.
    if (::OpenClipboard(window_)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
    editor.Call(SCI_SELECTALL);
    EXPECT_TRUE(PressKey(*frame_, view, VK_INSERT, true));
    std::string copied;
    if (::OpenClipboard(window_)) {
        if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
            copied = static_cast<const char*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
    }
    EXPECT_EQ(copied, "typed");

    // F6 and Shift+F6 move between tabs and stop at the ends.
    Command(ID_FILE_NEW);
    Command(ID_FILE_NEW);
    ASSERT_EQ(frame_->Tabs().SelectedIndex(), 2);
    EXPECT_TRUE(PressKey(*frame_, view, VK_F6, false));
    EXPECT_EQ(frame_->Tabs().SelectedIndex(), 2) << "no wrap-around";
    PressKey(*frame_, view, VK_F6, false, true);
    EXPECT_EQ(frame_->Tabs().SelectedIndex(), 1);
    EXPECT_EQ(::GetFocus(), frame_->Tabs().SelectedDocument()->ViewWindow());

    // Ctrl+Tab and Ctrl+Shift+Tab do the same, in the view that has the focus: the editor must
    // not take them as a tab character.
    HWND focused = frame_->Tabs().SelectedDocument()->ViewWindow();
    EXPECT_TRUE(PressKey(*frame_, focused, VK_TAB, true));
    EXPECT_EQ(frame_->Tabs().SelectedIndex(), 2);
    focused = frame_->Tabs().SelectedDocument()->ViewWindow();
    EXPECT_TRUE(PressKey(*frame_, focused, VK_TAB, true, true));
    PressKey(*frame_, ::GetFocus(), VK_TAB, true, true);
    EXPECT_EQ(frame_->Tabs().SelectedIndex(), 0);
}

TEST_F(FrameTest, ViewTogglesShowAndHideAndKeepTheirCheckMarks) {
    HMENU menu = Menu();
    Splitter& split = Part<Splitter>(ID_SPLITTER);
    PaneContainer& tools = ToolsPane();
    Command(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(BandShown(window_, ID_BAND_TOOLBAR));
    EXPECT_FALSE(Checked(menu, ID_VIEW_TOOLBAR));
    Command(ID_VIEW_TOOLBAR);
    EXPECT_TRUE(BandShown(window_, ID_BAND_TOOLBAR));
    EXPECT_TRUE(Checked(menu, ID_VIEW_TOOLBAR));

    Command(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(::IsWindowVisible(Child(ID_STATUS_BAR)));
    EXPECT_FALSE(Checked(menu, ID_VIEW_STATUS_BAR));
    RECT client, splitter;
    ::GetClientRect(window_, &client);
    ::GetWindowRect(split.Handle(), &splitter);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&splitter), 2);
    EXPECT_EQ(splitter.bottom, client.bottom) << "the documents take the status bar's place";
    Command(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(::IsWindowVisible(Child(ID_STATUS_BAR)));

    // Tools twice: gone, then back at its previous width.
    split.SetSplitterPosition(260);
    Command(ID_VIEW_TOOLS);
    EXPECT_FALSE(::IsWindowVisible(tools.Handle()));
    EXPECT_FALSE(Checked(menu, ID_VIEW_TOOLS));
    Command(ID_VIEW_TOOLS);
    EXPECT_TRUE(::IsWindowVisible(tools.Handle()));
    EXPECT_TRUE(Checked(menu, ID_VIEW_TOOLS));
    RECT pane;
    ::GetWindowRect(tools.Handle(), &pane);
    EXPECT_EQ(pane.right - pane.left, 260);

    // The pane's own close button, pressed like a user does.
    RECT button = tools.CloseButtonRect();
    LPARAM point = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    ::SendMessageA(tools.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    ::SendMessageA(tools.Handle(), WM_LBUTTONUP, 0, point);
    EXPECT_FALSE(::IsWindowVisible(tools.Handle()));
    EXPECT_FALSE(Checked(menu, ID_VIEW_TOOLS));
    EXPECT_EQ(split.DefaultActivePane(), Splitter::rightPane);
}

TEST_F(FrameTest, MenuPromptsAndToolbarTooltips) {
    HWND status = Child(ID_STATUS_BAR);
    ::SendMessageA(window_, WM_MENUSELECT, MAKEWPARAM(ID_FILE_NEW, MF_STRING),
                   reinterpret_cast<LPARAM>(Menu()));
    EXPECT_EQ(StatusText(status), "Create a new document");
    ::SendMessageA(window_, WM_MENUSELECT, MAKEWPARAM(ID_FILE_MRU_FIRST + 2, MF_STRING),
                   reinterpret_cast<LPARAM>(Menu()));
    EXPECT_EQ(StatusText(status), "Open this document");
    ::SendMessageA(window_, WM_MENUSELECT, MAKEWPARAM(SC_MAXIMIZE, MF_STRING | MF_SYSMENU),
                   reinterpret_cast<LPARAM>(::GetSystemMenu(window_, FALSE)));
    EXPECT_EQ(StatusText(status), "Enlarge the window to full size");
    ::SendMessageA(window_, WM_MENUSELECT, MAKEWPARAM(ID_ENCODING_UTF8, MF_STRING),
                   reinterpret_cast<LPARAM>(Menu()));
    EXPECT_EQ(StatusText(status), "Encode document as UTF-8") << "an entry without tooltip is all prompt";
    ::SendMessageA(window_, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(StatusText(status), "Ready");

    for (auto [id, tip] : {std::pair<UINT, const char*>{ID_FILE_NEW, "New"},
                           {ID_FILE_SAVE_ALL, "Save All"},
                           {ID_TOOLS_FTP, "FTP"},
                           {ID_APP_ABOUT, "About"}}) {
        NMTTDISPINFOA info{};
        info.hdr.hwndFrom = reinterpret_cast<HWND>(::SendMessageA(Child(ID_TOOLBAR), TB_GETTOOLTIPS, 0, 0));
        info.hdr.idFrom = id;
        info.hdr.code = TTN_GETDISPINFOA;
        ::SendMessageA(window_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        ASSERT_NE(info.lpszText, nullptr);
        EXPECT_STREQ(info.lpszText, tip);
    }
}

TEST_F(FrameTest, AboutBoxShowsNameVersionAndCredits) {
    std::string group, credits;
    bool bold = false;
    DialogWatcher watcher("About", [&](HWND dialog) {
        group = WindowText(::GetDlgItem(dialog, IDC_ABOUT_GROUP));
        credits = WindowText(::GetDlgItem(dialog, IDC_ABOUT_CREDITS));
        auto font = reinterpret_cast<HFONT>(
            ::SendMessageA(::GetDlgItem(dialog, IDC_ABOUT_CREDITS_TITLE), WM_GETFONT, 0, 0));
        LOGFONTA logFont{};
        bold = font && ::GetObjectA(font, sizeof(logFont), &logFont) && logFont.lfWeight == FW_BOLD;
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); // what Esc does
    });
    Command(ID_APP_ABOUT); // returns when the box is closed
    EXPECT_TRUE(watcher.Seen());
    EXPECT_EQ(group, "Quillmark 1.0");
    EXPECT_NE(credits.find("the PHP Documentation Group, PHP Manual"), std::string::npos) << credits;
    EXPECT_NE(credits.find("Scintilla"), std::string::npos);
    EXPECT_TRUE(bold);
}

TEST_F(FrameTest, AltAndAMnemonicOpensThatMenu) {
    // The pop-up menu runs its own loop inside the key's handling: watch for it from another
    // thread, read which menu it shows, and close it with Esc as a user would.
    std::atomic<int> items{-1};
    std::thread watcher([&] {
        for (int i = 0; i < 500; ++i) {
            HWND menu = ::FindWindowA("#32768", nullptr);
            if (menu && ::IsWindowVisible(menu)) {
                HMENU shown = reinterpret_cast<HMENU>(::SendMessageA(menu, MN_GETHMENU, 0, 0));
                items = shown ? ::GetMenuItemCount(shown) : 0;
                ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                return;
            }
            ::Sleep(10);
        }
    });
    HWND view = frame_->Tabs().SelectedDocument()->ViewWindow();
    MSG msg{view, WM_SYSCHAR, 'h', static_cast<LPARAM>(KF_ALTDOWN) << 16};
    EXPECT_TRUE(frame_->PreTranslateMessage(msg));
    watcher.join();
    EXPECT_EQ(items, 1) << "Help holds one item";
    CommandBar& bar = Part<CommandBar>(ID_COMMAND_BAR);
    EXPECT_TRUE(bar.InKeyboardMode()) << "Esc leaves the bar active";
    ::SendMessageA(bar.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(bar.InKeyboardMode());
}
