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
#include "resources/Resource.h"
#include "win/Handles.h"
#include "win/MessageLoop.h"
#include "win/Strings.h"

namespace {

void SayNotHandedOver(const std::string& request) {
    std::string text;
    if (request.empty()) {
        text = LoadResourceString(IDS_INSTANCE_NOT_RESPONDING);
    } else {
        text = LoadResourceString(IDS_FILE_NOT_HANDED_OVER);
        size_t slot = text.find("%s");
        if (slot != std::string::npos) text.replace(slot, 2, request);
    }
    ::MessageBoxA(nullptr, text.c_str(), LoadResourceString(IDS_APP_NAME).c_str(),
                  MB_ICONWARNING | MB_OK | MB_SETFOREGROUND);
}

// Takes the instance mutex, or hands the request to the instance that holds it and returns
// false. An instance without a window is still starting or already ending: it is given the
// hand-off time to show its window, and one that ends meanwhile leaves the mutex to us. An
// instance that does not take the request in time is left alone, and the user is told: a second
// instance of our own would overwrite the first's session and recent files, and could edit one
// file twice once the first responds again.
bool TakeInstanceMutex(KernelHandle& mutex, const std::string& request) {
    DWORD start = ::GetTickCount();
    for (;;) {
        HANDLE created = ::CreateMutexA(nullptr, FALSE, instanceMutexName);
        bool exists = ::GetLastError() == ERROR_ALREADY_EXISTS;
        mutex.Reset(created);
        if (!exists) return true;
        if (HWND frame = FindRunningFrame()) {
            if (!SendOpenRequest(frame, nullptr, request, OpenMode::openAndActivate))
                SayNotHandedOver(request);
            return false;
        }
        if (::GetTickCount() - start >= handOffTimeoutMs) {
            SayNotHandedOver(request);
            return false;
        }
        mutex.Reset(); // our handle would keep the mutex alive after the other instance ended
        ::Sleep(50);
    }
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
    int result = 0;
    {
        FramePublication published(window);
        ::ShowWindow(window, showCommand);
        std::string command = commandLine ? commandLine : "";
        if (!command.empty()) SendOpenRequest(window, nullptr, command, OpenMode::openOnly);
        result = loop.Run();
    }
    AppModule::RemoveMessageLoop();
    frame.reset();
    return result;
}

int RunProcess(HINSTANCE instance, const char* commandLine, int showCommand) {
    // The path is made full at once, against the folder the user started us in: the running
    // instance has another current folder, and our own may move before the file is opened.
    std::string request = CommandLineRequest(commandLine);
    KernelHandle mutex;
    if (!TakeInstanceMutex(mutex, request)) return 0;

    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    AppModule::Init();
    InstallCrashReport();
    Scintilla_RegisterClasses(instance);

    int result = Run(request.c_str(), showCommand);

    Scintilla_ReleaseResources();
    RemoveCrashReport();
    AppModule::Term();
    ::CoUninitialize();
    return result;
}
