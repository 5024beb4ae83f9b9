// The real Quillmark.exe against the floor program (one window, one Scintilla view with the HTML
// lexer, the file put in with one SCI_ADDTEXT), each started as a new process in the same run:
// start-up, opening 10 MB and 100 MB until ready, Ctrl+End until the CPU is idle again, and the
// peak memory. Every figure is printed as a ratio to the floor. Start-up and the 10 MB open are
// also measured for the floor with the controls the window shows, which tells the windows' own
// cost from the program's.
//
// Usage: program_bench [runs] [without-ctags]. ctags.exe lies beside the program unless the
// second argument asks for a diagnostic run without it.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "Scintilla.h"

using namespace bench;

namespace {

struct Program {
    const char* name;
    std::string exe;
    const char* frameClass;
};

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

bool CopyBeside(const std::string& from, const std::string& folder, const char* name) {
    return ::CopyFileA((from + name).c_str(), (folder + name).c_str(), FALSE) != FALSE;
}

// The settings the program runs with in the benchmark: the shipped ones, and no update server
// anywhere but here (an empty host checks nothing).
bool WriteSettings(const std::string& from, const std::string& to) {
    HANDLE file =
        ::CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string text(1 << 20, '\0');
    DWORD read = 0;
    ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    ::CloseHandle(file);
    text.resize(read);
    for (size_t at; (at = text.find("<Update ")) != std::string::npos;)
        text.erase(at, text.find("/>", at) + 2 - at);
    size_t root = text.find("<Quillmark>");
    if (root == std::string::npos) return false;
    text.insert(root + 11, "\r\n\t<Update Host=\"\" />");
    return WriteWhole(to, text);
}

// A fresh install's registry state: no session, no recent files, the default-editor question off.
void ResetRegistry() {
    ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark");
    DWORD never = 0;
    ::SHSetValueA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", "DefaultEditor", REG_DWORD, &never,
                  sizeof(never));
}

struct FrameSearch {
    DWORD process;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<FrameSearch*>(param);
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

BOOL CALLBACK FindVisibleView(HWND window, LPARAM param) {
    char name[64] = "";
    ::GetClassNameA(window, name, sizeof(name));
    if (::IsWindowVisible(window) && lstrcmpA(name, "Scintilla") == 0) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

bool Answers(HWND window, UINT timeoutMs) {
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer) != 0;
}

// One started program, closed (or ended) when it goes.
class Process {
  public:
    Process(const Program& program, const std::string& argument) : program_(program) {
        std::string commandLine = "\"" + program.exe + "\"";
        if (!argument.empty()) commandLine += " \"" + argument + "\"";
        STARTUPINFOA startup{sizeof(startup)};
        start_ = Clock::now();
        started_ = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &info_) != FALSE;
    }
    ~Process() {
        if (!started_) return;
        if (frame_) ::PostMessageA(frame_, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(info_.hProcess, 60000) == WAIT_TIMEOUT)
            ::TerminateProcess(info_.hProcess, 1);
        EndChildren();
        ::CloseHandle(info_.hProcess);
        ::CloseHandle(info_.hThread);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    Clock::time_point Start() const { return start_; }
    HWND Frame() const { return frame_; }

    // Waits until the program's frame is visible; false after `timeoutS`.
    bool WaitForFrame(double timeoutS) {
        FrameSearch search{info_.dwProcessId, program_.frameClass, nullptr};
        while (started_ && !search.found && Seconds(start_, Clock::now()) < timeoutS) {
            ::EnumWindows(FindFrame, reinterpret_cast<LPARAM>(&search));
            if (!search.found) ::Sleep(1);
        }
        frame_ = search.found;
        return frame_ != nullptr;
    }

    // The user-interface thread's CPU time: Wine reports the times of another process as zero,
    // those of its threads from the system.
    double CpuSeconds() const {
        FILETIME created, ended, kernel, user;
        if (!::GetThreadTimes(info_.hThread, &created, &ended, &kernel, &user)) return 0;
        auto value = [](FILETIME t) {
            return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
        };
        return value(kernel) + value(user);
    }

    // Waits until the program answers and has used (almost) no CPU for a while; returns the
    // moment its last busy stretch ended, or none after `timeoutS`.
    bool WaitUntilIdle(double timeoutS, Clock::time_point& idleSince) const {
        constexpr DWORD sampleMs = 50;
        constexpr double quietS = 0.6, busyShare = 0.2;
        Clock::time_point begin = Clock::now(), lastBusy = begin, previous = begin;
        double cpu = CpuSeconds();
        while (Seconds(begin, Clock::now()) < timeoutS) {
            ::Sleep(sampleMs);
            Clock::time_point now = Clock::now();
            double used = CpuSeconds();
            bool answering = Answers(frame_, 20);
            if (used - cpu > busyShare * Seconds(previous, now) || !answering) lastBusy = Clock::now();
            cpu = used;
            previous = now;
            if (Seconds(lastBusy, Clock::now()) >= quietS) {
                idleSince = lastBusy;
                return true;
            }
        }
        return false;
    }

    HWND View() const {
        HWND view = nullptr;
        ::EnumChildWindows(frame_, FindVisibleView, reinterpret_cast<LPARAM>(&view));
        return view;
    }

    double PeakMegabytes() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof(counters);
        if (!::GetProcessMemoryInfo(info_.hProcess, &counters, sizeof(counters))) return 0;
        return double(counters.PeakWorkingSetSize) / (1 << 20);
    }

  private:
    // A ctags the program started and left running would take the CPU from the next runs.
    void EndChildren() const {
        HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return;
        PROCESSENTRY32 entry{sizeof(entry)};
        for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
            if (entry.th32ParentProcessID != info_.dwProcessId) continue;
            if (HANDLE child = ::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
                ::TerminateProcess(child, 1);
                ::CloseHandle(child);
            }
        }
        ::CloseHandle(snapshot);
    }

    const Program& program_;
    PROCESS_INFORMATION info_{};
    bool started_ = false;
    Clock::time_point start_;
    HWND frame_ = nullptr;
};

// The longest a message sent to `window` waited while the pinger ran.
class Pinger {
  public:
    explicit Pinger(HWND window)
        : thread_([this, window] {
              while (!stop_) {
                  Clock::time_point sent = Clock::now();
                  Answers(window, 600000);
                  double waited = Seconds(sent, Clock::now());
                  if (waited > 0.1) ++overLimit_;
                  if (getenv("QM_BENCH_TRACE") && waited > 0.05)
                      std::printf("    wait %.0f ms at %.2f s\n", waited * 1000, Seconds(start_, sent));
                  longest_ = std::max(longest_.load(), waited);
                  ::Sleep(5);
              }
          }) {}
    ~Pinger() { Stop(); }
    double Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return longest_;
    }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<double> longest_{0};
    std::atomic<int> overLimit_{0};
    Clock::time_point start_ = Clock::now();
    std::thread thread_;
};

void PressCtrlEnd(HWND frame) {
    ::SetForegroundWindow(frame);
    ::Sleep(200);
    INPUT keys[4]{};
    const WORD codes[4] = {VK_CONTROL, VK_END, VK_END, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags =
            (i >= 2 ? KEYEVENTF_KEYUP : 0) | (codes[i] == VK_END ? KEYEVENTF_EXTENDEDKEY : 0);
    }
    ::SendInput(4, keys, sizeof(INPUT));
}

struct Figures {
    std::vector<double> start, open10, open100, ctrlEnd, longestWait, peak;
    int caretMissed = 0, timedOut = 0;
};

// Start-up: from CreateProcess until the frame is visible and answers.
void MeasureStart(const Program& program, Figures& figures) {
    ResetRegistry();
    Process process(program, "");
    if (!process.WaitForFrame(60) || !Answers(process.Frame(), 60000)) {
        ++figures.timedOut;
        return;
    }
    figures.start.push_back(Seconds(process.Start(), Clock::now()));
}

// Opening `path` from the command line until ready; for the large file then Ctrl+End and memory.
void MeasureOpen(const Program& program, const std::string& path, bool large, double limitS,
                 Figures& figures) {
    ResetRegistry();
    Process process(program, path);
    Clock::time_point ready;
    if (!process.WaitForFrame(limitS) || !process.WaitUntilIdle(limitS, ready)) {
        ++figures.timedOut;
        return;
    }
    (large ? figures.open100 : figures.open10).push_back(Seconds(process.Start(), ready));
    if (!large) return;

    Pinger pinger(process.Frame());
    Clock::time_point pressed = Clock::now(), idle;
    PressCtrlEnd(process.Frame());
    bool finished = process.WaitUntilIdle(limitS, idle);
    double longest = pinger.Stop();
    if (!finished) {
        ++figures.timedOut;
        figures.ctrlEnd.push_back(limitS);
    } else {
        figures.ctrlEnd.push_back(Seconds(pressed, idle));
    }
    figures.longestWait.push_back(longest);
    HWND view = process.View();
    DWORD_PTR caret = 0, length = 0;
    ::SendMessageTimeoutA(view, SCI_GETCURRENTPOS, 0, 0, SMTO_NORMAL, 5000, &caret);
    ::SendMessageTimeoutA(view, SCI_GETLENGTH, 0, 0, SMTO_NORMAL, 5000, &length);
    if (!view || caret != length || length == 0) ++figures.caretMissed;
    figures.peak.push_back(process.PeakMegabytes());
}

void PrintRow(const char* what, const std::vector<double>& floor, const std::vector<double>& program,
              const char* unit, double scale, double goal) {
    double f = Median(floor) * scale, p = Median(program) * scale;
    std::printf("  %-28s %10.2f %2s %10.2f %2s   %6.2fx   %s %.1fx\n", what, f, unit, p, unit,
                f > 0 ? p / f : 0.0, f > 0 && p / f <= goal ? "ok, goal" : "goal", goal);
}

// The floor with the program's controls, beside the row it belongs to.
void PrintControls(const std::vector<double>& floor, const std::vector<double>& controls,
                   const std::vector<double>& program, double scale, const char* unit) {
    double f = Median(floor), c = Median(controls);
    if (f > 0 && c > 0)
        std::printf("    the same controls alone: %.2f %s, %.2fx the floor; Quillmark %.2fx them\n",
                    c * scale, unit, c / f, Median(program) / c);
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    bool withCtags = !(argc > 2 && std::strcmp(argv[2], "without-ctags") == 0);
    // "start-only" measures start-up alone, for trying a change to it quickly.
    bool startOnly = argc > 2 && std::strcmp(argv[2], "start-only") == 0;

    // The program runs from a folder of its own, so that its settings can point nowhere.
    std::string built = ProgramFolder();
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "quillmark-program-bench\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::DeleteFileA((folder + "ctags.exe").c_str());
    if (!CopyBeside(built, folder, "Quillmark.exe") || !CopyBeside(built, folder, "minimal_scintilla.exe") ||
        !CopyBeside(built, folder, "controls_floor.exe") ||
        !WriteSettings(built + "Quillmark.xml", folder + "Quillmark.xml") ||
        (withCtags && !CopyBeside(built, folder, "ctags.exe"))) {
        std::printf("cannot prepare %s\n", folder.c_str());
        return 1;
    }
    std::string small = folder + "page-10mb.php", large = folder + "page-100mb.php";
    if (!startOnly &&
        (!WriteWhole(small, GeneratePage(10u << 20)) || !WriteWhole(large, GeneratePage(100u << 20)))) {
        std::printf("cannot write the pages in %s\n", folder.c_str());
        return 1;
    }

    Program floor{"floor", folder + "minimal_scintilla.exe", "MinimalScintillaFrame"};
    Program quillmark{"Quillmark", folder + "Quillmark.exe", "QuillmarkMainFrame"};
    // The floor with the controls the window shows at start: what the windows alone cost.
    Program controls{"controls", folder + "controls_floor.exe", "ControlsFloorFrame"};
    Figures floorFigures, programFigures, controlsFigures;
    // The first start of each pays for loading the executable from disk: not counted.
    MeasureStart(floor, floorFigures);
    MeasureStart(quillmark, programFigures);
    MeasureStart(controls, controlsFigures);
    floorFigures = {};
    programFigures = {};
    controlsFigures = {};
    for (int i = 0; i < std::max(runs, 5); ++i) {
        MeasureStart(floor, floorFigures);
        MeasureStart(controls, controlsFigures);
        MeasureStart(quillmark, programFigures);
    }
    for (int i = 0; i < (startOnly ? 0 : runs); ++i) {
        MeasureOpen(floor, small, false, 120, floorFigures);
        MeasureOpen(controls, small, false, 120, controlsFigures);
        MeasureOpen(quillmark, small, false, 120, programFigures);
    }
    for (int i = 0; i < (startOnly ? 0 : runs); ++i) {
        MeasureOpen(floor, large, true, 120, floorFigures);
        // The floor's own time bounds the wait: ten times it is a failure whatever comes after.
        double limit = std::max(60.0, 10 * (floorFigures.open100.empty() ? 30
                                                                         : Median(floorFigures.open100) +
                                                                               Median(floorFigures.ctrlEnd)));
        MeasureOpen(quillmark, large, true, limit, programFigures);
    }

    std::printf(
        "Quillmark.exe against the floor program, both started as new processes, median of %d runs%s\n", runs,
        withCtags ? "" : " (diagnostic: ctags.exe removed)");
    std::printf("  %-28s %13s %13s   %7s\n", "", "floor", "Quillmark", "ratio");
    PrintRow("start, window answering", floorFigures.start, programFigures.start, "ms", 1000, 1.3);
    PrintControls(floorFigures.start, controlsFigures.start, programFigures.start, 1000, "ms");
    if (startOnly) return 0;
    PrintRow("open 10 MB, ready", floorFigures.open10, programFigures.open10, "s", 1, 1.5);
    PrintControls(floorFigures.open10, controlsFigures.open10, programFigures.open10, 1, "s");
    PrintRow("open 100 MB, ready", floorFigures.open100, programFigures.open100, "s", 1, 1.5);
    PrintRow("Ctrl+End on 100 MB, idle", floorFigures.ctrlEnd, programFigures.ctrlEnd, "s", 1, 1.5);
    PrintRow("peak memory, 100 MB", floorFigures.peak, programFigures.peak, "MB", 1, 1.0);
    std::printf(
        "  longest wait of a message during Ctrl+End: floor %.0f ms, Quillmark %.0f ms (goal: 100 ms)\n",
        Median(floorFigures.longestWait) * 1000, Median(programFigures.longestWait) * 1000);
    if (programFigures.timedOut || floorFigures.timedOut)
        std::printf("  runs stopped waiting: floor %d, Quillmark %d\n", floorFigures.timedOut,
                    programFigures.timedOut);
    if (programFigures.caretMissed || floorFigures.caretMissed)
        std::printf("  Ctrl+End did not reach the end: floor %d, Quillmark %d\n", floorFigures.caretMissed,
                    programFigures.caretMissed);

    for (const char* name : {"page-10mb.php", "page-100mb.php", "page-10mb.php.tag", "page-100mb.php.tag"})
        ::DeleteFileA((folder + name).c_str());
    return 0;
}
