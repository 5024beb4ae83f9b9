// Times opening and saving a generated 100 MB PHP/HTML file through the main window's documents
// against the least the platform needs for the same bytes, and the memory a view takes per MB.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "Scintilla.h"
#include "app/MainFrame.h"
#include "php/TagIndex.h"
#include "php/ViewSetup.h"
#include "win/MessageLoop.h"

#include "BenchSupport.h"
#include "QuietHost.h"

using namespace bench;

namespace {

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// The process's private memory; Wine leaves PrivateUsage at 0 and reports it as the page-file
// usage instead.
double PrivateMegabytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof(counters));
    SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(bytes) / (1 << 20);
}

struct Figures {
    double ms = 0;
    double megabytes = 0; // private memory taken while the view holds the text
};

} // namespace

int main() {
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_TAB_CLASSES |
                                                        ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    Scintilla_RegisterClasses(::GetModuleHandleA(nullptr));
    AppModule::Init();
    MessageLoop loop;
    AppModule::AddMessageLoop(&loop);

    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "quillmark-documents-bench.php";
    const std::string floorPath = std::string(temp) + "quillmark-documents-bench.floor";
    const size_t size = 100u << 20;
    const double megabytes = static_cast<double>(size) / (1 << 20);

    Clock::time_point start = Clock::now();
    const std::string bytes = GeneratePage(size);
    if (!WriteWhole(path, bytes, false)) {
        std::printf("cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("Generated %s: %.0f MB in %.0f ms\n", path.c_str(), megabytes, MillisSince(start));

    auto frame = std::make_unique<MainFrame>();
    HWND window = frame->CreateFrame();
    if (!window) {
        std::printf("cannot create the main window\n");
        return 1;
    }
    ::ShowWindow(window, SW_SHOWNORMAL);
    Pump();
    // The same tab strip in a window of its own, whose documents run no ctags.
    HWND quietWindow =
        ::CreateWindowExA(0, "STATIC", "Documents", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                          1000, 700, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    QuietHost host(quietWindow, frame->ViewSettings());
    DocumentTabs tabs(host);
    tabs.Create(quietWindow, 1);
    RECT client{};
    ::GetClientRect(quietWindow, &client);
    ::MoveWindow(tabs.Handle(), 0, 0, client.right, client.bottom, TRUE);
    Pump();

    // The floor: the bytes already in memory go in one piece to a new view that is set up as
    // a document's view, without undo (as a loaded file), then the view is shown and painted.
    auto openFloor = [&] {
        Figures figures;
        double before = PrivateMegabytes();
        Clock::time_point begin = Clock::now();
        HWND view = ::CreateWindowExA(0, "Scintilla", "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                                      0, 0, tabs.Handle(), nullptr, ::GetModuleHandleA(nullptr), nullptr);
        EditorView editor(view);
        SetUpView(editor, frame->ViewSettings());
        editor.Call(SCI_SETUNDOCOLLECTION, 0);
        editor.Call(SCI_ADDTEXT, bytes.size(), bytes.data());
        RECT area{};
        ::GetClientRect(tabs.Handle(), &area);
        ::SendMessageA(tabs.Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        ::SetWindowPos(view, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       SWP_SHOWWINDOW | SWP_NOACTIVATE);
        ::UpdateWindow(view);
        figures.ms = MillisSince(begin);
        figures.megabytes = PrivateMegabytes() - before;
        ::DestroyWindow(view);
        Pump();
        return figures;
    };
    // The program's way: OpenDocument, then the paint of the view it shows.
    auto openDocument = [&] {
        Figures figures;
        double before = PrivateMegabytes();
        Clock::time_point begin = Clock::now();
        tabs.OpenDocument(path, false);
        ::UpdateWindow(tabs.SelectedDocument()->ViewWindow());
        figures.ms = MillisSince(begin);
        figures.megabytes = PrivateMegabytes() - before;
        return figures;
    };
    auto closeDocument = [&] {
        tabs.CloseDocument(tabs.SelectedIndex());
        Pump();
    };

    // A first round warms up the heap: the first hundreds of MB a process takes cost more.
    openFloor();
    openDocument();
    closeDocument();
    const int rounds = 3;
    std::vector<double> floorMs, openMs, floorMemory, openMemory;
    for (int i = 0; i < rounds; ++i) {
        Figures floor = openFloor();
        Figures open = openDocument();
        closeDocument();
        floorMs.push_back(floor.ms);
        openMs.push_back(open.ms);
        floorMemory.push_back(floor.megabytes);
        openMemory.push_back(open.megabytes);
    }
    // Once through the main window as the user opens a file: with ctags, which the window
    // waits for.
    double frameOpenMs = 0, ctagsMs = 0;
    if (!frame->CtagsPath().empty()) {
        start = Clock::now();
        frame->Tabs().OpenDocument(path, false);
        ::UpdateWindow(frame->Tabs().SelectedDocument()->ViewWindow());
        frameOpenMs = MillisSince(start);
        frame->Tabs().CloseDocument(frame->Tabs().SelectedIndex());
        Pump();
        start = Clock::now();
        RunCtags(frame->CtagsPath(), path);
        ctagsMs = MillisSince(start);
    }

    // Saving: the document writes the same bytes it read; the floor writes them from memory
    // with one WriteFile to a new file, with and without flushing them to the disk. The steps
    // of the save are also timed one by one, done here the way SaveToFile does them.
    tabs.OpenDocument(path, false);
    Document* document = tabs.SelectedDocument();
    std::vector<double> saveMs, writeMs, flushMs, chunkMs, chunkFlushMs, renameMs;
    WriteWhole(floorPath, bytes, false);
    document->SaveToFile(path);
    for (int i = 0; i < rounds; ++i) {
        ::DeleteFileA(floorPath.c_str());
        start = Clock::now();
        WriteWhole(floorPath, bytes, false);
        writeMs.push_back(MillisSince(start));
        ::DeleteFileA(floorPath.c_str());
        double flush = 0;
        WriteWhole(floorPath, bytes, true, &flush);
        flushMs.push_back(flush);
        ::DeleteFileA(floorPath.c_str());

        start = Clock::now();
        if (!document->SaveToFile(path)) std::printf("the save failed\n");
        saveMs.push_back(MillisSince(start));

        start = Clock::now();
        HANDLE file = ::CreateFileA(floorPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        const EditorView& view = document->View();
        Sci_Position length = view.Call(SCI_GETLENGTH);
        char block[8192 + 1];
        for (Sci_Position position = 0; position < length; position += 8192) {
            Sci_Position chunk = std::min<Sci_Position>(length - position, 8192);
            Sci_TextRangeFull range{{position, position + chunk}, block};
            view.Call(SCI_GETTEXTRANGEFULL, 0, &range);
            DWORD written = 0;
            ::WriteFile(file, block, static_cast<DWORD>(chunk), &written, nullptr);
        }
        chunkMs.push_back(MillisSince(start));
        start = Clock::now();
        ::FlushFileBuffers(file);
        ::CloseHandle(file);
        chunkFlushMs.push_back(MillisSince(start));
        start = Clock::now();
        ::MoveFileExA(floorPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        renameMs.push_back(MillisSince(start));
    }
    closeDocument();

    double floorOpen = Median(floorMs), open = Median(openMs);
    double write = Median(writeMs), flush = Median(flushMs), save = Median(saveMs);
    std::printf("Open, %d rounds, median                     ms      ratio   goal\n", rounds);
    std::printf("  one SCI_ADDTEXT from memory + paint  %9.0f\n", floorOpen);
    std::printf("  OpenDocument + paint (no ctags)      %9.0f    x%.2f   x1.5\n", open, open / floorOpen);
    if (frameOpenMs > 0)
        std::printf("  the main window's OpenDocument       %9.0f    (ctags alone: %.0f ms)\n", frameOpenMs,
                    ctagsMs);
    else
        std::printf("  (no ctags.exe beside the program: the main window's OpenDocument is not timed)\n");
    std::printf("\nSave, %d rounds, median\n", rounds);
    std::printf("  one WriteFile to a new file          %9.0f\n", write);
    std::printf("  FlushFileBuffers after it            %9.0f\n", flush);
    std::printf("  SaveToFile (temporary file, flush,\n");
    std::printf(
        "    rename over the target)            %9.0f    x%.2f   x1.5 (x%.2f against write + flush)\n", save,
        save / write, save / (write + flush));
    std::printf("  its steps: 8 KB chunks to a new file %9.0f\n", Median(chunkMs));
    std::printf("             flush                     %9.0f\n", Median(chunkFlushMs));
    std::printf("             rename over the target    %9.0f\n", Median(renameMs));
    std::printf("\nPrivate memory per MB of file\n");
    std::printf("  floor view                           %9.2f MB\n", Median(floorMemory) / megabytes);
    std::printf("  document view                        %9.2f MB\n", Median(openMemory) / megabytes);

    ::DestroyWindow(quietWindow);
    ::DestroyWindow(window);
    Pump();
    MSG quit;
    while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    frame.reset();
    AppModule::RemoveMessageLoop();
    ::DeleteFileA(path.c_str());
    ::DeleteFileA((path + ".tag").c_str());
    ::DeleteFileA(floorPath.c_str());
    Scintilla_ReleaseResources();
    ::CoUninitialize();
    return 0;
}
