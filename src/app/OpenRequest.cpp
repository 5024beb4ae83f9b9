// Open-file requests between instances, and the shared main-window handle.
#include "app/OpenRequest.h"

#include <algorithm>
#include <cstring>

namespace {
// A command line is at most 32767 characters; anything larger is not a request of ours.
constexpr DWORD maxRequestBytes = 32768;
} // namespace

// One value in a section that every process started from this executable shares. Window
// handles have 32 significant bits, also in 64-bit processes.
__attribute__((section(".shared"), shared)) volatile LONG sharedFrameHandle = 0;

HWND SharedFrameHandle() {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(::InterlockedCompareExchange(&sharedFrameHandle, 0, 0)));
}

void SetSharedFrameHandle(HWND frame) {
    ::InterlockedExchange(&sharedFrameHandle, static_cast<LONG>(reinterpret_cast<LONG_PTR>(frame)));
}

void SendOpenRequest(HWND target, HWND sender, const std::string& text, OpenMode mode) {
    COPYDATASTRUCT request{};
    request.dwData = static_cast<ULONG_PTR>(mode);
    request.cbData = static_cast<DWORD>(text.size() + 1);
    request.lpData = const_cast<char*>(text.c_str());
    ::SendMessageA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(sender), reinterpret_cast<LPARAM>(&request));
}

std::optional<std::string> ReadOpenRequestText(const COPYDATASTRUCT* request) {
    if (!request || !request->lpData || request->cbData == 0 || request->cbData > maxRequestBytes)
        return std::nullopt;
    const char* data = static_cast<const char*>(request->lpData);
    const void* end = std::memchr(data, '\0', request->cbData);
    if (!end) return std::nullopt;
    return std::string(data, static_cast<const char*>(end));
}

std::string RequestPath(const std::string& text) {
    std::string path = text;
    std::erase(path, '"');
    return path;
}
