// Splitter: layout of two panes, dragging and centring the bar, focus passing.
#include "win/Splitter.h"

#include <algorithm>

#include "win/Handles.h"

namespace {
const char* const splitterClass = "QuillmarkSplitter";
}

const MessageRow<Splitter> Splitter::messageTable[] = {
    MessageHandler(WM_SIZE, &Splitter::OnSize),
    MessageHandler(WM_PAINT, &Splitter::OnPaint),
    MessageHandler(WM_SETCURSOR, &Splitter::OnSetCursor),
    MessageHandler(WM_LBUTTONDOWN, &Splitter::OnLButtonDown),
    MessageHandler(WM_MOUSEMOVE, &Splitter::OnMouseMove),
    MessageHandler(WM_LBUTTONUP, &Splitter::OnLButtonUp),
    MessageHandler(WM_CAPTURECHANGED, &Splitter::OnCaptureChanged),
    MessageHandler(WM_LBUTTONDBLCLK, &Splitter::OnLButtonDoubleClick),
    MessageHandler(WM_SETFOCUS, &Splitter::OnSetFocus),
    MessageHandler(WM_PARENTNOTIFY, &Splitter::OnParentNotify),
    MessageHandler<Splitter>(WM_NOTIFY, &Splitter::ForwardToParent),
    MessageHandler<Splitter>(WM_COMMAND, &Splitter::ForwardToParent),
};

HWND Splitter::Create(HWND parent, UINT id) {
    RegisterWindowClass(splitterClass, CS_DBLCLKS, nullptr, ::GetSysColorBrush(COLOR_3DFACE));
    WindowCreation creation;
    creation.parent = parent;
    creation.menuOrId = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id));
    creation.x = creation.y = creation.width = creation.height = 0;
    return Window::Create(splitterClass, creation);
}

bool Splitter::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

void Splitter::SetPanes(HWND left, HWND right) {
    panes_[0] = left;
    panes_[1] = right;
    UpdateLayout();
}

int Splitter::ClampPosition(int position) const {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    return std::max(0, std::min(position, static_cast<int>(client.right) - barWidth));
}

void Splitter::RememberProportion() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    if (client.right > barWidth) proportion_ = MulDiv(position_, 10000, client.right - barWidth);
}

void Splitter::SetSplitterPosition(int position) {
    position_ = ClampPosition(position);
    RememberProportion();
    UpdateLayout();
}

void Splitter::SetSinglePaneMode(Pane pane) {
    singlePane_ = pane;
    if (pane != bothPanes) activePane_ = pane;
    UpdateLayout();
}

void Splitter::UpdateLayout() {
    if (!Handle()) return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    int width = client.right, height = client.bottom;
    HDWP defer = ::BeginDeferWindowPos(2);
    auto place = [&](HWND pane, int x, int w, bool visible) {
        if (!pane) return;
        UINT flags =
            SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
        defer = ::DeferWindowPos(defer, pane, nullptr, x, 0, std::max(0, w), height, flags);
    };
    if (singlePane_ == leftPane) {
        place(panes_[0], 0, width, true);
        place(panes_[1], 0, 0, false);
    } else if (singlePane_ == rightPane) {
        place(panes_[0], 0, 0, false);
        place(panes_[1], 0, width, true);
    } else {
        place(panes_[0], 0, position_, true);
        place(panes_[1], position_ + barWidth, width - position_ - barWidth, true);
    }
    ::EndDeferWindowPos(defer);
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

bool Splitter::IsOverBar(POINT point) const {
    return singlePane_ == bothPanes && point.x >= position_ && point.x < position_ + barWidth;
}

LRESULT Splitter::OnSize(Message& msg) {
    int width = LOWORD(msg.lParam);
    // The bar keeps its proportion of the width when the window is resized.
    if (proportion_ >= 0 && width != lastWidth_ && width > barWidth)
        position_ = std::min(MulDiv(proportion_, width - barWidth, 10000), width - barWidth);
    else if (proportion_ < 0 && width > barWidth)
        RememberProportion();
    lastWidth_ = width;
    UpdateLayout();
    return 0;
}

LRESULT Splitter::OnPaint(Message&) {
    PaintScope paint(Handle());
    if (singlePane_ == bothPanes) {
        RECT client{};
        ::GetClientRect(Handle(), &client);
        RECT bar{position_, 0, position_ + barWidth, client.bottom};
        ::FillRect(paint.Get(), &bar, ::GetSysColorBrush(COLOR_3DFACE));
    }
    return 0;
}

LRESULT Splitter::OnSetCursor(Message& msg) {
    POINT point;
    ::GetCursorPos(&point);
    ::ScreenToClient(Handle(), &point);
    if (reinterpret_cast<HWND>(msg.wParam) == Handle() && IsOverBar(point)) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_SIZEWE));
        return TRUE;
    }
    msg.PassOn();
    return 0;
}

LRESULT Splitter::OnLButtonDown(Message& msg) {
    POINT point = msg.Point();
    if (IsOverBar(point)) {
        dragging_ = true;
        dragOffset_ = point.x - position_;
        ::SetCapture(Handle());
        ::SetCursor(::LoadCursorA(nullptr, IDC_SIZEWE));
    }
    return 0;
}

LRESULT Splitter::OnMouseMove(Message& msg) {
    if (dragging_) {
        int position = ClampPosition(msg.Point().x - dragOffset_);
        if (position != position_) {
            position_ = position;
            RememberProportion();
            UpdateLayout();
            ::UpdateWindow(Handle());
        }
    }
    return 0;
}

LRESULT Splitter::OnLButtonUp(Message&) {
    if (dragging_) ::ReleaseCapture();
    return 0;
}

LRESULT Splitter::OnCaptureChanged(Message&) {
    dragging_ = false;
    return 0;
}

LRESULT Splitter::OnLButtonDoubleClick(Message& msg) {
    POINT point = msg.Point();
    if (IsOverBar(point)) {
        RECT client{};
        ::GetClientRect(Handle(), &client);
        SetSplitterPosition((client.right - barWidth) / 2);
        return 0;
    }
    if (onDoubleClick && onDoubleClick(point)) return 0;
    msg.PassOn();
    return 0;
}

LRESULT Splitter::OnSetFocus(Message&) {
    Pane pane = singlePane_ != bothPanes ? singlePane_ : activePane_;
    if (pane != bothPanes && panes_[pane]) ::SetFocus(panes_[pane]);
    return 0;
}

LRESULT Splitter::OnParentNotify(Message& msg) {
    // Remember which pane the user last clicked into: the focus goes back there.
    UINT event = LOWORD(msg.wParam);
    if (event == WM_LBUTTONDOWN || event == WM_RBUTTONDOWN || event == WM_MBUTTONDOWN) {
        POINT point = msg.Point();
        for (int i = 0; i < 2; ++i) {
            if (!panes_[i] || !::IsWindowVisible(panes_[i])) continue;
            RECT rect;
            ::GetWindowRect(panes_[i], &rect);
            ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
            if (::PtInRect(&rect, point)) activePane_ = static_cast<Pane>(i);
        }
    }
    msg.PassOn();
    return 0;
}
