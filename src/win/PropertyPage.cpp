// PropertyPage: the page's description and its entry into the dialog thunk.
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
    if (Handle()) ::SendMessageA(::GetParent(Handle()), PSM_CHANGED, reinterpret_cast<WPARAM>(Handle()), 0);
}

INT_PTR CALLBACK PropertyPage::PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The sheet hands over its own copy of the description, which still carries our lParam.
    PropertyPage* created =
        message == WM_INITDIALOG
            ? reinterpret_cast<PropertyPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam)
            : nullptr;
    return Route(created, window, message, wParam, lParam);
}
