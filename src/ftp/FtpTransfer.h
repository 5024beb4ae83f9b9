// The worker that copies a whole folder tree to or from an FTP server, and the rules it follows.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ftp/FtpConnection.h"
#include "win/Handles.h"

// ---------------------------------------------------------------------------------------------
// Rules: plain data in, plain data out.

struct FtpServerAddress {
    std::string server;
    unsigned short port = 21;
};

// "name:port" splits at the first colon, the port read as strtol reads it (so "name:" and
// "name:x" give port 0, which the connection takes for the FTP port); "name" is port 21.
FtpServerAddress SplitFtpHost(const std::string& host);

// A remote folder ends with a slash and has no backslash: "www" is "www/", "a\b" is "a/b/",
// and "www/" becomes "www//".
std::string NormaliseRemoteDir(std::string folder);
// A local folder ends with a backslash.
std::string NormaliseLocalDir(std::string folder);

// A remote folder without a leading slash is relative to `startFolder`, the folder the server
// put the connection in. Resolved once, before the download walk changes the server's folder.
std::string ResolveRemoteDir(const std::string& startFolder, const std::string& remoteDir);

// A name from a server's listing that can be used as one local name: no folder separators,
// drive colons, wildcards or control characters, no trailing dot or blank (so not "." or ".."
// either), and no device name such as "nul" or "com1.txt". Anything else would let a listing
// write outside the download folder, onto another file of it, or to a device.
bool IsSafeLocalName(const std::string& name);

// ---------------------------------------------------------------------------------------------
// The worker

// Posted by a worker to its dialog when lines for the status log are waiting: the dialog takes
// them with TakeLog.
inline constexpr UINT WM_FTP_APPEND_LOG = WM_APP + 1;

// Appends `text` to the end of a status log, scrolled into view and without undo.
void AppendToLog(HWND log, const char* text);

class FtpTransfer;

// Brings a worker's lines into the status log of the window that owns it, at most ten times a
// second: the lines of files that come faster go in together, and the log is drawn once for
// each batch, not once a line. Uses the owner's timer `timerId`.
class StatusLogFeed {
  public:
    static constexpr UINT_PTR timerId = 0x4C4F47;
    StatusLogFeed(HWND owner, HWND log) : owner_(owner), log_(log) {}
    // On WM_FTP_APPEND_LOG, and on WM_TIMER with timerId.
    void OnLines(FtpTransfer& transfer);
    void OnTimer(FtpTransfer& transfer);
    // Whatever is left, at once, when the run ends.
    void Flush(FtpTransfer& transfer);
    // The run is given up: no more lines are taken, and the next run starts afresh.
    void Stop();

  private:
    bool Take(FtpTransfer& transfer);
    HWND owner_, log_;
    bool pausing_ = false;
};

// What a run works on, copied from the dialog when the transfer starts (its folders already
// normalised).
struct FtpTransferRequest {
    std::string host;
    std::string userName;
    std::string password;
    DWORD passive = 0;
    std::string remoteDir;
    std::string localDir;
    UINT command = 0; // IDC_FTP_UPLOAD or IDC_FTP_DOWNLOAD
    HWND dialog = nullptr;
};

// One upload or download on a thread of its own. It touches the dialog only by posting it
// WM_FTP_APPEND_LOG when lines wait and WM_WORKER_DONE as its last act; the dialog shows the
// failure, if any, from its own thread. Every file is moved in 256 KB chunks, and every wait for the server
// looks at the cancel flag four times a second, so that CancelNow takes effect at once whatever
// the server does.
class FtpTransfer {
  public:
    explicit FtpTransfer(FtpTransferRequest request);
    ~FtpTransfer();
    FtpTransfer(const FtpTransfer&) = delete;
    FtpTransfer& operator=(const FtpTransfer&) = delete;

    // Starts the worker, which keeps a reference of its own. The thread handle, null on failure.
    static HANDLE Start(const std::shared_ptr<FtpTransfer>& transfer);

    // From the dialog's thread: no file starts any more. The uploads under way go on, so that
    // the server is not left with a cut file in place of the old one, until CancelNow; a
    // download stops at once (its file is kept from the target until complete anyway).
    void Cancel();
    // The step under way and every later one fail.
    void CancelNow() {
        stopped_ = true;
        helpersDismissed_ = true;
    }
    // The dialog stops waiting for a worker stuck in a call that does not return: the worker
    // will not touch the dialog again, and deletes the file it was receiving if that call
    // ever returns. False when
    // the worker has already posted WM_WORKER_DONE (the message is on its way).
    bool Abandon();
    // The worker has posted WM_WORKER_DONE.
    bool Finished();
    // Once WM_WORKER_DONE has arrived: the message of the failure that ended the run.
    bool Failed() const { return failed_; }
    const std::string& Failure() const { return failure_; }
    // The lines of the status log written since the last call.
    std::string TakeLog();

  private:
    // Files are moved on this many connections at once: each file costs both sides a few
    // answers to wait for, and the other lanes work meanwhile. Servers often allow a few
    // connections from one address; a lane the server refuses leaves its files to the others.
    static constexpr int lanes = 6;

    // One file found by the walk.
    struct Job {
        std::string from, to;
        std::string logName; // below the folder the run started in
        ULONGLONG size = 0;  // as listed, for downloads
        bool told = false;   // its line is in the log
    };
    // A download's temporary file beside its target.
    struct Part {
        KernelHandle file;
        std::string path;
    };

    static DWORD WINAPI ThreadEntry(void* parameter);
    void Run();
    // The walks make the folders and find the files; CInternetException on the first failure.
    void UploadFolder(FtpConnection& connection, const std::string& localPath, size_t skip);
    void DownloadFolder(FtpConnection& connection, const std::string& remotePath, size_t skip);
    // Queues and moves the folder's files; `folders` gets the names of its subfolders.
    void ListFolder(FtpConnection& connection, const std::string& remotePath, const std::string& relative,
                    const std::string& localPath, std::vector<std::string>& folders);
    // Queues the files of a folder the walk has read for every lane, then moves files on the
    // walk's own connection until no more wait than the other lanes (started as files come)
    // take: the log follows the walk as it goes.
    void AddJobs(FtpConnection& connection, std::vector<Job> found);
    // Takes files until no more than `leave` wait (or, untilWalkEnds, until the walk has ended
    // too) or the run stops. CInternetException on a failure.
    void MoveFilesOn(FtpConnection& connection, int lane, bool untilWalkEnds, size_t leave = 0);
    bool TakeJob(Job& job, size_t leave);
    void EndWalk();
    void JoinHelpers();
    // The first failure of any lane is the run's; no other lane starts a file after it.
    void RecordFailure(const CInternetException& error);
    // Runs `work`, recording whatever it throws as a failure: nothing may escape a worker.
    template <class Work> void Guarded(Work work);
    // False when the server refused the file's data connection and `mayHandBack`: the job goes
    // back to the queue for the other lanes.
    bool UploadFile(FtpConnection& connection, const Job& job, std::vector<char>& buffer, bool mayHandBack);
    bool DownloadFile(FtpConnection& connection, const Job& job, int lane, std::vector<char>& buffer,
                      bool mayHandBack);
    void HandBack(Job job);
    // `cancelled` ends its waits; the run's own flag when null.
    void OpenConnection(FtpConnection& connection, const std::atomic<bool>* cancelled = nullptr);
    void AppendLog(const char* format, ...);
    void Finish();

    // Each lane's own part, touched only by that lane (and the destructor).
    bool CreatePart(int lane, const std::string& folder);
    bool WritePart(int lane, const void* data, DWORD size);
    bool CommitPart(int lane, const std::string& target);
    void DiscardPart(int lane);
    // Moves an open file to `target`, replacing what is there; false if it could not.
    static bool RenameOpenFile(HANDLE file, const std::string& target);

    FtpTransferRequest request_;
    // Set by Cancel, or by the lane that failed first: no file starts any more.
    std::atomic<bool> stopping_{false};
    // Set by CancelNow: every wait of every lane ends at once.
    std::atomic<bool> stopped_{false};
    // Ends the logins of lanes not yet connected once the run needs no more of them: a server
    // that holds extra connections without a word would keep the run from ending.
    std::atomic<bool> helpersDismissed_{false};
    std::atomic<int> readyHelpers_{0}; // lanes beside the walk's own that are taking files
    std::atomic<bool> abandoned_{false};
    std::atomic<bool> walkDone_{false};
    KernelHandle jobReady_; // set while files wait, and once the walk ends or the run stops
    int helperCount_ = 0;   // lanes started beside the walk's own
    size_t filesFound_ = 0;
    size_t foldersWaiting_ = 0; // listed, not yet walked
    std::thread helpers_[lanes - 1];
    std::vector<char> buffers_[lanes];
    bool failed_ = false;
    std::string failure_;

    Part parts_[lanes];

    // Guarded by jobLock_, which is never held across file or network calls.
    CriticalSection jobLock_;
    bool finished_ = false;
    std::string log_;

    // Guarded by queueLock_.
    CriticalSection queueLock_;
    std::deque<Job> jobs_;
    bool laneFailed_ = false;
    CInternetException laneFailure_;
};
