// Start-up, the hand-off to a running instance, and the teardown in reverse order.
#include "app/Application.h"

#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "Scintilla.h"
#include "app/CrashReport.h"
#include "app/MainFrame.h"
#include "app/OpenRequest.h"
#include "win/Handles.h"
#include "win/MessageLoop.h"

const char* const instanceMutexName = "A3DD10EC-D7DB-4930-AC2A-99BBE089145D";

namespace {

void HandOverToFirstInstance(const char* commandLine) {
    HWND frame = SharedFrameHandle();
    if (!::IsWindow(frame)) return;
    SendOpenRequest(frame, nullptr, commandLine, OpenMode::openAndActivate);
}

} // namespace

int Run(const char* commandLine, int showCommand) {
    MessageLoop loop;
    AppModule::AddMessageLoop(&loop);

    auto frame = std::make_unique<MainFrame>();
    HWND window = frame->CreateFrame();
    if (!window) {
        frame.reset();
        AppModule::RemoveMessageLoop();
        return 0;
    }
    SetSharedFrameHandle(window);
    ::ShowWindow(window, showCommand);
    std::string command = commandLine ? commandLine : "";
    if (!command.empty()) SendOpenRequest(window, nullptr, command, OpenMode::openOnly);

    int result = loop.Run();

    SetSharedFrameHandle(nullptr);
    AppModule::RemoveMessageLoop();
    frame.reset();
    return result;
}

int RunProcess(HINSTANCE instance, const char* commandLine, int showCommand) {
    KernelHandle mutex(::CreateMutexA(nullptr, FALSE, instanceMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        HandOverToFirstInstance(commandLine ? commandLine : "");
        return 0;
    }

    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    AppModule::Init();
    InstallCrashReport();
    Scintilla_RegisterClasses(instance);

    int result = Run(commandLine, showCommand);

    Scintilla_ReleaseResources();
    RemoveCrashReport();
    AppModule::Term();
    ::CoUninitialize();
    return result;
}
