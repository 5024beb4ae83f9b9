// Keeps the test session's desktop in use from its start to its end. Wine closes a desktop a
// few seconds after its last program ends and starts it again for the next one, with that
// program's output handles: the test runner would then wait for a desktop that outlives the test.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // A window of its own ties this program to the desktop; nobody sees a message-only window.
    HWND window = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!window) return 1;
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&message);
    return 0;
}
