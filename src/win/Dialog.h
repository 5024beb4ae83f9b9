// Modal dialogs from dialog templates, with the same message tables as windows.
#pragma once

#include "win/Window.h"

class Dialog {
  public:
    virtual ~Dialog() = default;
    // Runs the dialog of template `templateId`; returns what EndDialog was given (-1 on failure).
    INT_PTR DoModal(HWND owner, UINT templateId);
    // The same for a template with a name instead of a number.
    INT_PTR DoModal(HWND owner, const char* templateName);
    HWND Handle() const { return window_; }

  protected:
    // True when handled; `result` is what the dialog procedure hands back (WM_INITDIALOG and
    // the messages that return values directly), otherwise stored as the message result.
    virtual bool HandleMessage(Message& msg, LRESULT& result) = 0;
    // Centres the dialog over its owner (or the screen when it has none).
    void CenterOnOwner();

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
};

// What a dialog procedure returns for a message its object handled with `result`: a few
// messages take the value directly, the others get it as DWLP_MSGRESULT.
INT_PTR HandledDialogMessage(HWND window, UINT message, LRESULT result);
