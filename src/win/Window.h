// The window framework: one thunk from the window manager to a C++ object, message tables,
// and the base class that windows of our own classes and subclassed controls share.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include <cstddef>
#include <optional>
#include <type_traits>

// One window message as a handler sees it. A handler that wants the message to go on (to the
// next matching row of its table, then to the default processing) calls PassOn().
struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool handled = true;

    void PassOn() { handled = false; }
    WORD CommandId() const { return LOWORD(wParam); }
    const NMHDR* Notification() const { return reinterpret_cast<const NMHDR*>(lParam); }
    // What a message carries in lParam: a pointer (WM_CREATE's CREATESTRUCT, WM_COPYDATA's
    // COPYDATASTRUCT), a handle (the control of WM_CTLCOLOR*) or a number.
    template <class T> T Param() const {
        if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<T>(lParam);
        else
            return static_cast<T>(lParam);
    }
    // The client or screen point of mouse and context-menu messages; signed, since points left
    // of or above a window (a second monitor) are negative.
    POINT Point() const { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }
};

constexpr UINT anyId = 0xFFFFFFFF;
constexpr int anyCode = 0x7FFFFFFF;

// A notification sent back to the control of ours that sent it, so that the control handles its
// own. The value is the one ActiveX hosts reflect with (OCM_NOTIFY): the common controls and the
// editor component leave it to their default processing.
constexpr UINT reflectedNotify = WM_NOTIFY + 0x2000;

// One row of a message table: the message, then for WM_COMMAND the range of command ids, for
// WM_NOTIFY the sender's control id (or anyId) and the notification code.
template <class T> struct MessageRow {
    UINT message;
    UINT firstId;
    UINT lastId;
    int code;
    LRESULT (T::*handler)(Message&);
};

template <class T> constexpr MessageRow<T> MessageHandler(UINT message, LRESULT (T::*handler)(Message&)) {
    return {message, anyId, anyId, anyCode, handler};
}
template <class T> constexpr MessageRow<T> CommandHandler(UINT id, LRESULT (T::*handler)(Message&)) {
    return {WM_COMMAND, id, id, anyCode, handler};
}
template <class T>
constexpr MessageRow<T> CommandRangeHandler(UINT first, UINT last, LRESULT (T::*handler)(Message&)) {
    return {WM_COMMAND, first, last, anyCode, handler};
}
template <class T> constexpr MessageRow<T> NotifyHandler(int code, LRESULT (T::*handler)(Message&)) {
    return {WM_NOTIFY, anyId, anyId, code, handler};
}
template <class T>
constexpr MessageRow<T> NotifyFromHandler(UINT id, int code, LRESULT (T::*handler)(Message&)) {
    return {WM_NOTIFY, id, id, code, handler};
}

inline bool RowMatches(UINT message, UINT firstId, UINT lastId, int code, const Message& msg) {
    if (message != msg.message) return false;
    if (message == WM_COMMAND) {
        UINT id = LOWORD(msg.wParam);
        return firstId == anyId || (id >= firstId && id <= lastId);
    }
    if (message == WM_NOTIFY) {
        const NMHDR* header = msg.Notification();
        if (!header) return false;
        if (code != anyCode && static_cast<int>(header->code) != code) return false;
        return firstId == anyId || header->idFrom == firstId;
    }
    return true;
}

// Offers the message to the rows in order until a handler keeps it.
template <class T, std::size_t N>
bool DispatchToTable(T* object, const MessageRow<T> (&rows)[N], Message& msg, LRESULT& result) {
    for (const MessageRow<T>& row : rows) {
        if (!RowMatches(row.message, row.firstId, row.lastId, row.code, msg)) continue;
        msg.handled = true;
        LRESULT value = (object->*row.handler)(msg);
        if (msg.handled) {
            result = value;
            return true;
        }
    }
    return false;
}

// What the thunks do with an exception that a handler let escape: the program reports it (the
// crash report's dump and message) and goes on, so that the user can still save. Nothing is
// reported until the program sets a report.
using EscapedExceptionReport = void (*)(const Message& msg);
void SetEscapedExceptionReport(EscapedExceptionReport report);

// For the thunks, inside their catch block: reports the exception and returns the result the
// message must get instead of the default processing, or nothing when the default processing
// is safe to stand in for the handler that failed.
std::optional<LRESULT> OnEscapedException(const Message& msg);

// Creation arguments of a window of our own class.
struct WindowCreation {
    const char* title = "";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HMENU menuOrId = nullptr;
};

// Base of every window object. Either Create() makes a window of a class registered with
// RegisterWindowClass(), or Subclass() attaches the object to an existing control. The object
// must outlive its window, or delete itself in OnFinalMessage().
class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const noexcept { return window_; }

    // Registers a class whose windows forward to their objects (once per class name).
    static bool RegisterWindowClass(const char* className, UINT style = 0, HCURSOR cursor = nullptr,
                                    HBRUSH background = nullptr, HICON icon = nullptr,
                                    HICON smallIcon = nullptr);
    HWND Create(const char* className, const WindowCreation& creation);
    bool Subclass(HWND control);

    // The object behind a window of ours, or nullptr.
    static Window* FromHandle(HWND window);

  protected:
    // Returns true when the message was handled, with its result in `result`.
    virtual bool HandleMessage(Message& msg, LRESULT& result) = 0;
    // After the window's last message (WM_NCDESTROY); the handle is already detached.
    virtual void OnFinalMessage() {}
    // What the window would do without us: the class's procedure or DefWindowProc.
    LRESULT DefaultProcessing(const Message& msg);
    // For containers: the children's notifications and commands go on to the parent.
    LRESULT ForwardToParent(Message& msg);
    // For the window that receives the notifications: sends one back to its sender as
    // reflectedNotify when the sender is a window of ours, with the sender's answer in `result`.
    // False for a sender that is not ours: the notification is still the receiver's.
    static bool ReflectNotification(const Message& msg, LRESULT& result);

  private:
    static LRESULT CALLBACK WindowProcedure(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK SubclassProcedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Detach();

    HWND window_ = nullptr;
    bool subclassed_ = false;
    WNDPROC original_ = nullptr; // a subclassed control's own procedure
};
