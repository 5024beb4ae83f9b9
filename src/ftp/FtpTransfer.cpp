// FtpTransfer: the folder walks, the chunked file copies and the hand-over with the dialog.
#include "ftp/FtpTransfer.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

#include "resources/Resource.h"
#include "win/Paths.h"
#include "win/WorkerMessages.h"

namespace {

constexpr DWORD chunkSize = 256 * 1024;

bool IsDotEntry(const WIN32_FIND_DATAA& data) {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return lstrcmpA(data.cFileName, ".") == 0 || lstrcmpA(data.cFileName, "..") == 0;
}

std::string Replaced(std::string text, char from, char to) {
    for (char& c : text)
        if (c == from) c = to;
    return text;
}

// The files and folders of a local folder, "." and ".." left out.
struct LocalListing {
    std::vector<std::string> files;
    std::vector<std::string> folders;

    void Add(const WIN32_FIND_DATAA& data) {
        if (IsDotEntry(data)) return;
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? folders : files).push_back(data.cFileName);
    }
};

CInternetException Cancelled(const char* format, const std::string& from, const std::string& to = {}) {
    ::SetLastError(ERROR_CANCELLED);
    return FtpFailure(format, from.c_str(), to.c_str());
}

// Folders below the one a transfer starts in, at most.
constexpr std::ptrdiff_t maxDepth = 64;
// The entries a download holds at once: the folders it has still to walk and one listing.
// Millions of short lines in every folder would otherwise take the memory of the editor.
constexpr size_t maxHeldEntries = 1'000'000;
// The skipped entries of one folder that get a line each: a listing full of them would fill
// the log faster than the dialog can show it.
constexpr unsigned maxSkipLines = 20;

// The longest name of a file or folder on Windows.
constexpr size_t maxNameLength = 255;

// A name for the log: one longer than any file's is cut, so that a hostile server's names
// cannot fill the log.
std::string LoggedName(const std::string& name) {
    if (name.size() <= maxNameLength) return name;
    const char* cut = name.c_str();
    while (cut - name.c_str() < 100 && *cut)
        cut = ::CharNextA(cut);
    return std::string(name.c_str(), cut) + "...";
}

// A link's target that is absolute or steps through "." or "..": it may point at the folder
// that holds it, or above.
bool LinkMayLoop(const std::string& target) {
    if (target.empty() || target.front() == '/') return true;
    for (size_t start = 0; start <= target.size();) {
        size_t end = std::min(target.find('/', start), target.size());
        std::string_view segment(target.data() + start, end - start);
        if (segment == "." || segment == "..") return true;
        start = end + 1;
    }
    return false;
}

const char* const uploadFailure = "Failed to upload file (%s -> %s)";
const char* const downloadFailure = "Failed to download file (%s -> %s)";

// What ends a run when a server's listings outgrow the memory: an exception that escaped a
// worker would end the whole program, with the user's unsaved documents.
CInternetException OutOfMemory() {
    CInternetException error;
    error.errorCode = ERROR_NOT_ENOUGH_MEMORY;
    error.message = "Not enough memory for the transfer";
    return error;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Rules

FtpServerAddress SplitFtpHost(const std::string& host) {
    FtpServerAddress address;
    size_t colon = host.find(':');
    if (host.empty() || colon == std::string::npos) {
        address.server = host;
        return address;
    }
    address.server = host.substr(0, colon);
    address.port = static_cast<INTERNET_PORT>(std::strtol(host.c_str() + colon + 1, nullptr, 10));
    return address;
}

std::string NormaliseRemoteDir(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return Replaced(std::move(folder), '\\', '/');
}

std::string NormaliseLocalDir(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder;
}

std::string ResolveRemoteDir(const std::string& startFolder, const std::string& remoteDir) {
    if (remoteDir.empty() || remoteDir.front() == '/' || startFolder.empty()) return remoteDir;
    std::string base = startFolder;
    if (base.back() != '/') base += '/';
    return base + remoteDir;
}

bool IsSafeLocalName(const std::string& name) {
    // Windows drops trailing dots and blanks: "a." would land on "a".
    if (name.empty() || name.size() > maxNameLength || name.back() == '.' || name.back() == ' ') return false;
    for (const char* c = name.c_str(); *c; c = ::CharNextA(c)) {
        auto code = static_cast<unsigned char>(*c);
        if (::IsDBCSLeadByte(code)) continue; // a trail byte may look like a backslash
        if (code < 32 || std::strchr("\\/:*?\"<>|", code)) return false;
    }
    // "nul.txt" is the device NUL in any folder.
    return !IsDeviceName(name);
}

// ---------------------------------------------------------------------------------------------
// The dialog's side

FtpTransfer::FtpTransfer(FtpTransferRequest request)
    : request_(std::move(request)), jobReady_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

FtpTransfer::~FtpTransfer() {
    for (int lane = 0; lane < lanes; ++lane)
        DiscardPart(lane);
}

HANDLE FtpTransfer::Start(const std::shared_ptr<FtpTransfer>& transfer) {
    auto* reference = new std::shared_ptr<FtpTransfer>(transfer);
    HANDLE thread = ::CreateThread(nullptr, 0, ThreadEntry, reference, 0, nullptr);
    if (!thread) delete reference;
    return thread;
}

void FtpTransfer::Cancel() {
    stopping_ = true;
    helpersDismissed_ = true;
    ::SetEvent(jobReady_.Get());
    if (request_.command != IDC_FTP_UPLOAD) stopped_ = true;
}

bool FtpTransfer::Abandon() {
    // The parts are the lanes' own: a lane stuck in a write to a share that stopped answering
    // must not stop the dialog too. Each lane deletes its part when its call returns.
    ScopedLock lock(jobLock_);
    if (finished_) return false;
    abandoned_ = true;
    return true;
}

bool FtpTransfer::Finished() {
    ScopedLock lock(jobLock_);
    return finished_;
}

// ---------------------------------------------------------------------------------------------
// The worker's side

DWORD WINAPI FtpTransfer::ThreadEntry(void* parameter) {
    std::unique_ptr<std::shared_ptr<FtpTransfer>> transfer(
        static_cast<std::shared_ptr<FtpTransfer>*>(parameter));
    (*transfer)->Run();
    return 0;
}

void FtpTransfer::OpenConnection(FtpConnection& connection, const std::atomic<bool>* cancelled) {
    FtpServerAddress address = SplitFtpHost(request_.host);
    connection.open(address.server.c_str(), address.port, request_.userName.c_str(),
                    request_.password.c_str(), request_.passive != 0, cancelled ? cancelled : &stopped_);
}

void FtpTransfer::Run() {
    // Outside the work: a failure is recorded, and the other lane told to start no more files,
    // before this connection says goodbye to the server.
    FtpConnection connection;
    Guarded([&] {
        OpenConnection(connection);
        if (!request_.remoteDir.empty() && request_.remoteDir.front() != '/')
            request_.remoteDir = ResolveRemoteDir(connection.currentDirectory(), request_.remoteDir);
        if (request_.command == IDC_FTP_UPLOAD)
            UploadFolder(connection, request_.localDir, request_.localDir.size());
        else if (request_.command == IDC_FTP_DOWNLOAD)
            DownloadFolder(connection, request_.remoteDir, request_.remoteDir.size());
        EndWalk();
        MoveFilesOn(connection, 0, false);
    });
    EndWalk();
    // No file is left for a lane that has not logged in yet.
    helpersDismissed_ = true;
    JoinHelpers();
    // The files that the other lanes gave back after this one had found none left: the run is
    // not done before they are.
    if (!laneFailed_) Guarded([&] { MoveFilesOn(connection, 0, false); });
    connection.close();
    failed_ = laneFailed_;
    if (failed_) failure_ = laneFailure_.message;
    Finish();
}

void FtpTransfer::Finish() {
    ScopedLock lock(jobLock_);
    if (abandoned_) return;
    finished_ = true;
    ::PostMessageA(request_.dialog, WM_WORKER_DONE, 1, 0);
}

void FtpTransfer::AppendLog(const char* format, ...) {
    if (abandoned_) return;
    va_list values;
    va_start(values, format);
    int length = std::vsnprintf(nullptr, 0, format, values);
    va_end(values);
    if (length <= 0) return;
    std::vector<char> text(static_cast<size_t>(length) + 1);
    va_start(values, format);
    std::vsnprintf(text.data(), text.size(), format, values);
    va_end(values);
    ScopedLock lock(jobLock_);
    // One message for whatever piles up until the dialog's thread comes to take it: a
    // synchronous message a line cost more than sending a small file.
    bool first = log_.empty();
    log_.append(text.data(), static_cast<size_t>(length));
    if (first && !abandoned_) ::PostMessageA(request_.dialog, WM_FTP_APPEND_LOG, 0, 0);
}

std::string FtpTransfer::TakeLog() {
    ScopedLock lock(jobLock_);
    return std::exchange(log_, {});
}

void AppendToLog(HWND log, const char* text) {
    LRESULT end = ::SendMessageA(log, WM_GETTEXTLENGTH, 0, 0);
    ::SendMessageA(log, EM_SETSEL, end, end);
    ::SendMessageA(log, EM_SCROLLCARET, 0, 0);
    ::SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

// The worker posts WM_FTP_APPEND_LOG whenever a line comes to an empty log. While the feed
// pauses it leaves those lines for the timer, which goes on taking until a pause finds none.
void StatusLogFeed::OnLines(FtpTransfer& transfer) {
    if (pausing_ || !Take(transfer)) return;
    pausing_ = ::SetTimer(owner_, timerId, 100, nullptr) != 0;
}

void StatusLogFeed::OnTimer(FtpTransfer& transfer) {
    if (!Take(transfer)) Stop();
}

void StatusLogFeed::Flush(FtpTransfer& transfer) {
    Stop();
    Take(transfer);
}

void StatusLogFeed::Stop() {
    ::KillTimer(owner_, timerId);
    pausing_ = false;
}

bool StatusLogFeed::Take(FtpTransfer& transfer) {
    std::string lines = transfer.TakeLog();
    if (lines.empty()) return false;
    AppendToLog(log_, lines.c_str());
    return true;
}

void FtpTransfer::UploadFolder(FtpConnection& connection, const std::string& localPath, size_t skip) {
    std::string relative = localPath.substr(skip);
    std::string remotePath = request_.remoteDir + Replaced(relative, '\\', '/');
    // A run that stops does not go on making folders: the folder left is what did not go.
    if (stopping_) throw Cancelled(uploadFailure, localPath, remotePath);
    // Deeper than this is a folder that holds itself, through a link or a junction.
    if (std::count(relative.begin(), relative.end(), '\\') > maxDepth) {
        ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);
        throw FtpFailure(uploadFailure, localPath.c_str(), remotePath.c_str());
    }
    try {
        connection.createDirectory(remotePath.c_str());
    } catch (const CInternetException&) {
        // Mostly: it exists already. A folder that is not there would lose an empty folder
        // without a word, and say nothing of why its files fail. (Going into a folder given
        // relative to the server's current one would change what the next paths mean.)
        if (remotePath.starts_with('/') && !connection.enterDirectory(remotePath.c_str())) {
            ::SetLastError(ERROR_PATH_NOT_FOUND);
            throw FtpFailure(uploadFailure, localPath.c_str(), remotePath.c_str());
        }
    }

    // A folder that cannot be read (a name longer than Windows reads, no access) ends the run:
    // taken as empty, its files would be missing from a transfer that says it is complete.
    LocalListing listing;
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA((localPath + "*.*").c_str(), &data));
    DWORD error = find ? ERROR_SUCCESS : ::GetLastError();
    if (find) {
        do {
            listing.Add(data);
        } while (::FindNextFileA(find.Get(), &data));
        error = ::GetLastError();
        if (error == ERROR_NO_MORE_FILES) error = ERROR_SUCCESS;
    }
    find.Reset();
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
        ::SetLastError(error);
        throw FtpFailure(uploadFailure, localPath.c_str(), remotePath.c_str());
    }

    std::vector<Job> found;
    for (const std::string& name : listing.files)
        found.push_back({localPath + name, remotePath + name, relative + name});
    AddJobs(connection, std::move(found));
    for (const std::string& name : listing.folders)
        UploadFolder(connection, localPath + name + "\\", skip);
}

void FtpTransfer::DownloadFolder(FtpConnection& connection, const std::string& remotePath, size_t skip) {
    std::string relative = remotePath.substr(skip);
    std::string localPath = request_.localDir + Replaced(relative, '/', '\\');
    if (stopping_) throw Cancelled("Failed to set current directory (%s)", remotePath);
    // A tree deeper than this is a folder that holds itself (a server that follows links).
    if (std::count(relative.begin(), relative.end(), '/') > maxDepth) {
        ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);
        throw FtpFailure("Failed to set current directory (%s)", remotePath.c_str());
    }
    // A folder that cannot be made ends the run with a failure: stopping without a word would
    // tell the user that everything came.
    int made = ::SHCreateDirectoryExA(abandoned_ ? nullptr : request_.dialog, localPath.c_str(), nullptr);
    DWORD attributes = ::GetFileAttributesA(localPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetLastError(made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS ? static_cast<DWORD>(made)
                                                                             : ERROR_DIRECTORY);
        throw FtpFailure("Failed to create folder (%s)", localPath.c_str());
    }
    connection.setCurrentDirectory(remotePath.c_str());

    std::vector<std::string> folders;
    ListFolder(connection, remotePath, relative, localPath, folders);
    foldersWaiting_ += folders.size();
    for (const std::string& name : folders) {
        --foldersWaiting_;
        DownloadFolder(connection, remotePath + name + "/", skip);
    }
}

void FtpTransfer::ListFolder(FtpConnection& connection, const std::string& remotePath,
                             const std::string& relative, const std::string& localPath,
                             std::vector<std::string>& folders) {
    // The whole listing is read before anything else is asked of the server: a connection
    // serves one listing or one file at a time.
    unsigned unread = 0;
    std::vector<FtpListEntry> listing = connection.list(maxHeldEntries - foldersWaiting_, unread);
    // The folder in the lines that count what it left out.
    const std::string& folder = relative.empty() ? remotePath : relative;
    if (unread)
        AppendLog("Skipping %u entries of %s that the server listed in a form not understood\r\n", unread,
                  folder.c_str());
    std::vector<Job> found;
    unsigned skippedCount = 0;
    // The names taken so far, as Windows compares them: "Read.me" after "read.me" would land on
    // the same file, in place of the other.
    std::set<std::string> taken;
    auto take = [&taken](std::string name) {
        ::CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
        return taken.insert(std::move(name)).second;
    };
    for (const FtpListEntry& entry : listing) {
        // A link that may lead back into the tree is not followed: the walk would go round.
        const char* skipped = !IsSafeLocalName(entry.name) ? "a name no Windows file can have"
                              : entry.isLink && LinkMayLoop(entry.linkTarget)
                                  ? "a link that may lead back into the tree"
                              : !take(entry.name) ? "a name that differs from another only in case"
                                                  : nullptr;
        if (skipped) {
            if (++skippedCount <= maxSkipLines)
                AppendLog("Skipping %s%s (%s)\r\n", relative.c_str(), LoggedName(entry.name).c_str(),
                          skipped);
            continue;
        }
        // Any other link is a folder when the server can go into it. The walk goes into every
        // folder before it lists it, so where this leaves the server does not matter.
        std::string from = remotePath + entry.name;
        if (entry.isDirectory || (entry.isLink && connection.enterDirectory(from.c_str())))
            folders.push_back(entry.name);
        else
            found.push_back({from, localPath + entry.name, relative + entry.name, entry.size});
    }
    if (skippedCount > maxSkipLines)
        AppendLog("Skipping %u more entries of %s\r\n", skippedCount - maxSkipLines, folder.c_str());
    AddJobs(connection, std::move(found));
}

void FtpTransfer::AddJobs(FtpConnection& connection, std::vector<Job> found) {
    if (found.empty()) return;
    filesFound_ += found.size();
    {
        ScopedLock lock(queueLock_);
        for (Job& job : found)
            jobs_.push_back(std::move(job));
        ::SetEvent(jobReady_.Get());
    }
    // In active mode the server opens every data connection to us, and servers were seen to
    // stall one of two such transfers while they served the other: one connection does it all.
    // Otherwise a lane opens its connection once the run has found a file for it: one file is
    // sent without logging in again, and a tree of one file a folder still gets every lane.
    if (request_.passive) {
        int wanted = static_cast<int>(std::min<size_t>(lanes, filesFound_));
        for (int lane = helperCount_ + 1; lane < wanted; ++lane, ++helperCount_) {
            try {
                helpers_[lane - 1] = std::thread([this, lane] {
                    FtpConnection own; // outside the work, as in Run
                    Guarded([&] {
                        try {
                            OpenConnection(own, &helpersDismissed_);
                        } catch (const CInternetException&) {
                            return; // a server that takes one connection only: the first lane does it all
                        }
                        own.watch(&stopped_);
                        struct Ready {
                            std::atomic<int>& count;
                            explicit Ready(std::atomic<int>& c) : count(c) { ++count; }
                            ~Ready() { --count; }
                        } ready(readyHelpers_);
                        MoveFilesOn(own, lane, true);
                    });
                });
            } catch (const std::system_error&) {
                break; // fewer lanes
            }
        }
    }
    // The walk reads on while the other lanes have files to move: they do not wait for the
    // next listing. A lane still logging in (or never to) takes none.
    MoveFilesOn(connection, 0, false, static_cast<size_t>(readyHelpers_.load()));
}

void FtpTransfer::EndWalk() {
    ScopedLock lock(queueLock_);
    walkDone_ = true;
    ::SetEvent(jobReady_.Get());
}

void FtpTransfer::JoinHelpers() {
    for (std::thread& helper : helpers_)
        if (helper.joinable()) helper.join();
}

template <class Work> void FtpTransfer::Guarded(Work work) {
    try {
        work();
    } catch (const CInternetException& error) {
        RecordFailure(error);
    } catch (const std::exception&) {
        RecordFailure(OutOfMemory());
    }
}

void FtpTransfer::RecordFailure(const CInternetException& error) {
    ScopedLock lock(queueLock_);
    // The other lanes' failures are mostly this one's stop.
    if (!laneFailed_) {
        laneFailed_ = true;
        laneFailure_ = error;
    }
    // The files under way on the other lanes end as they would have: an upload cut off would
    // leave the server a part of the file in place of the old one.
    stopping_ = true;
    helpersDismissed_ = true;
    ::SetEvent(jobReady_.Get());
}

bool FtpTransfer::TakeJob(Job& job, size_t leave) {
    ScopedLock lock(queueLock_);
    if (jobs_.size() <= leave) {
        // Every waiting lane wakes when files come, the walk ends or the run stops: the event
        // stays set until a lane finds nothing to do.
        if (jobs_.empty() && !walkDone_ && !stopping_) ::ResetEvent(jobReady_.Get());
        return false;
    }
    job = std::move(jobs_.front());
    jobs_.pop_front();
    return true;
}

void FtpTransfer::MoveFilesOn(FtpConnection& connection, int lane, bool untilWalkEnds, size_t leave) {
    std::vector<char>& buffer = buffers_[lane];
    buffer.resize(chunkSize);
    bool upload = request_.command == IDC_FTP_UPLOAD;
    for (;;) {
        Job job;
        if (!TakeJob(job, leave)) {
            if (stopping_ || !untilWalkEnds || walkDone_) return;
            ::WaitForSingleObject(jobReady_.Get(), 250);
            continue;
        }
        // A file that never started is what a cancelled run did not do.
        if (stopping_) throw Cancelled(upload ? uploadFailure : downloadFailure, job.from, job.to);
        if (!job.told) AppendLog(upload ? "Uploading %s\r\n" : "Downloading %s\r\n", job.logName.c_str());
        job.told = true;
        // A server may let only some connections move files (one transfer at a time): a lane
        // beside the walk's own that it refuses leaves its file, and the rest, to the others.
        bool mayHandBack = lane != 0;
        if (upload ? !UploadFile(connection, job, buffer, mayHandBack)
                   : !DownloadFile(connection, job, lane, buffer, mayHandBack)) {
            HandBack(std::move(job));
            return;
        }
    }
}

void FtpTransfer::HandBack(Job job) {
    ScopedLock lock(queueLock_);
    jobs_.push_front(std::move(job));
    ::SetEvent(jobReady_.Get());
}

bool FtpTransfer::UploadFile(FtpConnection& connection, const Job& job, std::vector<char>& buffer,
                             bool mayHandBack) {
    const char* failure = uploadFailure;
    const char *from = job.from.c_str(), *to = job.to.c_str();
    KernelHandle source(::CreateFileA(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) throw FtpFailure(failure, from, to);
    if (stopping_) throw Cancelled(failure, job.from, job.to);

    FtpFile file;
    if (!connection.openFile(file, to, true)) {
        if (mayHandBack) return false;
        throw FtpFailure(failure, from, to);
    }
    for (;;) {
        if (stopped_) throw Cancelled(failure, job.from, job.to);
        DWORD read = 0;
        if (!::ReadFile(source.Get(), buffer.data(), chunkSize, &read, nullptr) ||
            (read > 0 && !file.write(buffer.data(), read)))
            throw FtpFailure(failure, from, to);
        if (read == 0) break;
    }
    // The end of the data is when the server answers for the whole of it.
    if (!file.finish()) throw FtpFailure(failure, from, to);
    return true;
}

bool FtpTransfer::DownloadFile(FtpConnection& connection, const Job& job, int lane, std::vector<char>& buffer,
                               bool mayHandBack) {
    const char* failure = downloadFailure;
    const char *from = job.from.c_str(), *to = job.to.c_str();
    if (stopping_) throw Cancelled(failure, job.from, job.to);
    FtpFile file;
    if (!connection.openFile(file, from, false)) {
        if (mayHandBack) return false;
        throw FtpFailure(failure, from, to);
    }

    // The file arrives beside its target and replaces it only once it is complete: a cancelled
    // or failed download leaves the old file as it was.
    struct PartGuard {
        FtpTransfer& transfer;
        int lane;
        ~PartGuard() { transfer.DiscardPart(lane); }
    } guard{*this, lane};
    if (!CreatePart(lane, job.to.substr(0, job.to.find_last_of('\\') + 1)))
        throw FtpFailure(failure, from, to);

    ULONGLONG received = 0;
    for (;;) {
        if (stopping_) throw Cancelled(failure, job.from, job.to);
        DWORD read = 0;
        if (!file.read(buffer.data(), chunkSize, read) || (read > 0 && !WritePart(lane, buffer.data(), read)))
            throw FtpFailure(failure, from, to);
        if (read == 0) break;
        received += read;
    }
    // A data connection that ends early looks like the end of the file: the listing's size and
    // the server's last word tell a cut transfer from a complete one.
    if (!file.finish()) {
        if (mayHandBack && file.refused()) return false;
        throw FtpFailure(failure, from, to);
    }
    if (received < job.size || !CommitPart(lane, job.to)) throw FtpFailure(failure, from, to);
    return true;
}

bool FtpTransfer::CreatePart(int lane, const std::string& folder) {
    Part& part = parts_[lane];
    if (abandoned_) return false;
    // A name of its own, made in one step: the system's temporary names cost two opens a file.
    static std::atomic<unsigned> serial{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof(name), "qm~%lx-%x.tmp", ::GetCurrentProcessId(), ++serial);
        std::string path = folder + name;
        part.file.Reset(::CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (part.file) {
            part.path = path;
            return true;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool FtpTransfer::WritePart(int lane, const void* data, DWORD size) {
    Part& part = parts_[lane];
    DWORD written = 0;
    return part.file && ::WriteFile(part.file.Get(), data, size, &written, nullptr) && written == size;
}

bool FtpTransfer::CommitPart(int lane, const std::string& target) {
    Part& part = parts_[lane];
    if (!part.file) return false;
    DWORD attributes = ::GetFileAttributesA(target.c_str());
    // A file the user made read-only is not written over (Wine's rename would do it).
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        DiscardPart(lane);
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // The file that arrives keeps its own attributes: give it those the user set on the old one.
    DWORD kept = attributes == INVALID_FILE_ATTRIBUTES
                     ? 0
                     : attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (kept) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = kept;
        ::SetFileInformationByHandle(part.file.Get(), FileBasicInfo, &basic, sizeof(basic));
    }
    if (RenameOpenFile(part.file.Get(), target)) {
        part.file.Reset();
        part.path.clear();
        return true;
    }
    // Renaming by name is the way that works everywhere; the open file's rename saves a small
    // file a few of its round trips to the Wine server.
    part.file.Reset();
    if (!::MoveFileExA(part.path.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DiscardPart(lane);
        return false;
    }
    part.path.clear();
    return true;
}

bool FtpTransfer::RenameOpenFile(HANDLE file, const std::string& target) {
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(target.c_str(), sizeof(full), full, nullptr);
    if (length == 0 || length >= sizeof(full)) return false;
    // The system's own name of the path: \??\C:\... or \??\UNC\server\share\...
    std::string_view path(full, length);
    if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) return false;
    std::string name =
        path.starts_with("\\\\") ? "\\??\\UNC\\" + std::string(path.substr(2)) : "\\??\\" + std::string(path);
    int wide = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                                     nullptr, 0);
    if (wide <= 0) return false;
    std::vector<BYTE> buffer(offsetof(FILE_RENAME_INFO, FileName) + (wide + 1) * sizeof(WCHAR));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(wide * sizeof(WCHAR));
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                          rename->FileName, wide);
    return ::SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) !=
           FALSE;
}

void FtpTransfer::DiscardPart(int lane) {
    Part& part = parts_[lane];
    if (part.path.empty()) return;
    DWORD error = ::GetLastError();
    part.file.Reset();
    ::DeleteFileA(part.path.c_str());
    part.path.clear();
    ::SetLastError(error);
}
