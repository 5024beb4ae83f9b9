// PageTabs: page windows laid over a tab control's display area.
#include "win/PageTabs.h"

#include <commctrl.h>

#include <algorithm>

const MessageRow<PageTabs> PageTabs::messageTable[] = {
    MessageHandler(WM_SIZE, &PageTabs::OnSize),
    MessageHandler(WM_ERASEBKGND, &PageTabs::OnEraseBackground),
    MessageHandler(WM_PAINT, &PageTabs::OnPaint),
    MessageHandler(WM_SETFOCUS, &PageTabs::OnSetFocus),
    MessageHandler(WM_NOTIFY, &PageTabs::ForwardToParent),
    MessageHandler(WM_COMMAND, &PageTabs::ForwardToParent),
};

HWND PageTabs::Create(HWND parent, UINT id) {
    HWND tabs = ::CreateWindowExA(WS_EX_CONTROLPARENT, WC_TABCONTROLA, "",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, 0, 0, 0,
                                  0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!tabs) return nullptr;
    ::SendMessageA(tabs, TCM_SETEXTENDEDSTYLE, TCS_EX_FLATSEPARATORS, TCS_EX_FLATSEPARATORS);
    ::SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    Subclass(tabs);
    return tabs;
}

bool PageTabs::HandleMessage(Message& msg, LRESULT& result) { return DispatchToTable(this, messageTable, msg, result); }

int PageTabs::AddPage(const char* text, HWND page) {
    int index = static_cast<int>(::SendMessageA(Handle(), TCM_GETITEMCOUNT, 0, 0));
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(text);
    item.lParam = reinterpret_cast<LPARAM>(page);
    index = static_cast<int>(::SendMessageA(Handle(), TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item)));
    LayoutPages();
    return index;
}

HWND PageTabs::PageAt(int index) const {
    TCITEMA item{};
    item.mask = TCIF_PARAM;
    if (!::SendMessageA(Handle(), TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<HWND>(item.lParam);
}

void PageTabs::RaiseSelectedPage() {
    int selected = static_cast<int>(::SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
    if (HWND page = PageAt(selected))
        ::SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void PageTabs::LayoutPages() {
    RECT area{};
    ::GetClientRect(Handle(), &area);
    ::SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    int count = static_cast<int>(::SendMessageA(Handle(), TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (HWND page = PageAt(i))
            ::SetWindowPos(page, nullptr, area.left, area.top, std::max<int>(0, area.right - area.left),
                           std::max<int>(0, area.bottom - area.top), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The control paints its tabs but not the strip beside them, and not always on its first
// paint: the background comes from here, then the control paints into the same DC. The
// pages and views clip themselves out of it.
LRESULT PageTabs::OnEraseBackground(Message&) { return 1; }

LRESULT PageTabs::OnPaint(Message& msg) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(Handle(), &paint);
    ::FillRect(dc, &paint.rcPaint, ::GetSysColorBrush(COLOR_3DFACE));
    Message print{msg.window, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0};
    DefaultProcessing(print);
    ::EndPaint(Handle(), &paint);
    return 0;
}

LRESULT PageTabs::OnSize(Message& msg) {
    LRESULT result = DefaultProcessing(msg);
    LayoutPages();
    return result;
}

LRESULT PageTabs::OnSetFocus(Message& msg) {
    int selected = static_cast<int>(::SendMessageA(Handle(), TCM_GETCURSEL, 0, 0));
    if (HWND page = PageAt(selected)) {
        ::SetFocus(page);
        return 0;
    }
    msg.PassOn();
    return 0;
}

LRESULT PageTabs::ForwardToParent(Message& msg) {
    return ::SendMessageA(::GetParent(Handle()), msg.message, msg.wParam, msg.lParam);
}
