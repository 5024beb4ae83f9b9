// The floor the benchmarks measure the program against: the least a Win32 program showing one
// Scintilla view with the HTML lexer does. Given a path, it reads the whole file and puts it into
// the view with one SCI_ADDTEXT; it sets neither styles, folding nor idle styling.
#include <windows.h>

#include <string>

#include "FloorFile.h"
#include "ILexer.h"
#include "Lexilla.h"
#include "Scintilla.h"

namespace {

HWND view = nullptr;

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (view) ::MoveWindow(view, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (view) ::SetFocus(view);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(1);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    Scintilla_RegisterClasses(instance);
    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameProcedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "MinimalScintillaFrame";
    ::RegisterClassA(&wc);
    HWND frame = ::CreateWindowExA(0, wc.lpszClassName, "Minimal", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                   nullptr, instance, nullptr);
    view = ::CreateWindowExA(0, "Scintilla", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, frame, nullptr,
                             instance, nullptr);
    ::SendMessageA(view, SCI_SETILEXER, 0, reinterpret_cast<LPARAM>(CreateLexer("hypertext")));
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
