// The window thunk: window manager -> Window::HandleMessage, with no exception escaping.
#include "win/Window.h"

#include <mutex>
#include <unordered_map>

namespace {
EscapedExceptionReport escapedExceptionReport = nullptr;

// Every window of ours, with the procedure a subclassed control had before us. The objects are
// found here, never through window properties or the common controls' subclass list: under
// Wine each lookup of those is a round trip to the server, and one was made for every message
// to a subclassed control and every notification the frame reflected, several hundred before
// the main window could show.
struct Attached {
    Window* object = nullptr; // nullptr once the object has gone and the window has not
    WNDPROC original = nullptr;
};
std::mutex attachedLock;
std::unordered_map<HWND, Attached>& AttachedWindows() {
    static std::unordered_map<HWND, Attached> windows;
    return windows;
}
void Attach(HWND window, Window* object, WNDPROC original) {
    std::lock_guard<std::mutex> lock(attachedLock);
    AttachedWindows()[window] = Attached{object, original};
}
} // namespace

void SetEscapedExceptionReport(EscapedExceptionReport report) {
    escapedExceptionReport = report;
}

std::optional<LRESULT> OnEscapedException(const Message& msg) {
    if (escapedExceptionReport) escapedExceptionReport(msg);
    // The default processing would stand in for a handler that did not finish. For these
    // messages it answers for the user: WM_CLOSE would destroy the window with its unsaved
    // documents, WM_QUERYENDSESSION would let Windows end the session, and WM_CREATE would go
    // on with a half-built window.
    switch (msg.message) {
    case WM_CLOSE:
        return 0;
    case WM_QUERYENDSESSION:
        return FALSE;
    case WM_CREATE:
        return -1;
    default:
        return std::nullopt;
    }
}

Window::~Window() {
    // A window that outlives its object must not call into freed memory.
    if (window_) Detach();
}

bool Window::RegisterWindowClass(const char* className, UINT style, HCURSOR cursor, HBRUSH background,
                                 HICON icon, HICON smallIcon) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{sizeof(existing)};
    if (::GetClassInfoExA(instance, className, &existing)) return true;
    WNDCLASSEXA wc{sizeof(wc)};
    wc.style = style;
    wc.lpfnWndProc = WindowProcedure;
    wc.hInstance = instance;
    wc.hCursor = cursor ? cursor : ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.lpszClassName = className;
    return ::RegisterClassExA(&wc) != 0;
}

HWND Window::Create(const char* className, const WindowCreation& c) {
    return ::CreateWindowExA(c.exStyle, className, c.title, c.style, c.x, c.y, c.width, c.height, c.parent,
                             c.menuOrId, ::GetModuleHandleA(nullptr), this);
}

// The procedure goes in as a Unicode one, as the common controls' own subclassing does: the
// control's messages reach the object, and the control, untranslated.
bool Window::Subclass(HWND control) {
    if (!control || window_) return false;
    {
        // Ours already, or still forwarding for a former object.
        std::lock_guard<std::mutex> lock(attachedLock);
        if (AttachedWindows().count(control)) return false;
    }
    auto* original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC));
    if (!original) return false;
    // Attached before the procedure changes: the first message may come at once.
    Attach(control, this, original);
    original_ = original;
    window_ = control;
    subclassed_ = true;
    if (!::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProcedure))) {
        Detach();
        return false;
    }
    return true;
}

Window* Window::FromHandle(HWND window) {
    if (!window) return nullptr;
    std::lock_guard<std::mutex> lock(attachedLock);
    auto found = AttachedWindows().find(window);
    return found == AttachedWindows().end() ? nullptr : found->second.object;
}

void Window::Detach() {
    bool keepForwarding = false;
    if (subclassed_) {
        // A procedure set on top of ours still passes the messages on to us: then ours stays,
        // and forwards them to the control without the object.
        if (::GetWindowLongPtrW(window_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(SubclassProcedure))
            ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        else
            keepForwarding = true;
    } else {
        ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    }
    {
        std::lock_guard<std::mutex> lock(attachedLock);
        if (keepForwarding)
            AttachedWindows()[window_].object = nullptr;
        else
            AttachedWindows().erase(window_);
    }
    window_ = nullptr;
    subclassed_ = false;
    original_ = nullptr;
}

namespace {

// Whether the window has a non-client area (a border, an edge, scroll bars, a divider).
bool HasFrame(HWND window) {
    RECT outer{}, inner{};
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &inner);
    return outer.right - outer.left != inner.right || outer.bottom - outer.top != inner.bottom;
}
} // namespace

LRESULT Window::DefaultProcessing(const Message& msg) {
    // Without a non-client area there is nothing to paint there, but under Wine the default
    // painting still fetches a device context for it, several server round trips a window
    // each time it is shown: some fifty while the main window first appears.
    if (msg.message == WM_NCPAINT && !HasFrame(msg.window)) return 0;
    if (subclassed_) return ::CallWindowProcW(original_, msg.window, msg.message, msg.wParam, msg.lParam);
    return ::DefWindowProcA(msg.window, msg.message, msg.wParam, msg.lParam);
}

LRESULT Window::ForwardToParent(Message& msg) {
    return ::SendMessageA(::GetParent(msg.window), msg.message, msg.wParam, msg.lParam);
}

bool Window::ReflectNotification(const Message& msg, LRESULT& result) {
    const NMHDR* header = msg.message == WM_NOTIFY ? msg.Notification() : nullptr;
    if (!header || !FromHandle(header->hwndFrom)) return false;
    result = ::SendMessageA(header->hwndFrom, reflectedNotify, msg.wParam, msg.lParam);
    return true;
}

LRESULT Window::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Message msg{window, message, wParam, lParam};
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = HandleMessage(msg, result);
    } catch (...) {
        // An exception must never unwind through the window manager's frames.
        std::optional<LRESULT> answer = OnEscapedException(msg);
        handled = answer.has_value();
        result = answer.value_or(0);
    }
    if (!handled) result = DefaultProcessing(msg);
    if (message == WM_NCDESTROY) {
        Detach();
        OnFinalMessage();
    }
    return result;
}

LRESULT CALLBACK Window::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<Window*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!object && message == WM_NCCREATE) {
        object = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (object) {
            object->window_ = window;
            ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
            Attach(window, object, nullptr);
        }
    }
    if (!object) return ::DefWindowProcA(window, message, wParam, lParam);
    return object->Route(window, message, wParam, lParam);
}

LRESULT CALLBACK Window::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Attached attached;
    {
        std::lock_guard<std::mutex> lock(attachedLock);
        auto found = AttachedWindows().find(window);
        if (found != AttachedWindows().end()) attached = found->second;
    }
    if (attached.object) return attached.object->Route(window, message, wParam, lParam);
    if (!attached.original) return ::DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = ::CallWindowProcW(attached.original, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        std::lock_guard<std::mutex> lock(attachedLock);
        AttachedWindows().erase(window);
    }
    return result;
}
