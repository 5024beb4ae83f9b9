// Open-file requests between instances, and the published main-window handle.
#include "app/OpenRequest.h"

#include <algorithm>
#include <cstring>

#include "win/Paths.h"

const char* const instanceMutexName = "A3DD10EC-D7DB-4930-AC2A-99BBE089145D";

namespace {
// A command line is at most 32767 characters; anything larger is not a request of ours.
constexpr DWORD maxRequestBytes = 32768;

// What the running instance publishes: its window and the process that owns it, so that a
// handle left over from an instance that is gone (and reused by another window) is not taken.
struct PublishedFrame {
    ULONGLONG frame;
    DWORD process;
};

std::string PublicationName() {
    return std::string(instanceMutexName) + "-frame";
}

void Publish(HANDLE mapping, HWND frame) {
    MappedView view(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(PublishedFrame)));
    if (!view) return;
    PublishedFrame published{reinterpret_cast<ULONGLONG>(frame), frame ? ::GetCurrentProcessId() : 0};
    std::memcpy(view.Get(), &published, sizeof(published));
}

DWORD SessionOf(DWORD process) {
    DWORD session = 0;
    return ::ProcessIdToSessionId(process, &session) ? session : 0xFFFFFFFF;
}
} // namespace

FramePublication::FramePublication(HWND frame)
    : mapping_(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(PublishedFrame),
                                    PublicationName().c_str())) {
    if (mapping_) Publish(mapping_.Get(), frame);
}

FramePublication::~FramePublication() {
    // A later start that still holds the mapping open must not find the window that is going.
    if (mapping_) Publish(mapping_.Get(), nullptr);
}

HWND FindRunningFrame() {
    KernelHandle mapping(::OpenFileMappingA(FILE_MAP_READ, FALSE, PublicationName().c_str()));
    if (!mapping) return nullptr;
    MappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(PublishedFrame)));
    if (!view) return nullptr;
    PublishedFrame published{};
    std::memcpy(&published, view.Get(), sizeof(published));
    auto frame = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(published.frame));
    DWORD owner = 0;
    if (!frame || !::IsWindow(frame) || !::GetWindowThreadProcessId(frame, &owner) ||
        owner != published.process)
        return nullptr;
    // Only the instance of this logon session: never hand a file to another user's window.
    if (SessionOf(owner) != SessionOf(::GetCurrentProcessId())) return nullptr;
    return frame;
}

bool SendOpenRequest(HWND target, HWND sender, const std::string& text, OpenMode mode, UINT timeoutMs) {
    COPYDATASTRUCT request{};
    request.dwData = static_cast<ULONG_PTR>(mode);
    request.cbData = static_cast<DWORD>(text.size() + 1);
    request.lpData = const_cast<char*>(text.c_str());
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(target, WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                                 reinterpret_cast<LPARAM>(&request), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                 timeoutMs, &result) != 0;
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

std::string CommandLineRequest(const char* commandLine) {
    return FullPath(RequestPath(commandLine ? commandLine : ""));
}

bool IsFullPath(const std::string& path) {
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
        separator(path[2]))
        return true;
    return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}
