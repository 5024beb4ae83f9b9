// Start-up time of Quillmark.exe against a minimal program showing one Scintilla view.
//
// Both are measured the same way: from CreateProcess until the main window is visible and its
// message loop answers (which it does only after its first idle pass).
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Beside(const char* name) {
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecA(path);
    return std::string(path) + "\\" + name;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

struct Search {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof(name));
    if (process == search->process && ::IsWindowVisible(window) && lstrcmpA(name, search->className) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Seconds until the program's frame is up and answering, or -1.
double TimeStart(const std::string& program, const char* frameClass) {
    std::string commandLine = "\"" + program + "\"";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    LARGE_INTEGER start, ready;
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    Search search{info.dwProcessId, frameClass, nullptr};
    for (int i = 0; i < 20000 && !search.found; ++i) {
        ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
        if (!search.found) ::Sleep(1);
    }
    double elapsed = -1;
    DWORD_PTR answer = 0;
    if (search.found && ::SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer)) {
        ::QueryPerformanceCounter(&ready);
        elapsed = Seconds(start, ready);
    }
    if (search.found) ::PostMessageA(search.found, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(info.hProcess, 20000) == WAIT_TIMEOUT) ::TerminateProcess(info.hProcess, 1);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
    return elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    std::string quillmark = Beside("Quillmark.exe");
    std::string minimal = Beside("minimal_scintilla.exe");
    std::vector<double> program, baseline;
    for (int i = 0; i < runs; ++i) {
        // No session and no recent files: the start-up of a fresh install whose user has turned
        // the default-editor question off.
        ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark");
        DWORD never = 0;
        ::SHSetValueA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", "DefaultEditor", REG_DWORD, &never,
                      sizeof(never));
        baseline.push_back(TimeStart(minimal, "MinimalScintillaFrame"));
        program.push_back(TimeStart(quillmark, "QuillmarkMainFrame"));
    }
    double p = Median(program), b = Median(baseline);
    printf("start-up to first idle pass, median of %d runs under Wine\n", runs);
    printf("  minimal Scintilla program: %7.1f ms\n", b * 1000);
    printf("  Quillmark.exe:             %7.1f ms\n", p * 1000);
    printf("  ratio: %.2fx (goal: at most 1.3x)\n", b > 0 ? p / b : 0.0);
    return 0;
}
