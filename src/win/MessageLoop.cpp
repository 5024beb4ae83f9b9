// Message loop, filters, idle pass and the per-thread loop table.
#include "win/MessageLoop.h"

#include <algorithm>
#include <map>
#include <memory>

#include "win/Handles.h"
#include "win/Window.h"

void MessageLoop::AddMessageFilter(MessageFilter* filter) {
    filters_.push_back(filter);
}

void MessageLoop::RemoveMessageFilter(MessageFilter* filter) {
    std::erase(filters_, filter);
}

void MessageLoop::AddIdleHandler(IdleHandler* handler) {
    idleHandlers_.push_back(handler);
}

void MessageLoop::RemoveIdleHandler(IdleHandler* handler) {
    std::erase(idleHandlers_, handler);
}

// A filter or idle handler that throws would end the loop, and the program with its unsaved
// documents: the exception is reported as one escaping a window procedure, and the loop goes
// on. An idle handler would fail again on every pass, so only its first failure is reported.
bool MessageLoop::OnIdle() {
    bool more = false;
    try {
        // A handler may remove itself while it runs: walk a copy.
        std::vector<IdleHandler*> handlers = idleHandlers_;
        for (IdleHandler* handler : handlers)
            if (handler->OnIdle()) more = true;
    } catch (...) {
        if (!idleFailureReported_) {
            idleFailureReported_ = true;
            OnEscapedException(Message{nullptr, WM_NULL, 0, 0});
        }
        more = false;
    }
    return more;
}

bool MessageLoop::PreTranslateMessage(MSG& msg) {
    try {
        // Last added first, so a modeless dialog opened later sees its keys before the frame.
        std::vector<MessageFilter*> filters = filters_;
        for (auto it = filters.rbegin(); it != filters.rend(); ++it)
            if ((*it)->PreTranslateMessage(msg)) return true;
    } catch (...) {
        OnEscapedException(Message{msg.hwnd, msg.message, msg.wParam, msg.lParam});
    }
    return false;
}

bool MessageLoop::IsIdleMessage(const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118: // WM_SYSTIMER: the caret blink
        return false;
    default:
        return true;
    }
}

int MessageLoop::Run() {
    bool doIdle = true;
    MSG msg{};
    for (;;) {
        while (doIdle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            if (!OnIdle()) doIdle = false;

        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) continue;
        if (!got) break;

        if (!PreTranslateMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (IsIdleMessage(msg)) doIdle = true;
    }
    return static_cast<int>(msg.wParam);
}

namespace {
struct LoopTable {
    CriticalSection lock;
    std::map<DWORD, MessageLoop*> loops;
};
std::unique_ptr<LoopTable> table;
} // namespace

namespace AppModule {

void Init() {
    if (!table) table = std::make_unique<LoopTable>();
}

void Term() {
    table.reset();
}

bool AddMessageLoop(MessageLoop* loop) {
    if (!table) return false;
    ScopedLock lock(table->lock);
    return table->loops.emplace(::GetCurrentThreadId(), loop).second;
}

void RemoveMessageLoop() {
    if (!table) return;
    ScopedLock lock(table->lock);
    table->loops.erase(::GetCurrentThreadId());
}

MessageLoop* GetMessageLoop() {
    if (!table) return nullptr;
    ScopedLock lock(table->lock);
    auto it = table->loops.find(::GetCurrentThreadId());
    return it == table->loops.end() ? nullptr : it->second;
}

} // namespace AppModule
