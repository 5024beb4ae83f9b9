// FrameBars: creation of the bars, their share of the layout, menu prompts, tooltips, chevrons.
#include "app/FrameBars.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "resources/Resource.h"
#include "win/Strings.h"
#include "win/ToolTips.h"

namespace {

// The window's own visibility, whether or not its parent is shown yet: the layout done while
// the frame is still hidden must already leave room for the bars.
bool IsShown(HWND window) {
    return window && (::GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

} // namespace

const MessageRow<FrameBars> FrameBars::messageTable[] = {
    MessageHandler(WM_MENUSELECT, &FrameBars::OnMenuSelect),
    MessageHandler(WM_EXITMENULOOP, &FrameBars::OnExitMenuLoop),
    MessageHandler(WM_SYSCOMMAND, &FrameBars::OnSysCommand),
    MessageHandler(WM_MEASUREITEM, &FrameBars::OnMeasureItem),
    MessageHandler(WM_DRAWITEM, &FrameBars::OnDrawItem),
    NotifyHandler(TTN_GETDISPINFOA, &FrameBars::OnToolTipText),
    NotifyHandler(TTN_GETDISPINFOW, &FrameBars::OnToolTipText),
    NotifyHandler(RBN_CHEVRONPUSHED, &FrameBars::OnChevronPushed),
};

bool FrameBars::Create(HWND frame, HMENU menu) {
    frame_ = frame;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);

    // The menu's items show the toolbar's images, so both come from the one strip.
    LoadToolbarLayout(instance, IDR_MAINFRAME, toolbarLayout_);
    toolbarImages_.Reset(
        LoadToolbarImages(instance, IDR_MAINFRAME, toolbarLayout_.imageWidth, RGB(255, 0, 255)));
    if (!commandBar_.Create(frame, frame, menu, ID_COMMAND_BAR)) return false;
    std::vector<std::pair<UINT, int>> images;
    for (UINT command : toolbarLayout_.commands)
        if (command) images.emplace_back(command, ToolbarImageOf(toolbarLayout_, command));
    commandBar_.SetMenuImages(toolbarImages_.Get(), images);

    // The toolbar's notifications and commands go to the frame, also once the rebar is its parent.
    toolbar_ = CreateToolbarControl(frame, ID_TOOLBAR, toolbarLayout_, toolbarImages_.Get());
    if (!toolbar_) return false;
    ::SendMessageA(toolbar_, TB_SETPARENT, reinterpret_cast<WPARAM>(frame), 0);

    updateBand_ =
        ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 100, 16, frame,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_BAND_UPDATE)), instance, nullptr);

    rebar_ = ::CreateWindowExA(0, REBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_BANDBORDERS |
                                   RBS_VARHEIGHT | RBS_AUTOSIZE | CCS_NODIVIDER | CCS_TOP,
                               0, 0, 0, 0, frame, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_REBAR)),
                               instance, nullptr);
    if (!rebar_) return false;
    REBARINFO info{sizeof(info)};
    ::SendMessageA(rebar_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    SIZE toolbarSize{};
    ::SendMessageA(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&toolbarSize));
    DWORD buttonSize = static_cast<DWORD>(::SendMessageA(toolbar_, TB_GETBUTTONSIZE, 0, 0));
    AddBand(commandBar_.Handle(), ID_BAND_COMMAND_BAR, 0, commandBar_.Height(), commandBar_.IdealWidth(),
            nullptr);
    AddBand(toolbar_, ID_BAND_TOOLBAR, RBBS_BREAK, HIWORD(buttonSize), toolbarSize.cx, nullptr);
    // The update band shows only while an update check downloads. It goes in hidden, its child
    // too (showing the band shows it): shown and then hidden, it laid the rebar out twice more
    // before the window could show.
    AddBand(updateBand_, ID_BAND_UPDATE, RBBS_BREAK | RBBS_HIDDEN, 16, 200, "Update");
    // The rebar shows a band's child as it goes in, hidden band or not: left so, the bar sat
    // over the menu's first items.
    ::ShowWindow(updateBand_, SW_HIDE);

    std::string ready = LoadResourceString(IDS_IDLE_MESSAGE);
    statusBar_ = ::CreateStatusWindowA(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP,
                                       ready.c_str(), frame, ID_STATUS_BAR);
    if (!statusBar_) return false;
    ShowStatusText(ready);
    CheckCommand(ID_VIEW_TOOLBAR, true);
    CheckCommand(ID_VIEW_STATUS_BAR, true);
    return true;
}

void FrameBars::AddBand(HWND child, UINT id, UINT style, int height, int idealWidth, const char* text) {
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_USECHEVRON | style;
    band.hwndChild = child;
    band.wID = id;
    band.cxMinChild = 0;
    band.cyMinChild = height;
    band.cx = idealWidth;
    band.cxIdeal = idealWidth;
    if (text) {
        band.fMask |= RBBIM_TEXT;
        band.lpText = const_cast<char*>(text);
    }
    ::SendMessageA(rebar_, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

bool FrameBars::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

// ---------------------------------------------------------------------------------------
// Layout and states

RECT FrameBars::Arrange(const RECT& client, bool resizeBars) {
    RECT rest = client;
    if (IsShown(rebar_)) {
        // Sizing the rebar makes it report its new height, which lays the frame out again:
        // that second pass takes the bars as they are.
        if (resizeBars) ::SendMessageA(rebar_, WM_SIZE, 0, 0);
        RECT rect{};
        ::GetWindowRect(rebar_, &rect);
        rest.top += rect.bottom - rect.top;
    }
    if (IsShown(statusBar_)) {
        if (resizeBars) ::SendMessageA(statusBar_, WM_SIZE, 0, 0);
        RECT rect{};
        ::GetWindowRect(statusBar_, &rect);
        rest.bottom -= rect.bottom - rect.top;
    }
    return rest;
}

void FrameBars::EnableCommand(UINT id, bool enabled) {
    ::EnableMenuItem(Menu(), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    if (toolbar_ && ::SendMessageA(toolbar_, TB_COMMANDTOINDEX, id, 0) >= 0) {
        bool shown = ::SendMessageA(toolbar_, TB_ISBUTTONENABLED, id, 0) != 0;
        if (shown != enabled) ::SendMessageA(toolbar_, TB_ENABLEBUTTON, id, MAKELPARAM(enabled, 0));
    }
}

void FrameBars::CheckCommand(UINT id, bool checked) {
    ::CheckMenuItem(Menu(), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void FrameBars::ShowStatusText(const std::string& text) {
    if (statusBar_) ::SendMessageA(statusBar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void FrameBars::ShowBand(UINT bandId, bool show) {
    ::SendMessageA(rebar_, RB_SHOWBAND, ::SendMessageA(rebar_, RB_IDTOINDEX, bandId, 0), show);
}

void FrameBars::ToggleToolbar() {
    toolbarVisible_ = !toolbarVisible_;
    ShowBand(ID_BAND_TOOLBAR, toolbarVisible_);
    CheckCommand(ID_VIEW_TOOLBAR, toolbarVisible_);
}

void FrameBars::ToggleStatusBar() {
    bool show = !::IsWindowVisible(statusBar_);
    ::ShowWindow(statusBar_, show ? SW_SHOWNOACTIVATE : SW_HIDE);
    CheckCommand(ID_VIEW_STATUS_BAR, show);
}

// ---------------------------------------------------------------------------------------
// Menus, prompts and tooltips

// While a menu is open the bar shows its simple part with the prompt of the highlighted item.
void FrameBars::ShowMenuPrompt(const std::string& text) {
    if (!statusBar_) return;
    ::SendMessageA(statusBar_, SB_SIMPLE, TRUE, 0);
    ::SendMessageA(statusBar_, SB_SETTEXTA, SB_SIMPLEID | SBT_NOBORDERS,
                   reinterpret_cast<LPARAM>(text.c_str()));
}

void FrameBars::EndMenuPrompt() {
    if (statusBar_) ::SendMessageA(statusBar_, SB_SIMPLE, FALSE, 0);
    ShowStatusText(LoadResourceString(IDS_IDLE_MESSAGE));
}

LRESULT FrameBars::OnMenuSelect(Message& msg) {
    commandBar_.OnMenuSelect(msg.wParam, msg.lParam);
    UINT id = LOWORD(msg.wParam), flags = HIWORD(msg.wParam);
    if (flags == 0xFFFF && msg.lParam == 0) {
        EndMenuPrompt();
        return 0;
    }
    std::string prompt;
    if (flags & (MF_POPUP | MF_SEPARATOR)) {
        prompt.clear();
    } else if (flags & MF_SYSMENU) {
        if (id >= SC_SIZE) prompt = CommandPrompt(LoadResourceString(IDS_SC_SIZE + (id - SC_SIZE) / 16));
    } else if (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST) {
        prompt = CommandPrompt(LoadResourceString(IDS_MRU_FILE));
    } else {
        prompt = CommandPrompt(LoadResourceString(id));
    }
    ShowMenuPrompt(prompt);
    return 0;
}

LRESULT FrameBars::OnExitMenuLoop(Message&) {
    EndMenuPrompt();
    return 0;
}

LRESULT FrameBars::OnSysCommand(Message& msg) {
    if ((msg.wParam & 0xFFF0) == SC_KEYMENU && msg.Param<int>() != ' ') {
        if (!commandBar_.OnKeyMenu(msg.Param<int>())) ::MessageBeep(0);
        return 0;
    }
    msg.PassOn();
    return 0;
}

LRESULT FrameBars::OnMeasureItem(Message& msg) {
    auto* item = msg.Param<MEASUREITEMSTRUCT*>();
    if (item && commandBar_.OnMeasureItem(*item)) return TRUE;
    msg.PassOn();
    return 0;
}

LRESULT FrameBars::OnDrawItem(Message& msg) {
    const auto* item = msg.Param<const DRAWITEMSTRUCT*>();
    if (item && commandBar_.OnDrawItem(*item)) return TRUE;
    msg.PassOn();
    return 0;
}

LRESULT FrameBars::OnToolTipText(Message& msg) {
    // Only the toolbar's buttons: their tool id is the command. At most 80 characters.
    UINT command = static_cast<UINT>(msg.Notification()->idFrom);
    AnswerToolTipText(msg.lParam, CommandTooltip(LoadResourceString(command)).substr(0, 79));
    return 0;
}

LRESULT FrameBars::OnChevronPushed(Message& msg) {
    const auto* chevron = msg.Param<const NMREBARCHEVRON*>();
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_ID;
    ::SendMessageA(rebar_, RB_GETBANDINFOA, chevron->uBand, reinterpret_cast<LPARAM>(&band));
    RECT bandRect{};
    ::GetClientRect(band.hwndChild, &bandRect);
    POINT point{chevron->rc.left, chevron->rc.bottom};
    ::ClientToScreen(rebar_, &point);
    if (band.wID == ID_BAND_COMMAND_BAR) {
        commandBar_.ShowOverflowMenu(bandRect.right, point);
        return 0;
    }
    // The toolbar: its hidden buttons as a pop-up menu.
    MenuHandle popup(::CreatePopupMenu());
    int count = static_cast<int>(::SendMessageA(toolbar_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        ::SendMessageA(toolbar_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        RECT rect{};
        ::SendMessageA(toolbar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        if (rect.right <= bandRect.right) continue;
        if (button.fsStyle & BTNS_SEP) {
            if (::GetMenuItemCount(popup.Get()) > 0) ::AppendMenuA(popup.Get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::string text = CommandTooltip(LoadResourceString(button.idCommand));
        UINT flags = MF_STRING | ((button.fsState & TBSTATE_ENABLED) ? 0 : MF_GRAYED);
        ::AppendMenuA(popup.Get(), flags, button.idCommand, text.c_str());
    }
    if (::GetMenuItemCount(popup.Get()) > 0) {
        UINT command = ::TrackPopupMenuEx(popup.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, point.x,
                                          point.y, frame_, nullptr);
        if (command) ::PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    return 0;
}
