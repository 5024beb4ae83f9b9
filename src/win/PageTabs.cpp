// PageTabs: page windows laid over a tab control's display area.
#include "win/PageTabs.h"

#include <commctrl.h>

#include <algorithm>

const MessageRow<PageTabs> PageTabs::messageTable[] = {
    MessageHandler(WM_SIZE, &PageTabs::OnSize),
    MessageHandler<PageTabs>(WM_ERASEBKGND, &PageTabs::OnEraseBackground),
    MessageHandler<PageTabs>(WM_PAINT, &PageTabs::OnPaint),
    MessageHandler(WM_SETFOCUS, &PageTabs::OnSetFocus),
    MessageHandler<PageTabs>(WM_NOTIFY, &PageTabs::ForwardToParent),
    MessageHandler<PageTabs>(WM_COMMAND, &PageTabs::ForwardToParent),
};

HWND PageTabs::Create(HWND parent, UINT id) {
    return CreateTabControl(parent, id, TCS_FOCUSNEVER, WS_EX_CONTROLPARENT);
}

bool PageTabs::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

int PageTabs::AddPage(const char* text, HWND page) {
    int index = Count();
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(text);
    item.lParam = reinterpret_cast<LPARAM>(page);
    index =
        static_cast<int>(::SendMessageA(Handle(), TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item)));
    LayoutPages();
    return index;
}

void PageTabs::SetPage(int index, HWND page) {
    TCITEMA item{};
    item.mask = TCIF_PARAM;
    item.lParam = reinterpret_cast<LPARAM>(page);
    ::SendMessageA(Handle(), TCM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
    LayoutPages();
    if (index == SelectedIndex()) RaiseSelectedPage();
}

HWND PageTabs::PageAt(int index) const {
    return reinterpret_cast<HWND>(ItemData(index));
}

void PageTabs::RaiseSelectedPage() {
    if (HWND page = PageAt(SelectedIndex()))
        ::SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void PageTabs::LayoutPages() {
    RECT area = DisplayArea();
    for (int i = 0; i < Count(); ++i)
        if (HWND page = PageAt(i))
            ::SetWindowPos(page, nullptr, area.left, area.top, std::max<int>(0, area.right - area.left),
                           std::max<int>(0, area.bottom - area.top), SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT PageTabs::OnSize(Message& msg) {
    LRESULT result = DefaultProcessing(msg);
    LayoutPages();
    return result;
}

LRESULT PageTabs::OnSetFocus(Message& msg) {
    if (HWND page = PageAt(SelectedIndex())) {
        ::SetFocus(page);
        return 0;
    }
    msg.PassOn();
    return 0;
}
