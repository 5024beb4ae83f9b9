// The window thunk: window manager -> Window::HandleMessage, with no exception escaping.
#include "win/Window.h"

#include <commctrl.h>

namespace {
const char* const objectProperty = "Quillmark.Window";
constexpr UINT_PTR subclassId = 0x514D; // any fixed value; one subclass of ours per window
EscapedExceptionReport escapedExceptionReport = nullptr;
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

bool Window::Subclass(HWND control) {
    if (!control || window_) return false;
    if (!::SetWindowSubclass(control, SubclassProcedure, subclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    window_ = control;
    subclassed_ = true;
    ::SetPropA(control, objectProperty, this);
    return true;
}

Window* Window::FromHandle(HWND window) {
    return window ? static_cast<Window*>(::GetPropA(window, objectProperty)) : nullptr;
}

void Window::Detach() {
    if (subclassed_) ::RemoveWindowSubclass(window_, SubclassProcedure, subclassId);
    ::RemovePropA(window_, objectProperty);
    if (!subclassed_) ::SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    window_ = nullptr;
    subclassed_ = false;
}

LRESULT Window::DefaultProcessing(const Message& msg) {
    if (subclassed_) return ::DefSubclassProc(msg.window, msg.message, msg.wParam, msg.lParam);
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
            ::SetPropA(window, objectProperty, object);
        }
    }
    if (!object) return ::DefWindowProcA(window, message, wParam, lParam);
    return object->Route(window, message, wParam, lParam);
}

LRESULT CALLBACK Window::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data) {
    return reinterpret_cast<Window*>(data)->Route(window, message, wParam, lParam);
}
