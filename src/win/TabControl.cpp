// TabControl.
#include "win/TabControl.h"

#include <commctrl.h>

#include "win/Handles.h"

HWND TabControl::CreateTabControl(HWND parent, UINT id, DWORD style, DWORD exStyle) {
    HWND tabs = ::CreateWindowExA(exStyle, WC_TABCONTROLA, "",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | style, 0, 0, 0,
                                  0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!tabs) return nullptr;
    ::SendMessageA(tabs, TCM_SETEXTENDEDSTYLE, TCS_EX_FLATSEPARATORS, TCS_EX_FLATSEPARATORS);
    ::SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    Subclass(tabs);
    return tabs;
}

int TabControl::Count() const {
    return static_cast<int>(::SendMessageA(Handle(), TCM_GETITEMCOUNT, 0, 0));
}

int TabControl::SelectedIndex() const {
    return static_cast<int>(::SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
}

LPARAM TabControl::ItemData(int index) const {
    if (index < 0 || index >= Count()) return 0;
    TCITEMA item{};
    item.mask = TCIF_PARAM;
    if (!::SendMessageA(Handle(), TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

RECT TabControl::DisplayArea() const {
    RECT area{};
    ::GetClientRect(Handle(), &area);
    ::SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    return area;
}

// The control paints its tabs but not the strip beside them, and not always on its first
// paint: the background comes from here, then the control paints into the same DC. The pages
// and views clip themselves out of it.
LRESULT TabControl::OnEraseBackground(Message&) {
    return 1;
}

LRESULT TabControl::OnPaint(Message& msg) {
    PaintScope paint(Handle());
    ::FillRect(paint.Get(), &paint.Area(), ::GetSysColorBrush(COLOR_3DFACE));
    Message print{msg.window, WM_PAINT, reinterpret_cast<WPARAM>(paint.Get()), 0};
    DefaultProcessing(print);
    return 0;
}
