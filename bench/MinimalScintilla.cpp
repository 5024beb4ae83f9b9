// The start-up baseline: the least a Win32 program showing one Scintilla view does.
#include <windows.h>

#include "Scintilla.h"

namespace {
LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: {
        HWND view = ::GetWindow(window, GW_CHILD);
        if (view) ::MoveWindow(view, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(1);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}
} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    Scintilla_RegisterClasses(instance);
    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameProcedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "MinimalScintillaFrame";
    ::RegisterClassA(&wc);
    HWND frame = ::CreateWindowExA(0, wc.lpszClassName, "Minimal", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                   instance, nullptr);
    ::CreateWindowExA(0, "Scintilla", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, frame, nullptr, instance, nullptr);
    ::ShowWindow(frame, show);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    Scintilla_ReleaseResources();
    return static_cast<int>(msg.wParam);
}
