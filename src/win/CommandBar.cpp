// CommandBar: a toolbar whose buttons open the menus of a menu resource.
#include "win/CommandBar.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cctype>

namespace {
constexpr int firstButtonId = 1;
thread_local CommandBar* trackingBar = nullptr;
constexpr int menuImageSize = 16;
} // namespace

const MessageRow<CommandBar> CommandBar::messageTable[] = {
    MessageHandler(WM_LBUTTONDOWN, &CommandBar::OnLButtonDown),
    MessageHandler(WM_LBUTTONDBLCLK, &CommandBar::OnLButtonDoubleClick),
    MessageHandler(WM_KEYDOWN, &CommandBar::OnKeyDown),
    MessageHandler(WM_CHAR, &CommandBar::OnChar),
    MessageHandler(WM_SYSKEYDOWN, &CommandBar::OnSysKey),
    MessageHandler(WM_SYSKEYUP, &CommandBar::OnSysKey),
    MessageHandler(WM_KILLFOCUS, &CommandBar::OnKillFocus),
    MessageHandler(WM_GETDLGCODE, &CommandBar::OnGetDlgCode),
    MessageHandler(WM_DESTROY, &CommandBar::OnDestroy),
};

CommandBar::~CommandBar() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
}

HWND CommandBar::Create(HWND parent, HWND owner, HMENU menu, UINT controlId) {
    menu_.Reset(menu);
    owner_ = owner;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                  TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    HWND bar = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style, 0, 0, 100, 20, parent,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)),
                                 ::GetModuleHandleA(nullptr), nullptr);
    if (!bar) return nullptr;
    ::SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_HIDECLIPPEDBUTTONS);
    ::SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));

    int count = ::GetMenuItemCount(menu);
    labels_.clear();
    for (int i = 0; i < count; ++i) {
        char text[128] = "";
        ::GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        labels_.push_back(text);
    }
    std::vector<TBBUTTON> buttons;
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = firstButtonId + i;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(labels_[i].c_str());
        buttons.push_back(button);
    }
    ::SendMessageA(bar, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageA(bar, TB_AUTOSIZE, 0, 0);
    Subclass(bar);
    return bar;
}

void CommandBar::SetMenuImages(HIMAGELIST images, std::vector<std::pair<UINT, int>> commandImages) {
    menuImages_ = images;
    commandImages_ = std::move(commandImages);
    // Every command item asks the owner to draw its image, also those without one: menus
    // measure their text column differently for items with and without an image.
    auto mark = [&](auto&& self, HMENU menu) -> void {
        int count = ::GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            MENUITEMINFOA info{sizeof(info)};
            info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
            if (!::GetMenuItemInfoA(menu, i, TRUE, &info)) continue;
            if (info.hSubMenu) {
                self(self, info.hSubMenu);
                continue;
            }
            if (info.fType & MFT_SEPARATOR) continue;
            MENUITEMINFOA bitmap{sizeof(bitmap)};
            bitmap.fMask = MIIM_BITMAP;
            bitmap.hbmpItem = HBMMENU_CALLBACK;
            ::SetMenuItemInfoA(menu, i, TRUE, &bitmap);
        }
    };
    mark(mark, menu_.Get());
}

int CommandBar::MenuImageOf(UINT command) const {
    for (const auto& [id, image] : commandImages_)
        if (id == command) return image;
    return -1;
}

int CommandBar::ButtonCount() const {
    return static_cast<int>(::SendMessageA(Handle(), TB_BUTTONCOUNT, 0, 0));
}

int CommandBar::IdealWidth() const {
    int width = 0;
    for (int i = 0; i < ButtonCount(); ++i) {
        RECT rect = ButtonRect(i);
        width = std::max<int>(width, rect.right);
    }
    return width;
}

int CommandBar::Height() const {
    DWORD size = static_cast<DWORD>(::SendMessageA(Handle(), TB_GETBUTTONSIZE, 0, 0));
    return HIWORD(size);
}

RECT CommandBar::ButtonRect(int index) const {
    RECT rect{};
    ::SendMessageA(Handle(), TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

int CommandBar::HitTest(POINT client) const {
    for (int i = 0; i < ButtonCount(); ++i) {
        RECT rect = ButtonRect(i);
        if (::PtInRect(&rect, client)) return i;
    }
    return -1;
}

int CommandBar::FindMnemonic(int key) const {
    int wanted = std::toupper(static_cast<unsigned char>(key));
    for (size_t i = 0; i < labels_.size(); ++i) {
        const std::string& label = labels_[i];
        for (size_t k = 0; k + 1 < label.size(); ++k) {
            if (label[k] != '&') continue;
            if (label[k + 1] == '&') {
                ++k;
                continue;
            }
            if (std::toupper(static_cast<unsigned char>(label[k + 1])) == wanted) return static_cast<int>(i);
            break;
        }
    }
    return -1;
}

bool CommandBar::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

LRESULT CommandBar::OnLButtonDown(Message& msg) {
    int index = HitTest(msg.Point());
    if (index < 0) {
        msg.PassOn();
        return 0;
    }
    // The menu opens on the press, like a menu bar; the toolbar never sees a click.
    TrackMenu(index, false);
    return 0;
}

LRESULT CommandBar::OnLButtonDoubleClick(Message& msg) {
    return OnLButtonDown(msg);
}

void CommandBar::EnterKeyboardMode() {
    if (keyboardMode_ || ButtonCount() == 0) return;
    focusBefore_ = ::GetFocus();
    keyboardMode_ = true;
    ::SetFocus(Handle());
    ::SendMessageA(Handle(), TB_SETHOTITEM, 0, 0);
    ::SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
}

void CommandBar::ExitKeyboardMode(bool restoreFocus) {
    if (!keyboardMode_) return;
    keyboardMode_ = false;
    ::SendMessageA(Handle(), TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
    if (restoreFocus && focusBefore_ && ::IsWindow(focusBefore_)) ::SetFocus(focusBefore_);
    focusBefore_ = nullptr;
}

bool CommandBar::OnKeyMenu(int key) {
    if (key == ' ') return false; // Alt+Space is the window menu
    if (key == 0) {
        if (keyboardMode_)
            ExitKeyboardMode(true);
        else
            EnterKeyboardMode();
        return true;
    }
    int index = FindMnemonic(key);
    if (index < 0) return false;
    TrackMenu(index, true);
    return true;
}

LRESULT CommandBar::OnKeyDown(Message& msg) {
    if (!keyboardMode_) {
        msg.PassOn();
        return 0;
    }
    int count = ButtonCount();
    int hot = static_cast<int>(::SendMessageA(Handle(), TB_GETHOTITEM, 0, 0));
    if (hot < 0) hot = 0;
    switch (msg.wParam) {
    case VK_LEFT:
        ::SendMessageA(Handle(), TB_SETHOTITEM, (hot + count - 1) % count, 0);
        break;
    case VK_RIGHT:
        ::SendMessageA(Handle(), TB_SETHOTITEM, (hot + 1) % count, 0);
        break;
    case VK_DOWN:
    case VK_UP:
    case VK_RETURN:
        TrackMenu(hot, true);
        break;
    case VK_ESCAPE:
        ExitKeyboardMode(true);
        break;
    default:
        break;
    }
    return 0;
}

LRESULT CommandBar::OnChar(Message& msg) {
    if (!keyboardMode_) {
        msg.PassOn();
        return 0;
    }
    int index = FindMnemonic(static_cast<int>(msg.wParam));
    if (index >= 0)
        TrackMenu(index, true);
    else
        ::MessageBeep(0);
    return 0;
}

LRESULT CommandBar::OnSysKey(Message& msg) {
    // Alt pressed again while in keyboard mode leaves it, like a menu bar.
    if (keyboardMode_ && (msg.wParam == VK_MENU || msg.wParam == VK_F10)) {
        if (msg.message == WM_SYSKEYUP) ExitKeyboardMode(true);
        return 0;
    }
    msg.PassOn();
    return 0;
}

LRESULT CommandBar::OnKillFocus(Message& msg) {
    if (keyboardMode_ && openIndex_ < 0) ExitKeyboardMode(false);
    msg.PassOn();
    return 0;
}

LRESULT CommandBar::OnGetDlgCode(Message& msg) {
    if (keyboardMode_) return DLGC_WANTALLKEYS;
    msg.PassOn();
    return 0;
}

LRESULT CommandBar::OnDestroy(Message& msg) {
    if (openIndex_ >= 0) ::EndMenu();
    msg.PassOn();
    return 0;
}

void CommandBar::TrackMenu(int index, bool fromKeyboard) {
    if (openIndex_ >= 0 || index < 0 || index >= ButtonCount()) return;
    bool wasKeyboard = keyboardMode_;
    HWND focus = wasKeyboard ? focusBefore_ : ::GetFocus();
    while (index >= 0) {
        HMENU popup = ::GetSubMenu(menu_.Get(), index);
        if (!popup) break;
        openIndex_ = index;
        nextIndex_ = -1;
        escapeToBar_ = false;
        selectedMenu_ = popup;
        selectedIsPopup_ = false;
        ::GetCursorPos(&lastMouse_);

        RECT button = ButtonRect(index);
        ::MapWindowPoints(Handle(), nullptr, reinterpret_cast<POINT*>(&button), 2);
        ::SendMessageA(Handle(), TB_PRESSBUTTON, firstButtonId + index, TRUE);
        if (fromKeyboard) ::PostMessageA(Handle(), WM_KEYDOWN, VK_DOWN, 0); // select the first item

        TPMPARAMS params{sizeof(params), button};
        trackingBar = this;
        hook_ = ::SetWindowsHookExA(WH_MSGFILTER, MenuHook, nullptr, ::GetCurrentThreadId());
        UINT command = ::TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_RETURNCMD,
                                          button.left, button.bottom, owner_, &params);
        if (hook_) ::UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
        trackingBar = nullptr;
        ::SendMessageA(Handle(), TB_PRESSBUTTON, firstButtonId + index, FALSE);
        openIndex_ = -1;

        if (command) {
            ExitKeyboardMode(false);
            if (focus && ::IsWindow(focus)) ::SetFocus(focus);
            ::PostMessageA(owner_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
            return;
        }
        int closedIndex = index;
        index = nextIndex_;
        fromKeyboard = nextFromKeyboard_;
        if (index < 0 && escapeToBar_) {
            // Esc closes the menu but leaves the bar active with its button highlighted.
            if (!keyboardMode_) {
                EnterKeyboardMode();
                focusBefore_ = focus;
            }
            ::SendMessageA(Handle(), TB_SETHOTITEM, closedIndex, 0);
            return;
        }
    }
    ExitKeyboardMode(true);
}

LRESULT CALLBACK CommandBar::MenuHook(int code, WPARAM wParam, LPARAM lParam) {
    CommandBar* bar = trackingBar;
    if (code == MSGF_MENU && bar && bar->OnMenuInput(*reinterpret_cast<MSG*>(lParam))) return TRUE;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Input seen while one of our menus is open: moving to the next menu by mouse or arrow keys.
bool CommandBar::OnMenuInput(const MSG& msg) {
    int count = ButtonCount();
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        // Mouse messages of the menu loop carry screen coordinates.
        POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        if (screen.x == lastMouse_.x && screen.y == lastMouse_.y) return false;
        lastMouse_ = screen;
        POINT client = screen;
        ::ScreenToClient(Handle(), &client);
        int index = HitTest(client);
        if (index >= 0 && index != openIndex_) {
            nextIndex_ = index;
            nextFromKeyboard_ = false;
            ::EndMenu();
            return true;
        }
        return false;
    }
    case WM_KEYDOWN: {
        bool topLevel = selectedMenu_ == ::GetSubMenu(menu_.Get(), openIndex_);
        if (msg.wParam == VK_LEFT && topLevel) {
            nextIndex_ = (openIndex_ + count - 1) % count;
        } else if (msg.wParam == VK_RIGHT && !selectedIsPopup_) {
            nextIndex_ = (openIndex_ + 1) % count;
        } else if (msg.wParam == VK_ESCAPE && topLevel) {
            escapeToBar_ = true;
            return false; // the menu closes itself
        } else {
            return false;
        }
        nextFromKeyboard_ = true;
        ::EndMenu();
        return true;
    }
    default:
        return false;
    }
}

void CommandBar::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
    if (openIndex_ < 0) return;
    UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) return; // the menu is closing
    selectedMenu_ = reinterpret_cast<HMENU>(lParam);
    selectedIsPopup_ = (flags & MF_POPUP) != 0;
}

bool CommandBar::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU || !menuImages_) return false;
    item.itemWidth = menuImageSize;
    item.itemHeight = menuImageSize;
    return true;
}

bool CommandBar::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU || !menuImages_) return false;
    int image = MenuImageOf(item.itemID);
    if (image < 0) return true;
    int x = item.rcItem.left + (item.rcItem.right - item.rcItem.left - menuImageSize) / 2;
    int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - menuImageSize) / 2;
    if (item.itemState & (ODS_GRAYED | ODS_DISABLED)) {
        Icon icon(::ImageList_GetIcon(menuImages_, image, ILD_NORMAL));
        ::DrawStateA(item.hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.Get()), 0, x, y, menuImageSize,
                     menuImageSize, DST_ICON | DSS_DISABLED);
    } else {
        ::ImageList_Draw(menuImages_, image, item.hDC, x, y, ILD_TRANSPARENT);
    }
    return true;
}

void CommandBar::ShowOverflowMenu(int visibleRight, POINT screenPoint) {
    MenuHandle overflow(::CreatePopupMenu());
    int count = ButtonCount();
    for (int i = 0; i < count; ++i) {
        RECT rect = ButtonRect(i);
        if (rect.right <= visibleRight) continue;
        ::AppendMenuA(overflow.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(::GetSubMenu(menu_.Get(), i)),
                      labels_[i].c_str());
    }
    if (::GetMenuItemCount(overflow.Get()) > 0) {
        UINT command = ::TrackPopupMenuEx(overflow.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD,
                                          screenPoint.x, screenPoint.y, owner_, nullptr);
        if (command) ::PostMessageA(owner_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    // The submenus belong to the real menu: take them out before the pop-up is destroyed.
    while (::GetMenuItemCount(overflow.Get()) > 0)
        ::RemoveMenu(overflow.Get(), 0, MF_BYPOSITION);
}
