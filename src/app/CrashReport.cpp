// CrashReportFilter: the minidump and the message that says where it is, for structured
// exceptions, uncaught C++ exceptions and exceptions that escaped a window procedure.
#include "app/CrashReport.h"

#include <dbghelp.h>
#include <shlwapi.h>

#include <atomic>
#include <cstdlib>
#include <exception>

#include "resources/Resource.h"
#include "win/Window.h"

namespace {

// The structured exception that GCC's runtime raises to throw a C++ exception ("GCC ").
constexpr DWORD gccThrowCode = 0x20474343;

std::terminate_handler previousTerminate = nullptr;
// One report of an escaped exception at a time: its message box runs a modal loop in which more
// failures may follow.
std::atomic<bool> reporting{false};

// The dump and the message. Runs on a broken thread while the others go on: its own stack only,
// no program state.
bool WriteCrashReport(EXCEPTION_POINTERS* exception) {
    char path[MAX_PATH + 1] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    ::PathAddBackslashA(path);
    if (lstrlenA(path) + lstrlenA("Quillmark.dmp") >= MAX_PATH) return false;
    lstrcatA(path, "Quillmark.dmp");

    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    MINIDUMP_EXCEPTION_INFORMATION information{::GetCurrentThreadId(), exception, FALSE};
    if (!::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, MiniDumpNormal,
                             &information, nullptr, nullptr)) {
        ::CloseHandle(file);
        return false;
    }
    char format[512] = "", caption[64] = "", text[MAX_PATH + 600] = "";
    ::LoadStringA(::GetModuleHandleA(nullptr), IDS_CRASH_MESSAGE, format, sizeof(format));
    ::LoadStringA(::GetModuleHandleA(nullptr), IDS_APP_NAME, caption, sizeof(caption));
    ::wsprintfA(text, format, path); // at most 511 + 260 characters: within wsprintf's 1024
    ::MessageBoxA(nullptr, text, caption, MB_ICONERROR | MB_OK);
    ::CloseHandle(file);
    return true;
}

// A report of a failure that the system never raised: the dump gets an exception record made
// up here, with the stack of this thread as it is now and `parameters` for the reader.
bool ReportFromHere(DWORD code, const ULONG_PTR* parameters, DWORD count) {
    CONTEXT context{};
    ::RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = code;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
    record.NumberParameters = count;
    for (DWORD i = 0; i < count && i < EXCEPTION_MAXIMUM_PARAMETERS; ++i)
        record.ExceptionInformation[i] = parameters[i];
    EXCEPTION_POINTERS pointers{&record, &context};
    return WriteCrashReport(&pointers);
}

// The C++ runtime calls this for an exception that no one caught, on whatever thread, instead
// of ending the process with abort()'s exit code 3 and nothing to show. It runs before the
// stack is unwound, so the dump shows where the exception was thrown from.
[[noreturn]] void OnTerminate() {
    char what[256] = ""; // on this stack, which the dump holds
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            lstrcpynA(what, e.what(), sizeof(what));
        } catch (...) {
        }
    }
    ULONG_PTR parameters[] = {reinterpret_cast<ULONG_PTR>(what)};
    if (ReportFromHere(uncaughtExceptionCode, parameters, 1))
        ::TerminateProcess(::GetCurrentProcess(), uncaughtExceptionCode);
    if (previousTerminate) previousTerminate();
    std::abort();
}

void ReportEscapedException(const Message& msg) {
    if (reporting.exchange(true)) return;
    ULONG_PTR parameters[] = {msg.message, msg.wParam, static_cast<ULONG_PTR>(msg.lParam),
                              reinterpret_cast<ULONG_PTR>(msg.window)};
    ReportFromHere(escapedExceptionCode, parameters, 4);
    reporting = false;
}

} // namespace

LONG WINAPI CrashReportFilter(EXCEPTION_POINTERS* exception) {
    // A C++ throw that no catch wants comes here first on some threads (Wine's thread start
    // has a handler of its own). Continuing it lets the runtime call std::terminate, which
    // reports it with its own exit code and text, like on every other thread.
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    if (record && record->ExceptionCode == gccThrowCode &&
        !(record->ExceptionFlags & EXCEPTION_NONCONTINUABLE))
        return EXCEPTION_CONTINUE_EXECUTION;
    return WriteCrashReport(exception) ? EXCEPTION_EXECUTE_HANDLER : EXCEPTION_CONTINUE_SEARCH;
}

void InstallCrashReport() {
    ::SetUnhandledExceptionFilter(CrashReportFilter);
    previousTerminate = std::set_terminate(OnTerminate);
    SetEscapedExceptionReport(ReportEscapedException);
}

void RemoveCrashReport() {
    SetEscapedExceptionReport(nullptr);
    std::set_terminate(previousTerminate);
    ::SetUnhandledExceptionFilter(nullptr);
}
