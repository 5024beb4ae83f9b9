// The thread's message loop with its pre-translation filters and idle handlers, and the
// module-wide table of loops per thread.
#pragma once

#include <windows.h>

#include <vector>

class MessageFilter {
  public:
    virtual ~MessageFilter() = default;
    // True when the message was consumed (translated into a command, or a dialog key).
    virtual bool PreTranslateMessage(MSG& msg) = 0;
};

class IdleHandler {
  public:
    virtual ~IdleHandler() = default;
    // True when there is more idle work to do right away.
    virtual bool OnIdle() = 0;
};

class MessageLoop {
  public:
    void AddMessageFilter(MessageFilter* filter);
    void RemoveMessageFilter(MessageFilter* filter);
    void AddIdleHandler(IdleHandler* handler);
    void RemoveIdleHandler(IdleHandler* handler);

    // Runs until WM_QUIT and returns its wParam.
    int Run();
    // One idle pass over all handlers; true when one of them has more work.
    bool OnIdle();
    bool PreTranslateMessage(MSG& msg);

    // Messages after which the idle pass is not run again: they come in floods and change
    // nothing that the idle pass shows.
    static bool IsIdleMessage(const MSG& msg);

  private:
    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
    bool idleFailureReported_ = false;
};

// The module-wide bookkeeping: which loop runs on which thread.
namespace AppModule {
void Init();
void Term();
bool AddMessageLoop(MessageLoop* loop);
void RemoveMessageLoop();
// The calling thread's loop, or nullptr.
MessageLoop* GetMessageLoop();
} // namespace AppModule
