// Times opening a generated 100 MB PHP/HTML file in a fully set-up view until the first screen is
// painted, and a jump to its end, against a bare view without a lexer in the same run.
#include <windows.h>
#include <shlwapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "Scintilla.h"
#include "config/Settings.h"
#include "documents/Document.h"
#include "documents/DocumentHost.h"
#include "win/EditorView.h"

#include "BenchSupport.h"
#include "QuietHost.h"

using namespace bench;

namespace {

// A bare view reads the file as Document::LoadFromFile does: reserved space, 8 KB blocks.
void LoadBare(const EditorView& view, const std::string& path) {
    HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file, &size);
    view.Call(SCI_ALLOCATE, static_cast<uptr_t>(size.QuadPart) + 1);
    char block[8192];
    DWORD read = 0;
    while (::ReadFile(file, block, sizeof(block), &read, nullptr) && read > 0)
        view.Call(SCI_ADDTEXT, read, block);
    ::CloseHandle(file);
    view.Call(SCI_SETSEL, 0, 0);
}

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

struct Timing {
    double load;
    double firstScreen; // load and the first paint
    double end;         // jump to the end and its paint
    double colourAll;   // colouring the whole file, which the view does while idle
};

// `open` puts the file into a new view of `frame` and returns the view's window.
template <class Open> Timing Measure(HWND frame, Open open) {
    Timing timing{};
    Clock::time_point start = Clock::now();
    HWND view = open();
    timing.load = MillisSince(start);
    RECT client{};
    ::GetClientRect(frame, &client);
    ::SetWindowPos(view, HWND_TOP, 0, 0, client.right, client.bottom, SWP_SHOWWINDOW);
    ::UpdateWindow(view);
    timing.firstScreen = MillisSince(start);

    Clock::time_point jump = Clock::now();
    ::SendMessageA(view, SCI_DOCUMENTEND, 0, 0);
    ::UpdateWindow(view);
    timing.end = MillisSince(jump);
    Clock::time_point colour = Clock::now();
    ::SendMessageA(view, SCI_COLOURISE, 0, -1);
    timing.colourAll = MillisSince(colour);
    Pump();
    ::DestroyWindow(view);
    Pump();
    return timing;
}

} // namespace

int main() {
    Scintilla_RegisterClasses(::GetModuleHandleA(nullptr));
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string path = std::string(temp) + "quillmark-large-bench.php";
    const size_t size = 100u << 20;

    Clock::time_point start = Clock::now();
    if (!WriteWhole(path, GeneratePage(size))) {
        std::printf("cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("Generated %s: %zu MB in %.0f ms\n\n", path.c_str(), size >> 20, MillisSince(start));

    HWND frame =
        ::CreateWindowExA(0, "STATIC", "Large file", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                          1000, 700, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    Pump();
    Settings settings;
    settings.Load(ProgramFolder() + Settings::kFileName);
    QuietHost host(frame, settings);

    auto openBare = [&] {
        HWND view = ::CreateWindowExA(0, "Scintilla", "", WS_CHILD, 0, 0, 0, 0, frame, nullptr,
                                      ::GetModuleHandleA(nullptr), nullptr);
        LoadBare(EditorView(view), path);
        return view;
    };
    auto openDocument = [&] {
        Document* document = Document::Create(frame, host);
        document->LoadFromFile(path);
        return document->ViewWindow();
    };
    // The first round warms up the heap (the first 200 MB the process takes cost more than
    // the next): only the second round is reported.
    Measure(frame, openBare);
    Measure(frame, openDocument);
    Timing bare = Measure(frame, openBare);
    Timing full = Measure(frame, openDocument);

    std::printf("                               bare view      full set-up    ratio\n");
    std::printf("  load                       %9.0f ms   %9.0f ms   x%.2f\n", bare.load, full.load,
                full.load / bare.load);
    std::printf("  first screen (load+paint)  %9.0f ms   %9.0f ms   x%.2f\n", bare.firstScreen,
                full.firstScreen, full.firstScreen / bare.firstScreen);
    std::printf("  jump to the end + paint    %9.0f ms   %9.0f ms   x%.1f\n", bare.end, full.end,
                full.end / bare.end);
    std::printf(
        "  colour the whole file      %9s      %9.0f ms   (%.1f MB/s, done while the program is idle)\n", "-",
        full.colourAll, double(size >> 20) / (full.colourAll / 1000.0));

    ::DestroyWindow(frame);
    ::DeleteFileA(path.c_str());
    Scintilla_ReleaseResources();
    return 0;
}
