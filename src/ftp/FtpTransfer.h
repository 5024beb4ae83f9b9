// The worker that copies a whole folder tree to or from an FTP server, and the rules it follows.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ftp/FtpConnection.h"
#include "net/Internet.h"
#include "win/Handles.h"

// ---------------------------------------------------------------------------------------------
// Rules: plain data in, plain data out.

struct FtpServerAddress {
    std::string server;
    INTERNET_PORT port = INTERNET_DEFAULT_FTP_PORT;
};

// "name:port" splits at the first colon, the port read as strtol reads it (so "name:" and
// "name:x" give port 0, which WinINet replaces by the default); "name" is port 21.
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
// drive colons, wildcards or control characters, and not "." or "..". Anything else would let a
// listing write outside the download folder.
bool IsSafeLocalName(const std::string& name);

// ---------------------------------------------------------------------------------------------
// The worker

// Sent by a worker to its dialog with a line of text (lParam, zero-terminated) for the status
// log: one synchronous message a line, instead of the four the log needs, which the dialog's
// thread then makes without a thread switch each.
inline constexpr UINT WM_FTP_APPEND_LOG = WM_APP + 1;

// Appends `text` to the end of a status log, scrolled into view and without undo.
void AppendToLog(HWND log, const char* text);

// The internet session of an FTP dialog and the lock that guards its handle. Shared with the
// dialog's workers, since a worker that had to be given up may outlive the dialog.
struct FtpSessionState {
    CriticalSection transferLock;
    InternetSession session;
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
    HWND log = nullptr;
};

// One upload or download on a thread of its own. It touches the dialog only by sending it the
// lines of the status log and by posting WM_WORKER_DONE as its last act; the dialog shows the failure, if
// any, from its own thread. Every file is moved in 64 KB chunks, so that Cancel takes effect
// between two chunks: WinINet under Wine neither stops a running FtpGetFileA/FtpPutFileA when
// its session is closed nor ever gives up on a server that stops answering.
class FtpTransfer {
  public:
    FtpTransfer(std::shared_ptr<FtpSessionState> state, FtpTransferRequest request);
    ~FtpTransfer();
    FtpTransfer(const FtpTransfer&) = delete;
    FtpTransfer& operator=(const FtpTransfer&) = delete;

    // Starts the worker, which keeps a reference of its own. The thread handle, null on failure.
    static HANDLE Start(const std::shared_ptr<FtpTransfer>& transfer);

    // From the dialog's thread. Cancel makes every later step fail; the session the worker is
    // connected on becomes the worker's own, to close when it has closed what it opened on it,
    // and the dialog opens a new one for its next transfer.
    void Cancel();
    // The dialog stops waiting for a worker stuck in a call that does not return: the worker
    // will not touch the dialog again, and the file it was receiving is deleted now. False when
    // the worker has already posted WM_WORKER_DONE (the message is on its way).
    bool Abandon();
    // The worker has posted WM_WORKER_DONE.
    bool Finished();
    // Once WM_WORKER_DONE has arrived: the message of the failure that ended the run.
    bool Failed() const { return failed_; }
    const std::string& Failure() const { return failure_; }

  private:
    static DWORD WINAPI ThreadEntry(void* parameter);
    void Run();
    // True when the folder and everything below it were handled, false on a silent stop (a
    // local folder that cannot be made); CInternetException on the first failure.
    bool UploadFolder(FtpConnection& connection, const std::string& localPath, size_t skip);
    bool DownloadFolder(FtpConnection& connection, const std::string& remotePath, size_t skip);
    void UploadFile(FtpConnection& connection, const std::string& localPath, const std::string& remotePath);
    void DownloadFile(FtpConnection& connection, const std::string& remotePath, const std::string& localPath,
                      ULONGLONG listedSize);
    void AppendLog(const char* format, ...);
    void Finish();

    // The temporary file beside the target that a download is received into; guarded by
    // jobLock_, since Abandon deletes it from the dialog's thread.
    bool CreatePart(const std::string& folder);
    bool WritePart(const void* data, DWORD size);
    bool CommitPart(const std::string& target);
    void DiscardPart();

    std::shared_ptr<FtpSessionState> state_;
    FtpTransferRequest request_;
    std::vector<char> buffer_;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> abandoned_{false};
    bool failed_ = false;
    std::string failure_;

    // Guarded by state_->transferLock.
    bool sessionInUse_ = false;
    InternetHandle retiredSession_;

    // Guarded by jobLock_.
    CriticalSection jobLock_;
    bool finished_ = false;
    KernelHandle part_;
    std::string partPath_;
};
