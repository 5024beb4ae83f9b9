// Modal dialogs and property-sheet pages from dialog templates, with the same message tables as
// windows.
#pragma once

#include "win/Window.h"

// What dialogs and pages share: the object behind a window of the dialog manager, reached through
// one thunk that forwards every message to HandleMessage and lets no exception through.
class DialogWindow {
  public:
    DialogWindow() = default;
    virtual ~DialogWindow() = default;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND Handle() const { return window_; }

  protected:
    // True when handled; `result` is what the dialog procedure hands back (WM_INITDIALOG and
    // the messages that return values directly), otherwise stored as the message result.
    virtual bool HandleMessage(Message& msg, LRESULT& result) = 0;

    // The body of every dialog procedure. `created` is the object that WM_INITDIALOG brings
    // (nullptr for every other message): from then on the window leads to it.
    static INT_PTR Route(DialogWindow* created, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    HWND window_ = nullptr;
};

class Dialog : public DialogWindow {
  public:
    // Runs the dialog of template `templateId`; returns what EndDialog was given (-1 on failure).
    INT_PTR DoModal(HWND owner, UINT templateId);
    // The same for a template with a name instead of a number.
    INT_PTR DoModal(HWND owner, const char* templateName);

  protected:
    // Centres the dialog over its owner (or the screen when it has none).
    void CenterOnOwner();

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM);
};
