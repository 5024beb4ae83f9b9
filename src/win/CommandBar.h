// The menu bar drawn as a toolbar: one button per top-level menu, opened as pop-up menus, with
// the toolbar's images beside the menu items of commands that have a button.
#pragma once

#include <string>
#include <vector>

#include "win/Handles.h"
#include "win/Window.h"

class CommandBar : public Window {
  public:
    ~CommandBar() override;

    // Takes over `menu` (destroyed with the bar). Commands chosen in it, and the menu's
    // notifications (WM_INITMENUPOPUP, WM_MENUSELECT...), go to `owner`.
    HWND Create(HWND parent, HWND owner, HMENU menu, UINT controlId);
    HMENU Menu() const { return menu_.Get(); }
    // Images drawn beside the items of the commands listed (image index = position in `images`).
    void SetMenuImages(HIMAGELIST images, std::vector<std::pair<UINT, int>> commandImages);

    // Width that shows every button.
    int IdealWidth() const;
    int Height() const;

    // WM_SYSCOMMAND SC_KEYMENU of the owner: Alt+letter opens a menu, Alt alone or F10 puts the
    // bar into keyboard mode. Returns false when the key means nothing to the bar.
    bool OnKeyMenu(int key);
    // The owner's menu notifications that the bar follows while one of its menus is open.
    void OnMenuSelect(WPARAM wParam, LPARAM lParam);
    // WM_MEASUREITEM / WM_DRAWITEM for the menu images; false when not one of ours.
    bool OnMeasureItem(MEASUREITEMSTRUCT& item);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    // Opens the menu of button `index` (tests and the rebar chevron use it as well).
    void TrackMenu(int index, bool fromKeyboard);
    // A pop-up menu of the top-level menus whose buttons are hidden past `visibleRight`.
    void ShowOverflowMenu(int visibleRight, POINT screenPoint);
    int ButtonCount() const;
    bool InKeyboardMode() const { return keyboardMode_; }

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnLButtonDown(Message& msg);
    LRESULT OnLButtonDoubleClick(Message& msg);
    LRESULT OnKeyDown(Message& msg);
    LRESULT OnChar(Message& msg);
    LRESULT OnSysKey(Message& msg);
    LRESULT OnKillFocus(Message& msg);
    LRESULT OnGetDlgCode(Message& msg);
    LRESULT OnDestroy(Message& msg);

    void EnterKeyboardMode();
    void ExitKeyboardMode(bool restoreFocus);
    int FindMnemonic(int key) const;
    int MenuImageOf(UINT command) const;
    RECT ButtonRect(int index) const;
    int HitTest(POINT client) const;
    static LRESULT CALLBACK MenuHook(int code, WPARAM wParam, LPARAM lParam);
    bool OnMenuInput(const MSG& msg);

    MenuHandle menu_;
    HWND owner_ = nullptr;
    HIMAGELIST menuImages_ = nullptr; // borrowed from the owner's toolbar
    std::vector<std::pair<UINT, int>> commandImages_;
    std::vector<std::string> labels_;

    // Menu tracking state.
    int openIndex_ = -1;
    int nextIndex_ = -1;
    bool nextFromKeyboard_ = false;
    bool escapeToBar_ = false;
    HMENU selectedMenu_ = nullptr;
    bool selectedIsPopup_ = false;
    POINT lastMouse_{-1, -1};
    HHOOK hook_ = nullptr;

    bool keyboardMode_ = false;
    HWND focusBefore_ = nullptr;

    static const MessageRow<CommandBar> messageTable[];
};
