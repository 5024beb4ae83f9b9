// The ctags queue, its worker threads and the runs of ctags over documents and projects.
#include "php/TagWorker.h"

#include <algorithm>
#include <cstdlib>

#include "win/Paths.h"

namespace {

// How long Stop waits for a worker that is not inside a ctags run (reading a folder, parsing).
constexpr DWORD stopWaitMs = 3000;
// After TerminateProcess, the process is gone within moments; it is not waited for longer.
constexpr DWORD terminateWaitMs = 2000;
// A project's tag file is read whole; kinds other than functions are left out of it, so even a
// very large project stays far below this.
constexpr uint64_t maxProjectTagBytes = 256ull << 20;

std::string TemporaryName(const std::string& tagPath, const char* suffix) {
    return tagPath + "." + std::to_string(::GetCurrentProcessId()) + suffix;
}

// The finished tag file takes the place of the old one in one step. A reader on the interface
// thread shares delete access, so this can only collide with another program (a virus
// scanner) for a moment.
bool PlaceFinishedFile(const std::string& temporary, const std::string& target) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION)
            return false;
        ::Sleep(50);
    }
    return false;
}

bool WriteListFile(const std::string& path, const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& file : files)
        text += file + "\n";
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// A tag file not written for this long belongs to a document nobody opened or saved since;
// it is made again when someone does. Without this the folder would only ever grow.
constexpr uint64_t unusedTagFileAge = 30ull * 24 * 60 * 60 * 10000000; // in 100 ns units

// What the cache folder should no longer hold: temporary files of processes that no longer
// exist (ctags or a run of ours killed half-way; ours carry the process id), and tag files
// unused for a month.
void RemoveLeftovers() {
    const std::string& folder = TagCacheFolder();
    if (folder.empty()) return;
    FILETIME nowTime;
    ::GetSystemTimeAsFileTime(&nowTime);
    uint64_t now = (static_cast<uint64_t>(nowTime.dwHighDateTime) << 32) | nowTime.dwLowDateTime;
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (!find) return;
    do {
        std::string name = data.cFileName;
        uint64_t written = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime;
        if (name.ends_with(".tag")) {
            if (written + unusedTagFileAge < now) ::DeleteFileA((folder + "\\" + name).c_str());
            continue;
        }
        bool temporary = name.ends_with(".tmp") || name.ends_with(".list");
        size_t dot = name.rfind('.');
        size_t before = dot == std::string::npos || dot == 0 ? std::string::npos : name.rfind('.', dot - 1);
        if (!temporary || before == std::string::npos) continue;
        DWORD owner = std::strtoul(name.c_str() + before + 1, nullptr, 10);
        KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, owner));
        if (owner != 0 && (!process || ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0))
            ::DeleteFileA((folder + "\\" + name).c_str());
    } while (::FindNextFileA(find.Get(), &data));
}

struct ThreadStart {
    TagWorker* worker;
    size_t slot;
};

} // namespace

TagWorker::TagWorker() {
    stopEvent_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    job_.Reset(::CreateJobObjectA(nullptr, nullptr));
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!::SetInformationJobObject(job_.Get(), JobObjectExtendedLimitInformation, &limits,
                                       sizeof(limits)))
            job_.Reset();
    }
}

TagWorker::~TagWorker() {
    Stop();
}

void TagWorker::SetLimits(const TagLimits& limits) {
    std::lock_guard<std::mutex> hold(lock_);
    limits_ = limits;
}

TagLimits TagWorker::Limits() const {
    std::lock_guard<std::mutex> hold(lock_);
    return limits_;
}

void TagWorker::SetTimeLimitForTests(DWORD milliseconds) {
    std::lock_guard<std::mutex> hold(lock_);
    fixedTimeLimit_ = milliseconds;
}

void TagWorker::Queue(const std::string& ctagsPath, const std::string& documentPath) {
    if (ctagsPath.empty() || documentPath.empty()) return;
    Job job{false, ctagsPath, FullPath(documentPath)};
    std::string lower = LowerPath(job.path);
    std::lock_guard<std::mutex> hold(lock_);
    for (const Job& waiting : pending_)
        if (!waiting.project && LowerPath(waiting.path) == lower) return;
    pending_.push_back(std::move(job));
    if (stopping_) {
        stopping_ = false;
        ::ResetEvent(stopEvent_.Get());
    }
    for (size_t slot = 0; slot < slotCount; ++slot) {
        // A worker that outlived the last Stop is still a worker: it sees the queue again.
        if (threads_[slot] && ::WaitForSingleObject(threads_[slot].Get(), 0) == WAIT_TIMEOUT) continue;
        threads_[slot].Reset(::CreateThread(nullptr, 0, ThreadMain, new ThreadStart{this, slot}, 0, nullptr));
    }
    wake_.notify_all();
}

bool TagWorker::WaitIdle(DWORD timeoutMs) {
    std::unique_lock<std::mutex> hold(lock_);
    return idle_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] {
        return pending_.empty() && std::none_of(std::begin(busy_), std::end(busy_), [](bool b) { return b; });
    });
}

void TagWorker::Stop() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stopping_ = true;
        pending_.clear();
    }
    // Wakes the workers that wait for work and those that wait for a ctags process: they end
    // the process themselves.
    ::SetEvent(stopEvent_.Get());
    wake_.notify_all();
    HANDLE running[slotCount];
    DWORD count = 0;
    for (KernelHandle& thread : threads_)
        if (thread) running[count++] = thread.Get();
    if (count > 0) ::WaitForMultipleObjects(count, running, TRUE, stopWaitMs);
    for (KernelHandle& thread : threads_)
        if (thread && ::WaitForSingleObject(thread.Get(), 0) == WAIT_OBJECT_0) thread.Reset();
    // A project whose build was cut short is built again by the next run.
    projects_.Clear();
    idle_.notify_all();
}

DWORD WINAPI TagWorker::ThreadMain(void* parameter) {
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    // The interface thread comes first on a machine with few cores.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    start.worker->Work(start.slot);
    return 0;
}

void TagWorker::Work(size_t slot) {
    if (slot == 0 && !leftoversRemoved_.exchange(true)) RemoveLeftovers();
    Job job;
    while (NextJob(slot, job)) {
        if (job.project)
            IndexProject(job);
        else
            IndexDocument(job);
        Finish(slot);
    }
}

bool TagWorker::NextJob(size_t slot, Job& job) {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        if (stopping_) return false;
        // Documents first. A document that runs in the other slot waits for that run to end,
        // and only the first slot builds projects, so the second always serves documents.
        auto takes = [&](const Job& waiting) {
            if (waiting.project) return false;
            std::string lower = LowerPath(waiting.path);
            for (size_t other = 0; other < slotCount; ++other)
                if (other != slot && running_[other] == lower) return false;
            return true;
        };
        auto it = std::find_if(pending_.begin(), pending_.end(), takes);
        if (it == pending_.end() && slot == 0)
            it = std::find_if(pending_.begin(), pending_.end(),
                              [](const Job& waiting) { return waiting.project; });
        if (it != pending_.end()) {
            job = std::move(*it);
            pending_.erase(it);
            running_[slot] = LowerPath(job.path);
            busy_[slot] = true;
            return true;
        }
        wake_.wait(hold);
    }
}

void TagWorker::Finish(size_t slot) {
    std::lock_guard<std::mutex> hold(lock_);
    running_[slot].clear();
    busy_[slot] = false;
    wake_.notify_all();
    idle_.notify_all();
}

bool TagWorker::RunCtags(const std::string& commandLine, const std::string& temporary,
                         const std::string& tagPath, uint64_t sourceBytes) {
    ::DeleteFileA(temporary.c_str());
    std::string command = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // Its own working folder: ctags then leaves nothing behind in the user's folders.
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW | CREATE_SUSPENDED | BELOW_NORMAL_PRIORITY_CLASS, nullptr,
                          TagCacheFolder().c_str(), &startup, &process))
        return false;
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    if (job_) ::AssignProcessToJobObject(job_.Get(), processHandle.Get());
    ::ResumeThread(threadHandle.Get());

    DWORD limit = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        limit = fixedTimeLimit_ ? fixedTimeLimit_ : CtagsTimeLimitMs(sourceBytes);
    }
    HANDLE waits[] = {processHandle.Get(), stopEvent_.Get()};
    DWORD waited = ::WaitForMultipleObjects(2, waits, FALSE, limit);
    DWORD exitCode = 1;
    bool ended = waited == WAIT_OBJECT_0 && ::GetExitCodeProcess(processHandle.Get(), &exitCode);
    if (!ended) {
        // Too slow, or the program closes: what ctags wrote so far is thrown away below.
        ::TerminateProcess(processHandle.Get(), 1);
        ::WaitForSingleObject(processHandle.Get(), terminateWaitMs);
    }
    bool placed = ended && exitCode == 0 && PlaceFinishedFile(temporary, tagPath);
    if (!placed) ::DeleteFileA(temporary.c_str());
    return placed;
}

void TagWorker::IndexDocument(const Job& job) {
    std::string tagPath = TagFilePath(job.path);
    if (tagPath.empty()) return;
    TagLimits limits = Limits();
    FileStamp stamp;
    bool indexed = false;
    bool gone = !ReadFileStamp(job.path, stamp) || stamp.size > limits.maxFileSize;
    if (gone) {
        // A file that is gone or too large keeps no tag file that would speak for it.
        ::DeleteFileA(tagPath.c_str());
    } else {
        std::string temporary = TemporaryName(tagPath, ".tmp");
        indexed =
            RunCtags(CtagsCommandLine(job.ctagsPath, job.path, temporary), temporary, tagPath, stamp.size);
    }
    if (stopping_) return;

    std::string root = ProjectRoot(job.path);
    projects_.SetRoot(job.path, root);
    if (projects_.ClaimBuild(root)) {
        std::lock_guard<std::mutex> hold(lock_);
        pending_.push_back(Job{true, job.ctagsPath, root});
        wake_.notify_all();
    } else if (indexed || gone) {
        RefreshProject(job.path, tagPath, indexed);
    }
}

void TagWorker::RefreshProject(const std::string& documentPath, const std::string& tagPath, bool indexed) {
    std::shared_ptr<const ProjectTags> project = projects_.ForDocument(documentPath);
    if (!project) return;
    std::vector<FunctionTag> tags;
    std::string text;
    if (indexed && ReadWholeFile(tagPath, text, maxProjectTagBytes)) tags = FunctionTags(text);
    // ctags names the file as it was given; the project's entries use the same spelling.
    for (FunctionTag& tag : tags)
        tag.file = documentPath;
    projects_.Publish(project->WithFile(documentPath, std::move(tags)));
}

void TagWorker::IndexProject(const Job& job) {
    const std::string& root = job.path;
    std::string tagPath = ProjectTagFilePath(root);
    if (tagPath.empty()) return;
    std::string text;
    // The index of an earlier run serves until this run's is ready.
    if (!projects_.Get(root) && ReadWholeFile(tagPath, text, maxProjectTagBytes))
        projects_.Publish(std::make_shared<const ProjectTags>(root, FunctionTags(text)));

    ProjectFileList list = ListProjectFiles(root, Limits(), stopping_);
    if (stopping_ || list.files.empty()) return;
    std::string listPath = TemporaryName(tagPath, ".list");
    std::string temporary = TemporaryName(tagPath, ".tmp");
    if (!WriteListFile(listPath, list.files)) {
        ::DeleteFileA(listPath.c_str());
        return;
    }
    // Functions only, and every PHP extension as PHP: the index is kept small.
    std::string command = "\"" + job.ctagsPath +
                          "\" --options=NONE --file-scope=no --php-kinds=f "
                          "--langmap=php:.php.php3.php4.php5.phtml.inc -f \"" +
                          temporary + "\" -L \"" + listPath + "\"";
    bool placed = RunCtags(command, temporary, tagPath, list.bytes);
    ::DeleteFileA(listPath.c_str());
    if (placed && !stopping_ && ReadWholeFile(tagPath, text, maxProjectTagBytes))
        projects_.Publish(std::make_shared<const ProjectTags>(root, FunctionTags(text)));
}

TagWorker& SharedTagWorker() {
    // Never destroyed: its threads may still be about when static objects go at exit. The
    // program's window stops it; the job object ends any ctags left when the process ends.
    static TagWorker& worker = *new TagWorker;
    return worker;
}

void RunCtags(const std::string& ctagsPath, const std::string& documentPath) {
    SharedTagWorker().Queue(ctagsPath, documentPath);
}
