// Times Quillmark's FTP worker copying a tree of 1,000 small files and one 100 MB file up to and
// down from a local pyftpdlib server, against lftp mirroring the same trees from the same server
// in the same run.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ftp/FtpTestSupport.h"
#include "ftp/FtpTransfer.h"
#include "resources/Resource.h"
#include "win/WorkerMessages.h"

#include "BenchSupport.h"

using namespace bench;
using testing_support::FtpServers;

namespace {

// A folder that both this program and lftp, a Linux program, can reach: Z: is the root there.
struct SharedFolder {
    std::string unix, windows;
    explicit SharedFolder(const std::string& name)
        : unix("/tmp/" + name + "-" + std::to_string(::GetCurrentProcessId())), windows("Z:" + unix) {
        for (char& c : windows)
            if (c == '/') c = '\\';
        ::CreateDirectoryA(windows.c_str(), nullptr);
    }
    ~SharedFolder() { Remove(windows); }
    static void Remove(const std::string& folder) {
        WIN32_FIND_DATAA data;
        HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
        for (bool more = find != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(find, &data)) {
            std::string name = data.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..") continue;
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                Remove(path);
            else
                ::DeleteFileA(path.c_str());
        }
        if (find != INVALID_HANDLE_VALUE) ::FindClose(find);
        ::RemoveDirectoryA(folder.c_str());
    }
};

FtpTransfer* running = nullptr;
StatusLogFeed* feed = nullptr;

// Stands in for the dialog: it appends the worker's lines to its status log as the dialog does.
LRESULT CALLBACK OwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FTP_APPEND_LOG || (message == WM_TIMER && wParam == StatusLogFeed::timerId)) {
        if (running && feed) message == WM_TIMER ? feed->OnTimer(*running) : feed->OnLines(*running);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

// One run of the worker as the dialog starts it, with a status log that takes every line.
double Transfer(UINT command, int port, const std::string& remote, const std::string& local) {
    WNDCLASSA owner_class{};
    owner_class.lpfnWndProc = OwnerProcedure;
    owner_class.lpszClassName = "QuillmarkFtpBenchOwner";
    ::RegisterClassA(&owner_class);
    HWND owner = ::CreateWindowExA(0, owner_class.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   nullptr, nullptr);
    HWND log = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE | ES_READONLY, 0, 0, 400, 300, owner,
                                 nullptr, nullptr, nullptr);
    ::SendMessageA(log, EM_SETLIMITTEXT, 0, 0);
    FtpTransferRequest request;
    request.host = "127.0.0.1:" + std::to_string(port);
    request.userName = request.password = "bench";
    request.passive = 1;
    request.remoteDir = NormaliseRemoteDir(remote);
    request.localDir = NormaliseLocalDir(local);
    request.command = command;
    request.dialog = owner;
    auto transfer = std::make_shared<FtpTransfer>(request);
    running = transfer.get();
    StatusLogFeed logFeed(owner, log);
    feed = &logFeed;
    Clock::time_point start = Clock::now();
    HANDLE thread = FtpTransfer::Start(transfer);
    MSG msg;
    while (thread && ::GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_WORKER_DONE) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    if (thread) logFeed.Flush(*transfer);
    double ms = MillisSince(start);
    if (thread) {
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
    }
    running = nullptr;
    feed = nullptr;
    if (transfer->Failed()) std::printf("  failed: %s\n", transfer->Failure().c_str());
    ::DestroyWindow(owner);
    return ms;
}

void Report(const std::string& what, const std::vector<double>& quillmark, const std::vector<double>& lftp) {
    double ours = Median(quillmark), theirs = Median(lftp);
    std::printf("%-34s quillmark %8.0f ms   lftp %8.0f ms   ratio %5.2f (goal <= 1.50)\n", what.c_str(), ours,
                theirs, theirs > 0 ? ours / theirs : 0.0);
}

} // namespace

int main() {
    ::CoInitialize(nullptr);
    FtpServers& servers = FtpServers::Instance();
    FtpServers::Server server = servers.Start("bench", "bench");

    SharedFolder small("quillmark-ftp-small"), big("quillmark-ftp-big");
    std::string kilobytes(2048, 'q');
    for (int folder = 0; folder < 10; ++folder) {
        std::string path = small.windows + "\\folder" + std::to_string(folder);
        ::CreateDirectoryA(path.c_str(), nullptr);
        for (int file = 0; file < 100; ++file)
            WriteWhole(path + "\\page" + std::to_string(file) + ".php", kilobytes);
    }
    WriteWhole(big.windows + "\\large.bin", GeneratePage(100u << 20));

    struct Case {
        const char* name;
        const SharedFolder& tree;
    };
    // Rounds taken in turn, each to folders of its own on the server (lftp would not copy
    // again what is there already); the median of each is reported.
    constexpr int rounds = 3;
    std::printf("median of %d rounds\n", rounds);
    for (const Case& c : {Case{"1,000 files of 2 KB", small}, Case{"one file of 100 MB", big}}) {
        std::vector<double> up, lftpUp, down, lftpDown;
        for (int round = 0; round < rounds; ++round) {
            std::string name = c.tree.unix.substr(5) + "-" + std::to_string(round);
            up.push_back(Transfer(IDC_FTP_UPLOAD, server.port, "/q-" + name, c.tree.windows));
            lftpUp.push_back(servers.Mirror(server.port, "bench", "bench", "up", c.tree.unix, "/l-" + name));
            SharedFolder ours("quillmark-ftp-down"), theirs("quillmark-ftp-lftp-down");
            down.push_back(Transfer(IDC_FTP_DOWNLOAD, server.port, "/q-" + name, ours.windows));
            lftpDown.push_back(
                servers.Mirror(server.port, "bench", "bench", "down", theirs.unix, "/l-" + name));
        }
        Report(std::string("upload, ") + c.name, up, lftpUp);
        Report(std::string("download, ") + c.name, down, lftpDown);
    }
    servers.Stop(server.port);
    ::CoUninitialize();
    return 0;
}
