// Helpers shared by the tests.
#include "support/TestSupport.h"

#include <shlwapi.h>

#include <vector>

namespace testing_support {

TempFolder::TempFolder() {
    char base[MAX_PATH];
    ::GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        char name[MAX_PATH];
        wsprintfA(name, "%sqmtest-%lu-%d", base, ::GetCurrentProcessId(), ++counter);
        if (::CreateDirectoryA(name, nullptr)) {
            path_ = name;
            break;
        }
    }
}

static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string full = folder + "\\" + name;
            ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                ::DeleteFileA(full.c_str());
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A program just started in the folder (ctags) keeps it busy for a moment after it ended.
    for (int tries = 0;
         !::RemoveDirectoryA(folder.c_str()) && ::GetLastError() == ERROR_SHARING_VIOLATION && tries < 100;
         ++tries)
        ::Sleep(20);
}

TempFolder::~TempFolder() {
    RemoveTree(path_);
}

std::string TempFolder::Path(const std::string& name) const {
    return name.empty() ? path_ : path_ + "\\" + name;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok =
        bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    HANDLE file =
        ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    ::CloseHandle(file);
    return true;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

std::string SmallVolume() {
    char mount[MAX_PATH] = "";
    DWORD length = ::GetEnvironmentVariableA("QM_SMALL_VOLUME", mount, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    // The fixture hands over the host's path; Wine tells its own name for it.
    std::string volume = mount;
    using ToDosName = WCHAR* (*)(const char*);
    auto toDos = reinterpret_cast<ToDosName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (toDos && volume.front() == '/') {
        WCHAR* dos = toDos(mount);
        if (!dos) return "";
        char name[MAX_PATH] = "";
        ::WideCharToMultiByte(CP_ACP, 0, dos, -1, name, MAX_PATH, nullptr, nullptr);
        ::HeapFree(::GetProcessHeap(), 0, dos);
        volume = name;
    }
    // Mounting needs root; without it the folder is an ordinary one on a large disk.
    ULARGE_INTEGER free{}, total{};
    if (!::GetDiskFreeSpaceExA((volume + "\\").c_str(), &free, &total, nullptr) ||
        total.QuadPart > 1024 * 1024)
        return "";
    return volume;
}

void ClearProgramRegistry() {
    ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark");
    // A user who once declined to make Quillmark the default editor for good: the question at
    // start would otherwise stop every test that starts the program.
    DWORD never = 0;
    ::SHSetValueA(HKEY_CURRENT_USER, "Software\\Altav\\Quillmark", "DefaultEditor", REG_DWORD, &never,
                  sizeof(never));
}

void PumpMessages(int forMs) {
    DWORD until = ::GetTickCount() + forMs;
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (forMs > 0) ::Sleep(5);
    } while (forMs > 0 && static_cast<int>(until - ::GetTickCount()) > 0);
}

bool PumpUntil(const std::function<bool()>& condition, int timeoutMs) {
    DWORD until = ::GetTickCount() + timeoutMs;
    for (;;) {
        PumpMessages();
        if (condition()) return true;
        if (static_cast<int>(until - ::GetTickCount()) <= 0) return false;
        ::Sleep(10);
    }
}

std::string WindowText(HWND window) {
    char text[4096] = "";
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

BoxAnswerer::BoxAnswerer(std::string caption, int button, int timeoutMs)
    : wanted_(std::move(caption)), button_(button), timeoutMs_(timeoutMs) {
    thread_ = std::thread([this] { Run(); });
}

BoxAnswerer::~BoxAnswerer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

namespace {
BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window)) return TRUE;
    char className[64] = "";
    ::GetClassNameA(window, className, sizeof(className));
    if (lstrcmpA(className, "#32770") == 0) reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND window, LPARAM param) {
    char className[64] = "";
    ::GetClassNameA(window, className, sizeof(className));
    if (lstrcmpiA(className, "Static") == 0) {
        std::string text = WindowText(window);
        if (!text.empty()) {
            auto* all = reinterpret_cast<std::string*>(param);
            if (!all->empty()) *all += "\n";
            *all += text;
        }
    }
    return TRUE;
}
} // namespace

std::vector<HWND> FindDialogs(const std::string& caption) {
    std::vector<HWND> dialogs;
    ::EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    std::erase_if(dialogs, [&](HWND dialog) { return !caption.empty() && WindowText(dialog) != caption; });
    return dialogs;
}

HWND FindDialog(const std::string& caption) {
    std::vector<HWND> dialogs = FindDialogs(caption);
    return dialogs.empty() ? nullptr : dialogs.front();
}

DialogWatcher::DialogWatcher(std::string caption, std::function<void(HWND)> action, int timeoutMs) {
    thread_ = std::thread([this, caption, action, timeoutMs] {
        DWORD until = ::GetTickCount() + timeoutMs;
        while (!stop_ && static_cast<int>(until - ::GetTickCount()) > 0) {
            if (HWND dialog = FindDialog(caption)) {
                seen_ = true;
                action(dialog);
                return;
            }
            ::Sleep(20);
        }
    });
}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

int BoxAnswerer::Count() const {
    std::lock_guard<std::mutex> lock(lock_);
    return count_ + (pressed_ && (!::IsWindow(pressed_) || !::IsWindowVisible(pressed_)) ? 1 : 0);
}

void BoxAnswerer::Run() {
    DWORD until = ::GetTickCount() + timeoutMs_;
    while (!stop_) {
        if (HWND box = FindDialog(wanted_)) {
            HWND button = ::GetDlgItem(box, button_);
            if (button) {
                if (count_ == 0) {
                    std::string all;
                    ::EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&all));
                    text_ = all;
                    caption_ = WindowText(box);
                }
                {
                    std::lock_guard<std::mutex> lock(lock_);
                    pressed_ = box;
                }
                ::SendMessageA(button, BM_CLICK, 0, 0);
                // The box may ignore a click while it is still starting up: wait until it is gone.
                for (int i = 0; i < 200 && ::IsWindow(box) && ::IsWindowVisible(box); ++i)
                    ::Sleep(10);
                std::lock_guard<std::mutex> lock(lock_);
                pressed_ = nullptr;
                if (!::IsWindow(box) || !::IsWindowVisible(box)) {
                    ++count_;
                    if (!answerAll_) return;
                }
            }
        }
        if (!answerAll_ && static_cast<int>(until - ::GetTickCount()) <= 0) return;
        ::Sleep(20);
    }
}

} // namespace testing_support
