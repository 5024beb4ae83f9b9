// PaneContainer: the title bar with its close button, and the client below it.
#include "win/PaneContainer.h"

#include <algorithm>

#include "win/Handles.h"

namespace {
const char* const paneClass = "QuillmarkPaneContainer";
constexpr size_t maxTitle = 80;
constexpr int buttonSize = 16;
} // namespace

const MessageRow<PaneContainer> PaneContainer::messageTable[] = {
    MessageHandler(WM_SIZE, &PaneContainer::OnSize),
    MessageHandler(WM_PAINT, &PaneContainer::OnPaint),
    MessageHandler(WM_LBUTTONDOWN, &PaneContainer::OnLButtonDown),
    MessageHandler(WM_MOUSEMOVE, &PaneContainer::OnMouseMove),
    MessageHandler(WM_LBUTTONUP, &PaneContainer::OnLButtonUp),
    MessageHandler(WM_CAPTURECHANGED, &PaneContainer::OnCaptureChanged),
    MessageHandler(WM_MOUSELEAVE, &PaneContainer::OnMouseLeave),
    MessageHandler(WM_SETFOCUS, &PaneContainer::OnSetFocus),
    MessageHandler<PaneContainer>(WM_NOTIFY, &PaneContainer::ForwardToParent),
    MessageHandler<PaneContainer>(WM_COMMAND, &PaneContainer::ForwardToParent),
};

HWND PaneContainer::Create(HWND parent, const char* title, UINT closeCommand) {
    RegisterWindowClass(paneClass, 0, nullptr, ::GetSysColorBrush(COLOR_3DFACE));
    title_.assign(title, std::min(std::char_traits<char>::length(title), maxTitle));
    closeCommand_ = closeCommand;
    WindowCreation creation;
    creation.parent = parent;
    creation.title = title_.c_str();
    creation.x = creation.y = creation.width = creation.height = 0;
    creation.exStyle = WS_EX_CONTROLPARENT;
    return Window::Create(paneClass, creation);
}

bool PaneContainer::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

void PaneContainer::SetTitle(const char* title) {
    title_.assign(title, std::min(std::char_traits<char>::length(title), maxTitle));
    ::SetWindowTextA(Handle(), title_.c_str());
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

void PaneContainer::SetClient(HWND client) {
    client_ = client;
    UpdateLayout();
}

int PaneContainer::TitleHeight() const {
    TEXTMETRICA metrics{};
    WindowDC dc(Handle());
    SelectionScope font(dc.Get(), ::GetStockObject(DEFAULT_GUI_FONT));
    ::GetTextMetricsA(dc.Get(), &metrics);
    return std::max<int>(metrics.tmHeight + 6, buttonSize + 4);
}

RECT PaneContainer::CloseButtonRect() const {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    int top = (TitleHeight() - buttonSize) / 2;
    return RECT{client.right - buttonSize - 3, top, client.right - 3, top + buttonSize};
}

void PaneContainer::UpdateLayout() {
    if (!client_) return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    int title = TitleHeight();
    ::SetWindowPos(client_, nullptr, 0, title, client.right, std::max<int>(0, client.bottom - title),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT PaneContainer::OnSize(Message&) {
    UpdateLayout();
    ::InvalidateRect(Handle(), nullptr, TRUE);
    return 0;
}

LRESULT PaneContainer::OnPaint(Message&) {
    PaintScope paint(Handle());
    HDC dc = paint.Get();
    RECT client{};
    ::GetClientRect(Handle(), &client);
    RECT title{0, 0, client.right, TitleHeight()};
    ::FillRect(dc, &title, ::GetSysColorBrush(COLOR_3DFACE));

    {
        SelectionScope font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
        RECT text = title;
        text.left += 4;
        text.right = CloseButtonRect().left - 2;
        ::DrawTextA(dc, title_.c_str(), -1, &text,
                    DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }

    RECT button = CloseButtonRect();
    if (pressed_ && hot_)
        ::DrawEdge(dc, &button, BDR_SUNKENOUTER, BF_RECT);
    else if (hot_)
        ::DrawEdge(dc, &button, BDR_RAISEDINNER, BF_RECT);
    // The cross, drawn with two short diagonals so it looks the same on every system.
    Pen pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNTEXT)));
    SelectionScope selectedPen(dc, pen.Get());
    int shift = pressed_ && hot_ ? 1 : 0;
    int left = button.left + 4 + shift, top = button.top + 4 + shift;
    for (int thick = 0; thick < 2; ++thick) {
        ::MoveToEx(dc, left + thick, top, nullptr);
        ::LineTo(dc, left + thick + 8, top + 8);
        ::MoveToEx(dc, left + thick + 7, top, nullptr);
        ::LineTo(dc, left + thick - 1, top + 8);
    }
    return 0;
}

void PaneContainer::SetButtonState(bool hot, bool pressed) {
    if (hot == hot_ && pressed == pressed_) return;
    hot_ = hot;
    pressed_ = pressed;
    RECT button = CloseButtonRect();
    ::InvalidateRect(Handle(), &button, TRUE);
}

LRESULT PaneContainer::OnLButtonDown(Message& msg) {
    POINT point = msg.Point();
    RECT button = CloseButtonRect();
    if (::PtInRect(&button, point)) {
        ::SetCapture(Handle());
        SetButtonState(true, true);
    }
    return 0;
}

LRESULT PaneContainer::OnMouseMove(Message& msg) {
    POINT point = msg.Point();
    RECT button = CloseButtonRect();
    SetButtonState(::PtInRect(&button, point) != FALSE, pressed_);
    if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
        tracking_ = ::TrackMouseEvent(&track) != FALSE;
    }
    return 0;
}

LRESULT PaneContainer::OnLButtonUp(Message& msg) {
    if (!pressed_) return 0;
    POINT point = msg.Point();
    RECT button = CloseButtonRect();
    bool click = ::PtInRect(&button, point) != FALSE;
    ::ReleaseCapture();
    if (click)
        ::SendMessageA(::GetParent(Handle()), WM_COMMAND, MAKEWPARAM(closeCommand_, BN_CLICKED),
                       reinterpret_cast<LPARAM>(Handle()));
    return 0;
}

LRESULT PaneContainer::OnCaptureChanged(Message&) {
    SetButtonState(hot_, false);
    return 0;
}

LRESULT PaneContainer::OnMouseLeave(Message&) {
    tracking_ = false;
    SetButtonState(false, pressed_);
    return 0;
}

LRESULT PaneContainer::OnSetFocus(Message&) {
    if (client_) ::SetFocus(client_);
    return 0;
}
