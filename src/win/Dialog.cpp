// DialogWindow: the dialog-procedure thunk of dialogs and property pages; Dialog.
#include "win/Dialog.h"

namespace {

// What a dialog procedure returns for a message its object handled with `result`: a few
// messages take the value directly, the others get it as DWLP_MSGRESULT.
INT_PTR HandledDialogMessage(HWND window, UINT message, LRESULT result) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
}

} // namespace

INT_PTR DialogWindow::Route(DialogWindow* created, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogWindow* object = created;
    if (object) {
        object->window_ = window;
        ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    } else {
        object = reinterpret_cast<DialogWindow*>(::GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!object) return FALSE;
    Message msg{window, message, wParam, lParam};
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = object->HandleMessage(msg, result);
    } catch (...) {
        // Never let an exception unwind through the dialog manager or the sheet.
        std::optional<LRESULT> answer = OnEscapedException(msg);
        handled = answer.has_value();
        result = answer.value_or(0);
    }
    if (message == WM_NCDESTROY) object->window_ = nullptr;
    if (!handled) return FALSE;
    return HandledDialogMessage(window, message, result);
}

INT_PTR Dialog::DoModal(HWND owner, UINT templateId) {
    return DoModal(owner, MAKEINTRESOURCEA(templateId));
}

INT_PTR Dialog::DoModal(HWND owner, const char* templateName) {
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), templateName, owner, DialogProcedure,
                             reinterpret_cast<LPARAM>(this));
}

void Dialog::CenterOnOwner() {
    RECT dialog{}, area{};
    ::GetWindowRect(Handle(), &dialog);
    HWND owner = ::GetWindow(Handle(), GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    int width = dialog.right - dialog.left, height = dialog.bottom - dialog.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* created = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : nullptr;
    return Route(created, window, message, wParam, lParam);
}
