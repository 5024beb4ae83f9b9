// A pane with a title bar and a close button above one client window.
#pragma once

#include <string>

#include "win/Window.h"

class PaneContainer : public Window {
  public:
    // The close button sends WM_COMMAND `closeCommand` to the parent.
    HWND Create(HWND parent, const char* title, UINT closeCommand);
    void SetClient(HWND client);
    HWND Client() const { return client_; }
    void SetTitle(const char* title);
    const std::string& Title() const { return title_; }
    RECT CloseButtonRect() const;
    void UpdateLayout();

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnSize(Message& msg);
    LRESULT OnPaint(Message& msg);
    LRESULT OnLButtonDown(Message& msg);
    LRESULT OnMouseMove(Message& msg);
    LRESULT OnLButtonUp(Message& msg);
    LRESULT OnCaptureChanged(Message& msg);
    LRESULT OnMouseLeave(Message& msg);
    LRESULT OnSetFocus(Message& msg);

    int TitleHeight() const;
    void SetButtonState(bool hot, bool pressed);

    std::string title_;
    HWND client_ = nullptr;
    UINT closeCommand_ = 0;
    bool hot_ = false;
    bool pressed_ = false;
    bool tracking_ = false;

    static const MessageRow<PaneContainer> messageTable[];
};
