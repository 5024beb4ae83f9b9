// Runs ctags away from the interface thread: a queue of documents (one entry per path), at most
// two ctags processes at a time, each ended when it runs past its time limit, and the project
// indexes built in the same way.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "php/ProjectIndex.h"
#include "php/TagFiles.h"
#include "win/Handles.h"

class TagWorker {
  public:
    TagWorker();
    ~TagWorker();
    TagWorker(const TagWorker&) = delete;
    TagWorker& operator=(const TagWorker&) = delete;

    void SetLimits(const TagLimits& limits);
    TagLimits Limits() const;
    // For tests: a fixed time limit for every ctags run instead of the one that grows with size.
    void SetTimeLimitForTests(DWORD milliseconds);

    // Queues a ctags run over the document; returns at once. A path already waiting is not queued
    // twice; a path whose run is under way runs once more afterwards, for the newer text. The
    // tag file appears in the cache folder only when ctags ends well; until then the previous
    // one stays. The document's project is indexed once per run, and its entries for the
    // document follow every later run.
    void Queue(const std::string& ctagsPath, const std::string& documentPath);

    // True when nothing waits and nothing runs (within `timeoutMs`). For tests and benchmarks.
    bool WaitIdle(DWORD timeoutMs);

    // Drops what waits, ends the running ctags processes and waits a bounded time for the
    // worker threads. Queue starts them again.
    void Stop();

    ProjectTagStore& Projects() { return projects_; }

  private:
    struct Job {
        bool project = false;
        std::string ctagsPath;
        std::string path; // the document, or the project's root
    };

    static DWORD WINAPI ThreadMain(void* parameter);
    void Work(size_t slot);
    bool NextJob(size_t slot, Job& job);
    void Finish(size_t slot);
    void IndexDocument(const Job& job);
    void IndexProject(const Job& job);
    // Runs one ctags command line into `tagPath` through a temporary file: true when ctags ended
    // by itself with exit code 0 and the file took its place.
    bool RunCtags(const std::string& commandLine, const std::string& temporary, const std::string& tagPath,
                  uint64_t sourceBytes);
    void RefreshProject(const std::string& documentPath, const std::string& tagPath, bool indexed);

    static constexpr size_t slotCount = 2;

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> pending_;
    std::string running_[slotCount]; // lower-case path of each slot's job
    bool busy_[slotCount] = {};
    KernelHandle threads_[slotCount];
    KernelHandle stopEvent_;
    KernelHandle job_; // ends every ctags with the program, even when the program is killed
    std::atomic<bool> stopping_{false};
    std::atomic<bool> leftoversRemoved_{false};
    TagLimits limits_;
    DWORD fixedTimeLimit_ = 0;
    ProjectTagStore projects_;
};

// The worker of the program's run: ctags is a process-wide resource, whichever window asks.
TagWorker& SharedTagWorker();

// Queues ctags over the document on the shared worker; returns at once. Does nothing when
// `ctagsPath` is empty (ctags.exe is missing) or the path is empty.
void RunCtags(const std::string& ctagsPath, const std::string& documentPath);
