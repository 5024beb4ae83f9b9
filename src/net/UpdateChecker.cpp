// The update check's thread: version file, question, download, proof and start of the installer.
#include "net/UpdateChecker.h"

#include <commctrl.h>

#include <optional>
#include <utility>

#include "net/VersionFile.h"

namespace {

// Reload from the server, keep nothing in the cache, reuse the connection.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_PRAGMA_NOCACHE;
// A version file is a few lines; an installer a few megabytes. Anything far larger is not what
// the check asked for, and must not fill the memory or the disk.
constexpr size_t kMaxVersionFile = 4096;
constexpr DWORD kMaxInstaller = 512u << 20;
// How long the thread waits for the window's thread to serve messages before it starts.
constexpr DWORD kStartWait = 60000;

// One check runs per program start: its pieces of the installer pass through here.
char transferBuffer[8192];

struct ThreadStart {
    std::shared_ptr<UpdateChannel> channel;
    UpdateCheckSetup setup;
};

// The running executable's file version, from its version resource.
std::optional<uint64_t> RunningFileVersion() {
    char path[MAX_PATH + 1] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return std::nullopt;
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return std::nullopt;
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!::GetFileVersionInfoA(path, 0, size, block.data()) ||
        !::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return uint64_t(info->dwFileVersionMS) << 32 | info->dwFileVersionLS;
}

// The installer file while it is being downloaded and checked: deleted unless it was started.
struct InstallerFile {
    std::string path;
    KernelHandle handle;
    bool keep = false;
    ~InstallerFile() {
        handle.Reset();
        if (!keep && !path.empty()) ::DeleteFileA(path.c_str());
    }
};

class Check {
  public:
    Check(UpdateChannel& channel, const UpdateCheckSetup& setup) : channel_(channel), setup_(setup) {}
    // 1 when the installer was started, 0 in every other case.
    DWORD Run();

  private:
    // A request of the check. Closed under the lock, or only forgotten when a cancel closed the
    // session, which took everything opened on it along.
    struct Request {
        explicit Request(UpdateChannel& owner) : channel(owner) {}
        ~Request() {
            ScopedLock lock(channel.updateLock);
            if (channel.cancelled)
                request.abandon();
            else
                request.close();
        }
        UpdateChannel& channel;
        UrlRequest request;
    };

    DWORD CheckAndUpgrade();
    std::optional<std::string> ReadVersionFile();
    DWORD DownloadAndStart(const SignedRelease& release);
    bool StartInstaller(InstallerFile& file, const SignedRelease& release);
    // Runs one internet call under the lock. False when the check is cancelled: then the
    // session and everything on it is closed, and nothing of it may be touched again.
    template <class Call> bool Guarded(Call&& call) {
        ScopedLock lock(channel_.updateLock);
        if (!Live()) return false;
        call();
        return Live();
    }
    // Under the lock: false once cancelled. A cancel that the window could only request (the
    // lock was taken) is carried out here: the session is closed.
    bool Live() {
        if (!channel_.cancelled && channel_.CancelRequested()) {
            channel_.session.close();
            channel_.cancelled = true;
        }
        return !channel_.cancelled;
    }
    bool StillWanted() {
        ScopedLock lock(channel_.updateLock);
        return Live();
    }
    std::string Url(const char* path) const { return "http://" + setup_.host + path; }
    void ShowBand(bool show) {
        auto index = ::SendMessageA(setup_.rebar, RB_IDTOINDEX, setup_.bandId, 0);
        ::SendMessageA(setup_.rebar, RB_SHOWBAND, index, show);
    }

    UpdateChannel& channel_;
    const UpdateCheckSetup& setup_;
    HINTERNET session_ = nullptr;
};

DWORD Check::Run() {
    {
        ScopedLock lock(channel_.updateLock);
        if (!Live()) return 0;
        if (!channel_.session) {
            try {
                channel_.session.open();
            } catch (const CInternetException&) {
                return 0;
            }
        }
        channel_.session.setTimeouts(setup_.timeoutMs);
        session_ = channel_.session.get();
    }
    DWORD result = 0;
    try {
        result = CheckAndUpgrade();
    } catch (const CInternetException&) {
        result = 0; // no network, no server, no content length: all silent
    }
    StillWanted(); // a cancel that came during the last call closes the session now
    return result;
}

DWORD Check::CheckAndUpgrade() {
    std::optional<uint64_t> running = RunningFileVersion();
    if (!running) return 0;
    std::optional<std::string> text = ReadVersionFile();
    if (!text) return 0;
    std::optional<uint64_t> offered = ReadVersionNumbers(*text);
    if (!offered || *running >= *offered) return 0;
    // Only a file that the project signed is read as a version file at all.
    std::optional<SignedRelease> release = ReadSignedVersionFile(*text, setup_.releaseKey);
    if (!release || *running >= release->version) return 0;

    if (!StillWanted()) return 0;
    int answer = ::MessageBoxA(setup_.frame, setup_.question.c_str(), setup_.caption.c_str(),
                               MB_YESNO | MB_DEFBUTTON1);
    // A close while the question was open has cancelled the check: a Yes then starts nothing.
    if (answer != IDYES || !StillWanted()) return 0;
    ShowBand(true);
    return DownloadAndStart(*release);
}

std::optional<std::string> Check::ReadVersionFile() {
    Request version(channel_);
    std::string url = Url("/Quillmark/version.txt");
    if (!Guarded([&] { version.request.open(session_, url.c_str(), nullptr, 0, kRequestFlags); }))
        return std::nullopt;
    std::string text;
    char piece[64];
    for (;;) {
        DWORD read = 0;
        if (!Guarded([&] { read = version.request.read(piece, sizeof(piece)); })) return std::nullopt;
        if (read == 0) return text;
        text.append(piece, read);
        if (text.size() > kMaxVersionFile) return std::nullopt;
    }
}

DWORD Check::DownloadAndStart(const SignedRelease& release) {
    InstallerFile file;
    file.path = InstallerPath();
    file.handle.Reset(::CreateFileA(file.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    // What else stands at that path was never checked: without a file of its own the check ends.
    if (!file.handle) return 0;

    Request installer(channel_);
    std::string url = Url("/Quillmark/QuillmarkSetup.exe");
    DWORD length = 0;
    if (!Guarded([&] {
            installer.request.open(session_, url.c_str(), nullptr, 0, kRequestFlags);
            installer.request.queryNumber(HTTP_QUERY_CONTENT_LENGTH, length);
        }))
        return 0;
    if (length > kMaxInstaller) return 0;
    ::SendMessageA(setup_.progress, PBM_SETRANGE32, 0, static_cast<LPARAM>(length));
    ::SendMessageA(setup_.progress, PBM_SETPOS, 0, 0);

    DWORD total = 0;
    for (;;) {
        DWORD read = 0;
        if (!Guarded([&] { read = installer.request.read(transferBuffer, sizeof(transferBuffer)); }))
            return 0;
        if (read == 0) break;
        DWORD written = 0;
        if (read > length - total ||
            !::WriteFile(file.handle.Get(), transferBuffer, read, &written, nullptr) || written != read)
            return 0;
        total += read;
        ::SendMessageA(setup_.progress, PBM_SETPOS, total, 0);
    }
    file.handle.Reset();
    return StartInstaller(file, release) ? 1 : 0;
}

bool Check::StartInstaller(InstallerFile& file, const SignedRelease& release) {
    // Checked and started through one handle that lets nobody write the file in between, so
    // what runs is what was checked.
    file.handle.Reset(::CreateFileA(file.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.handle) return false;
    Sha256 hash;
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.handle.Get(), transferBuffer, sizeof(transferBuffer), &read, nullptr))
            return false;
        if (read == 0) break;
        hash.Add(transferBuffer, read);
    }
    std::optional<Sha256Digest> digest = hash.Finish();
    if (!digest || *digest != release.installerSha256 || !StillWanted()) return false;

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(file.path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    file.keep = true;
    return true;
}

DWORD WINAPI UpdateThread(void* parameter) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    const UpdateCheckSetup& setup = start->setup;
    // The check begins once the window's thread serves messages, that is once the window is up:
    // start-up does not share its time with the check.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(setup.frame, WM_NULL, 0, 0, SMTO_NORMAL, kStartWait, &ignored);
    DWORD result = Check(*start->channel, setup).Run();
    ::PostMessageA(setup.frame, setup.doneMessage, 1, 0);
    return result;
}

} // namespace

void UpdateChannel::Cancel() {
    cancelRequested_ = true;
    if (!updateLock.TryEnter()) return; // the thread is inside a call: it closes the session after it
    session.close();
    cancelled = true;
    updateLock.Leave();
}

bool UpdateCheck::Start(const UpdateCheckSetup& setup) {
    if (thread_) return false;
    auto start = std::make_unique<ThreadStart>(ThreadStart{channel_, setup});
    thread_.Reset(::CreateThread(nullptr, 0, UpdateThread, start.get(), 0, nullptr));
    if (!thread_) return false;
    start.release(); // the thread owns it now
    return true;
}

DWORD UpdateCheck::Finish(DWORD waitMs) {
    DWORD code = 0;
    if (!thread_) return 0;
    if (::WaitForSingleObject(thread_.Get(), waitMs) != WAIT_OBJECT_0 ||
        !::GetExitCodeThread(thread_.Get(), &code))
        code = 0;
    thread_.Reset();
    return code;
}

bool IsUpdateHost(const std::string& host) {
    size_t colon = host.find(':');
    std::string name = host.substr(0, colon);
    if (name.empty() || name.size() > 253) return false;
    for (char c : name)
        if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9') && c != '.' &&
            c != '-')
            return false;
    if (colon == std::string::npos) return true;
    std::string port = host.substr(colon + 1);
    if (port.empty() || port.size() > 5) return false;
    for (char c : port)
        if (c < '0' || c > '9') return false;
    int number = std::stoi(port);
    return number >= 1 && number <= 65535;
}

std::string InstallerPath() {
    char folder[MAX_PATH + 1] = "";
    DWORD length = ::GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder)) return "";
    return std::string(folder, length) + "QuillmarkSetup.exe";
}
