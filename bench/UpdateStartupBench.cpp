// Start-up time of Quillmark.exe with the update check on (against a version file on a local
// HTTP server) and off, in one run: the check must not make the window come up later.
//
// Measured like startup_bench: from CreateProcess until the main window is visible and its
// message loop answers. Each variant is a copy of the program with settings of its own.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/LocalHttpServer.h"

#include "BenchSupport.h"

using namespace testing_support;

namespace {

std::string BinFolder() {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return path;
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof(name));
    if (process == search->process && ::IsWindowVisible(window) &&
        lstrcmpA(name, "QuillmarkMainFrame") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Seconds until the frame is up and answering, or -1. Closes the program again, repeatedly:
// a close that comes while the check still runs only stops the check.
double TimeStart(const std::string& program) {
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency, start, ready;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return -1;
    Search search{info.dwProcessId, nullptr};
    for (int i = 0; i < 20000 && !search.found; ++i) {
        ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
        if (!search.found) ::Sleep(1);
    }
    double elapsed = -1;
    DWORD_PTR answer = 0;
    if (search.found && ::SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer)) {
        ::QueryPerformanceCounter(&ready);
        elapsed = double(ready.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    }
    for (int i = 0; i < 80 && ::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; ++i) {
        if (search.found) ::PostMessageA(search.found, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(info.hProcess, 250);
    }
    if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info.hProcess, 1);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    return elapsed;
}

// A copy of the program in `folder` whose settings name `host` ("" turns the check off).
std::string ProgramCopy(const TempFolder& folder, const std::string& host) {
    std::string settings = ReadFileBytes(BinFolder() + "\\Quillmark.xml");
    size_t at = settings.find("<Update Host=\"\"");
    if (at == std::string::npos) return "";
    settings.replace(at, 15, "<Update Host=\"" + host + "\"");
    std::string program = folder.Path("Quillmark.exe");
    if (!::CopyFileA((BinFolder() + "\\Quillmark.exe").c_str(), program.c_str(), FALSE) ||
        !WriteFileBytes(folder.Path("Quillmark.xml"), settings))
        return "";
    return program;
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    LocalHttpServer server;
    if (!server.Port() || !server.Put("/Quillmark/version.txt", "1,0,0,20")) {
        std::printf("update_startup_bench: no local HTTP server\n");
        return 1;
    }
    TempFolder offFolder, onFolder;
    std::string off = ProgramCopy(offFolder, ""), on = ProgramCopy(onFolder, server.Host());
    if (off.empty() || on.empty()) {
        std::printf("update_startup_bench: cannot copy the program\n");
        return 1;
    }
    std::vector<double> withCheck, without;
    for (int i = 0; i < runs; ++i) {
        ClearProgramRegistry();
        without.push_back(TimeStart(off));
        ClearProgramRegistry();
        withCheck.push_back(TimeStart(on));
    }
    ClearProgramRegistry();
    double a = bench::Median(withCheck), b = bench::Median(without);
    std::printf("start-up to first idle pass, median of %d runs under Wine\n", runs);
    std::printf("  update check off:          %7.1f ms\n", b * 1000);
    std::printf("  update check on (local):   %7.1f ms   (%zu version file requests)\n", a * 1000,
                server.Requests().size());
    std::printf("  ratio: %.2fx (goal: at most 1.05x)\n", b > 0 ? a / b : 0.0);
    return 0;
}
