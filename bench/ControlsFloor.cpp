// The floor program with the controls Quillmark's window shows at start and nothing else: a
// rebar with a menu bar and a toolbar, a status bar, two panes side by side, a tab strip in
// each, the editing view with the HTML lexer in the right one. No settings, no session, no
// commands: what is left is the cost of the windows themselves. Given a path, it loads the file
// as the floor does.
#include <windows.h>
#include <commctrl.h>

#include "FloorFile.h"
#include "ILexer.h"
#include "Lexilla.h"
#include "Scintilla.h"

namespace {

HWND rebar, statusBar, leftPane, rightPane, leftTabs, rightTabs, view;
constexpr int leftWidth = 200;

HWND Child(const char* className, DWORD style, HWND parent, DWORD exStyle = 0) {
    return ::CreateWindowExA(exStyle, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                             nullptr, ::GetModuleHandleA(nullptr), nullptr);
}

HWND MenuBar(HWND parent) {
    HWND bar = Child(TOOLBARCLASSNAMEA,
                     TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE |
                         CCS_NOPARENTALIGN,
                     parent);
    ::SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    const char* items[] = {"&File", "&Edit", "&Insert", "&Document", "&View", "&Tools", "&Help"};
    TBBUTTON buttons[7]{};
    for (int i = 0; i < 7; ++i) {
        buttons[i].iBitmap = I_IMAGENONE;
        buttons[i].idCommand = 100 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_AUTOSIZE | BTNS_DROPDOWN | BTNS_SHOWTEXT;
        buttons[i].iString = reinterpret_cast<INT_PTR>(items[i]);
    }
    ::SendMessageA(bar, TB_ADDBUTTONSA, 7, reinterpret_cast<LPARAM>(buttons));
    return bar;
}

HWND ToolBar(HWND parent) {
    HWND bar =
        Child(TOOLBARCLASSNAMEA,
              TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, parent);
    ::SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR32, 12, 0);
    HDC screen = ::GetDC(nullptr);
    HBITMAP strip = ::CreateCompatibleBitmap(screen, 16 * 12, 16);
    ::ReleaseDC(nullptr, screen);
    ::ImageList_Add(images, strip, nullptr);
    ::DeleteObject(strip);
    ::SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    TBBUTTON buttons[15]{};
    for (int i = 0, image = 0; i < 15; ++i) {
        bool separator = i == 4 || i == 8 || i == 12;
        buttons[i].iBitmap = separator ? 0 : image++;
        buttons[i].idCommand = separator ? 0 : 200 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = separator ? BTNS_SEP : BTNS_BUTTON;
    }
    ::SendMessageA(bar, TB_ADDBUTTONSA, 15, reinterpret_cast<LPARAM>(buttons));
    return bar;
}

void AddBand(HWND child) {
    SIZE size{};
    ::SendMessageA(child, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_BREAK;
    band.hwndChild = child;
    band.cyMinChild = HIWORD(::SendMessageA(child, TB_GETBUTTONSIZE, 0, 0));
    band.cx = band.cxIdeal = size.cx;
    ::SendMessageA(rebar, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

HWND Tabs(HWND parent, const char* text, DWORD style, HIMAGELIST images) {
    HWND tabs = Child(WC_TABCONTROLA, WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TCS_FOCUSNEVER | style, parent);
    ::SendMessageA(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    if (images) ::SendMessageA(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    TCITEMA item{};
    item.mask = TCIF_TEXT | (images ? TCIF_IMAGE : 0);
    item.pszText = const_cast<char*>(text);
    ::SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return tabs;
}

void Fill(HWND tabs, HWND inside) {
    RECT area{};
    ::GetClientRect(tabs, &area);
    ::SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    if (inside)
        ::SetWindowPos(inside, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void Layout(HWND frame) {
    RECT client{};
    ::GetClientRect(frame, &client);
    ::SendMessageA(rebar, WM_SIZE, 0, 0);
    ::SendMessageA(statusBar, WM_SIZE, 0, 0);
    RECT top{}, bottom{};
    ::GetWindowRect(rebar, &top);
    ::GetWindowRect(statusBar, &bottom);
    int y = top.bottom - top.top, height = client.bottom - y - (bottom.bottom - bottom.top);
    if (height < 0) height = 0;
    ::SetWindowPos(leftPane, nullptr, 0, y, leftWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(rightPane, nullptr, leftWidth + 4, y, client.right - leftWidth - 4, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(leftTabs, nullptr, 0, 0, leftWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(rightTabs, nullptr, 0, 0, client.right - leftWidth - 4, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    Fill(leftTabs, nullptr);
    Fill(rightTabs, view);
}

LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        rebar = Child(REBARCLASSNAMEA,
                      WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_BANDBORDERS | RBS_VARHEIGHT | RBS_AUTOSIZE |
                          CCS_NODIVIDER | CCS_TOP,
                      frame);
        AddBand(MenuBar(rebar));
        AddBand(ToolBar(rebar));
        statusBar = ::CreateStatusWindowA(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP, "Ready",
                                          frame, 1);
        leftPane = Child("ControlsFloorPane", WS_CLIPCHILDREN, frame);
        rightPane = Child("ControlsFloorPane", WS_CLIPCHILDREN, frame);
        leftTabs = Tabs(leftPane, "Files", 0, nullptr);
        HIMAGELIST close = ::ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
        HDC screen = ::GetDC(nullptr);
        HBITMAP image = ::CreateCompatibleBitmap(screen, 16, 16);
        ::ReleaseDC(nullptr, screen);
        ::ImageList_Add(close, image, nullptr);
        ::DeleteObject(image);
        rightTabs = Tabs(rightPane, "(untitled)", TCS_TOOLTIPS, close);
        view = Child("Scintilla", WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rightTabs);
        ::SendMessageA(view, SCI_SETILEXER, 0, reinterpret_cast<LPARAM>(CreateLexer("hypertext")));
        ::SendMessageA(view, SCI_SETMARGINWIDTHN, 0, 40);
        Layout(frame);
        return 0;
    }
    case WM_SIZE:
        if (rebar) Layout(frame);
        return 0;
    case WM_SETFOCUS:
        if (view) ::SetFocus(view);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(frame, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    Scintilla_RegisterClasses(instance);
    WNDCLASSA pane{};
    pane.lpfnWndProc = ::DefWindowProcA;
    pane.hInstance = instance;
    pane.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    pane.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    pane.lpszClassName = "ControlsFloorPane";
    ::RegisterClassA(&pane);
    WNDCLASSA wc = pane;
    wc.lpfnWndProc = FrameProcedure;
    wc.lpszClassName = "ControlsFloorFrame";
    ::RegisterClassA(&wc);
    HWND frame = ::CreateWindowExA(0, wc.lpszClassName, "Controls", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                   nullptr, instance, nullptr);
    std::string path = floor_file::PathArgument(commandLine);
    if (!path.empty()) floor_file::LoadWhole(view, path);
    ::ShowWindow(frame, show);
    ::SetFocus(view);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    Scintilla_ReleaseResources();
    return static_cast<int>(msg.wParam);
}
