// The main window's bars: the command bar with the menu, the toolbar and the update band in one
// rebar, and the status bar with the menu prompts.
#pragma once

#include <windows.h>

#include <string>

#include "win/CommandBar.h"
#include "win/Handles.h"
#include "win/Toolbar.h"
#include "win/Window.h"

// The command bar's control id; the other bars have the usual ones of resources/Resource.h.
constexpr UINT ID_COMMAND_BAR = 0xE900 + 5;

class FrameBars {
  public:
    // Builds the bars as children of `frame`, where their notifications and commands go; the
    // command bar owns `menu` from here on, whatever the result.
    bool Create(HWND frame, HMENU menu);

    HMENU Menu() const { return commandBar_.Menu(); }
    HWND Rebar() const { return rebar_; }
    HWND UpdateBand() const { return updateBand_; }

    // Puts the rebar at the top of `client` and the status bar at its bottom, and returns what
    // is left between them. `resizeBars` false takes the bars at the sizes they have.
    RECT Arrange(const RECT& client, bool resizeBars);

    // A command's state in the menu, and on its toolbar button when it has one.
    void EnableCommand(UINT id, bool enabled);
    void CheckCommand(UINT id, bool checked);
    void ShowStatusText(const std::string& text);
    void ShowBand(UINT bandId, bool show);
    // View > Toolbar and View > Status Bar, with their check marks.
    void ToggleToolbar();
    void ToggleStatusBar();
    // Alt+letter, Alt alone and F10: see CommandBar::OnKeyMenu.
    bool OnKeyMenu(int key) { return commandBar_.OnKeyMenu(key); }

    // The frame's messages that are the bars' own: menu prompts, the command bar's keys and
    // menu images, toolbar tooltips and chevrons. False for the others.
    bool HandleMessage(Message& msg, LRESULT& result);

  private:
    LRESULT OnMenuSelect(Message& msg);
    LRESULT OnExitMenuLoop(Message& msg);
    LRESULT OnSysCommand(Message& msg);
    LRESULT OnMeasureItem(Message& msg);
    LRESULT OnDrawItem(Message& msg);
    LRESULT OnToolTipText(Message& msg);
    LRESULT OnChevronPushed(Message& msg);

    // `style`: RBBS_BREAK starts a row, RBBS_HIDDEN adds the band hidden.
    void AddBand(HWND child, UINT id, UINT style, int height, int idealWidth, const char* text);
    void ShowMenuPrompt(const std::string& text);
    void EndMenuPrompt();

    HWND frame_ = nullptr;
    CommandBar commandBar_;
    HWND toolbar_ = nullptr;
    HWND updateBand_ = nullptr;
    HWND rebar_ = nullptr;
    HWND statusBar_ = nullptr;
    ToolbarLayout toolbarLayout_;
    ImageList toolbarImages_;
    bool toolbarVisible_ = true;

    static const MessageRow<FrameBars> messageTable[];
};
