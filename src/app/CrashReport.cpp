// CrashReportFilter: the minidump and the message that says where it is.
#include "app/CrashReport.h"

#include <dbghelp.h>
#include <shlwapi.h>

#include "resources/Resource.h"

LONG WINAPI CrashReportFilter(EXCEPTION_POINTERS* exception) {
    // Runs on a broken thread while the others go on: its own stack only, no program state.
    char path[MAX_PATH + 1] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    ::PathAddBackslashA(path);
    if (lstrlenA(path) + lstrlenA("Quillmark.dmp") >= MAX_PATH) return EXCEPTION_CONTINUE_SEARCH;
    lstrcatA(path, "Quillmark.dmp");

    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE) return EXCEPTION_CONTINUE_SEARCH;
    MINIDUMP_EXCEPTION_INFORMATION information{::GetCurrentThreadId(), exception, FALSE};
    if (!::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, MiniDumpNormal, &information,
                             nullptr, nullptr)) {
        ::CloseHandle(file);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    char format[512] = "", caption[64] = "", text[MAX_PATH + 600] = "";
    ::LoadStringA(::GetModuleHandleA(nullptr), IDS_CRASH_MESSAGE, format, sizeof(format));
    ::LoadStringA(::GetModuleHandleA(nullptr), IDS_APP_NAME, caption, sizeof(caption));
    ::wsprintfA(text, format, path); // at most 511 + 260 characters: within wsprintf's 1024
    ::MessageBoxA(nullptr, text, caption, MB_ICONERROR | MB_OK);
    ::CloseHandle(file);
    return EXCEPTION_EXECUTE_HANDLER;
}
