// PropertyPage: the page-procedure thunk.
#include "win/PropertyPage.h"

#include <commctrl.h>

PROPSHEETPAGEA PropertyPage::Description(UINT templateId) {
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof(page);
    page.hInstance = ::GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(templateId);
    page.pfnDlgProc = PageProcedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

void PropertyPage::SetModified() const {
    if (window_) ::SendMessageA(::GetParent(window_), PSM_CHANGED, reinterpret_cast<WPARAM>(window_), 0);
}

INT_PTR CALLBACK PropertyPage::PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PropertyPage* page = nullptr;
    if (message == WM_INITDIALOG) {
        // The sheet hands over its own copy of the description, which still carries our lParam.
        page = reinterpret_cast<PropertyPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        page->window_ = window;
        ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    } else {
        page = reinterpret_cast<PropertyPage*>(::GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!page) return FALSE;
    Message msg{window, message, wParam, lParam};
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = page->HandleMessage(msg, result);
    } catch (...) {
        // Never let an exception unwind through the sheet.
        std::optional<LRESULT> answer = OnEscapedException(msg);
        handled = answer.has_value();
        result = answer.value_or(0);
    }
    if (message == WM_NCDESTROY) page->window_ = nullptr;
    if (!handled) return FALSE;
    return HandledDialogMessage(window, message, result);
}
