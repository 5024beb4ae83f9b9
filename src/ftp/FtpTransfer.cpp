// FtpTransfer: the folder walks, the chunked file copies and the hand-over with the dialog.
#include "ftp/FtpTransfer.h"

#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resources/Resource.h"
#include "win/WorkerMessages.h"

namespace {

constexpr DWORD chunkSize = 64 * 1024;
// The WinINet transfer type is binary, the data is neither cached nor taken from the cache.
constexpr DWORD fileFlags = FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                            INTERNET_FLAG_RESYNCHRONIZE;
constexpr DWORD listingFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RESYNCHRONIZE;
// A server silent for this long is taken for gone. (Wine's FTP code keeps its own limits.)
constexpr DWORD serverTimeoutMs = 30000;

void SetServerTimeouts(HINTERNET session) {
    DWORD timeout = serverTimeoutMs;
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
          INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT})
        ::InternetSetOptionA(session, option, &timeout, sizeof(timeout));
}

std::string Replaced(std::string text, char from, char to) {
    for (char& c : text)
        if (c == from) c = to;
    return text;
}

struct Listing {
    std::vector<std::string> files;
    std::vector<ULONGLONG> sizes;
    std::vector<std::string> folders;

    void Add(const WIN32_FIND_DATAA& data) {
        if (IsDotEntry(data)) return;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(data.cFileName);
        } else {
            files.push_back(data.cFileName);
            sizes.push_back((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        }
    }
};

CInternetException Cancelled(HINTERNET handle, const char* format, const std::string& from,
                             const std::string& to) {
    ::SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
    return describeInternetError(handle, format, from.c_str(), to.c_str());
}

bool RefusedByServer(unsigned responseCode) {
    return responseCode >= 400 && responseCode < 600;
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
    if (name.empty() || name == "." || name == "..") return false;
    for (const char* c = name.c_str(); *c; c = ::CharNextA(c)) {
        auto code = static_cast<unsigned char>(*c);
        if (::IsDBCSLeadByte(code)) continue; // a trail byte may look like a backslash
        if (code < 32 || std::strchr("\\/:*?\"<>|", code)) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The dialog's side

FtpTransfer::FtpTransfer(std::shared_ptr<FtpSessionState> state, FtpTransferRequest request)
    : state_(std::move(state)), request_(std::move(request)), buffer_(chunkSize) {}

FtpTransfer::~FtpTransfer() {
    DiscardPart();
}

HANDLE FtpTransfer::Start(const std::shared_ptr<FtpTransfer>& transfer) {
    auto* reference = new std::shared_ptr<FtpTransfer>(transfer);
    HANDLE thread = ::CreateThread(nullptr, 0, ThreadEntry, reference, 0, nullptr);
    if (!thread) delete reference;
    return thread;
}

void FtpTransfer::Cancel() {
    cancelled_ = true;
    // Closing the session here would free the worker's connection and listing handles under
    // it, and a value the worker then closes again may already name somebody else's handle.
    ScopedLock lock(state_->transferLock);
    if (sessionInUse_ && !retiredSession_) retiredSession_.reset(state_->session.release());
}

bool FtpTransfer::Abandon() {
    ScopedLock lock(jobLock_);
    if (finished_) return false;
    abandoned_ = true;
    if (part_) {
        part_.Reset();
        ::DeleteFileA(partPath_.c_str());
        partPath_.clear();
    }
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

void FtpTransfer::Run() {
    try {
        HINTERNET session = nullptr;
        {
            ScopedLock lock(state_->transferLock);
            if (!cancelled_) {
                // A session the dialog gave up on an earlier Cancel: the dialog's next run opens
                // a new one.
                if (!state_->session) state_->session.open();
                session = state_->session.get();
                sessionInUse_ = true;
                SetServerTimeouts(session);
            }
        }
        if (session) {
            FtpServerAddress address = SplitFtpHost(request_.host);
            FtpConnection connection;
            connection.open(session, address.server.c_str(), address.port, request_.userName.c_str(),
                            request_.password.c_str(), INTERNET_SERVICE_FTP,
                            request_.passive ? INTERNET_FLAG_PASSIVE : 0, &cancelled_);
            if (!request_.remoteDir.empty() && request_.remoteDir.front() != '/')
                request_.remoteDir = ResolveRemoteDir(connection.currentDirectory(), request_.remoteDir);
            if (request_.command == IDC_FTP_UPLOAD)
                UploadFolder(connection, request_.localDir, request_.localDir.size());
            else if (request_.command == IDC_FTP_DOWNLOAD)
                DownloadFolder(connection, request_.remoteDir, request_.remoteDir.size());
            connection.close();
        }
    } catch (const CInternetException& error) {
        failed_ = true;
        failure_ = error.message;
    }
    {
        ScopedLock lock(state_->transferLock);
        retiredSession_.close(); // nothing opened on it is left open now
    }
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
    std::vector<char> text(length + 1);
    va_start(values, format);
    std::vsnprintf(text.data(), text.size(), format, values);
    va_end(values);
    // Synchronous: the dialog's thread serves it while it runs the modal loop.
    ::SendMessageA(request_.dialog, WM_FTP_APPEND_LOG, 0, reinterpret_cast<LPARAM>(text.data()));
}

void AppendToLog(HWND log, const char* text) {
    LRESULT end = ::SendMessageA(log, WM_GETTEXTLENGTH, 0, 0);
    ::SendMessageA(log, EM_SETSEL, end, end);
    ::SendMessageA(log, EM_SCROLLCARET, 0, 0);
    ::SendMessageA(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

bool FtpTransfer::UploadFolder(FtpConnection& connection, const std::string& localPath, size_t skip) {
    std::string relative = localPath.substr(skip);
    std::string remotePath = request_.remoteDir + Replaced(relative, '\\', '/');
    try {
        connection.createDirectory(remotePath.c_str());
    } catch (const CInternetException&) {
        // Mostly: it exists already. When it really is missing, the uploads into it say so.
    }

    Listing listing;
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA((localPath + "*.*").c_str(), &data));
    if (find) {
        do {
            listing.Add(data);
        } while (::FindNextFileA(find.Get(), &data));
    }
    find.Reset();

    for (const std::string& name : listing.files) {
        AppendLog("Uploading %s%s\r\n", relative.c_str(), name.c_str());
        UploadFile(connection, localPath + name, remotePath + name);
    }
    for (const std::string& name : listing.folders)
        if (!UploadFolder(connection, localPath + name + "\\", skip)) return false;
    return true;
}

bool FtpTransfer::DownloadFolder(FtpConnection& connection, const std::string& remotePath, size_t skip) {
    std::string relative = remotePath.substr(skip);
    std::string localPath = request_.localDir + Replaced(relative, '/', '\\');
    switch (::SHCreateDirectoryExA(abandoned_ ? nullptr : request_.dialog, localPath.c_str(), nullptr)) {
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_CANCELLED:
        return false;
    default:
        break;
    }
    connection.setCurrentDirectory(remotePath.c_str());

    // The whole listing is read before anything else is asked of the server: a connection
    // serves one listing or one file at a time.
    Listing listing;
    {
        FtpFileFinder finder;
        if (connection.find(finder, "*.*", listingFlags)) {
            do {
                listing.Add(finder.Entry());
            } while (finder.next());
        }
    }

    for (size_t i = 0; i < listing.files.size(); ++i) {
        const std::string& name = listing.files[i];
        if (!IsSafeLocalName(name)) continue;
        AppendLog("Downloading %s%s\r\n", relative.c_str(), name.c_str());
        DownloadFile(connection, remotePath + name, localPath + name, listing.sizes[i]);
    }
    for (const std::string& name : listing.folders) {
        if (!IsSafeLocalName(name)) continue;
        if (!DownloadFolder(connection, remotePath + name + "/", skip)) return false;
    }
    return true;
}

void FtpTransfer::UploadFile(FtpConnection& connection, const std::string& localPath,
                             const std::string& remotePath) {
    const char* failure = "Failed to upload file (%s -> %s)";
    KernelHandle source(::CreateFileA(localPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) throw describeInternetError(nullptr, failure, localPath.c_str(), remotePath.c_str());
    if (cancelled_) throw Cancelled(nullptr, failure, localPath, remotePath);

    FtpFile file;
    if (!file.open(connection.get(), remotePath.c_str(), GENERIC_WRITE, fileFlags,
                   reinterpret_cast<DWORD_PTR>(&connection)))
        throw describeInternetError(nullptr, failure, localPath.c_str(), remotePath.c_str());
    for (;;) {
        if (cancelled_) throw Cancelled(file.get(), failure, localPath, remotePath);
        DWORD read = 0;
        if (!::ReadFile(source.Get(), buffer_.data(), chunkSize, &read, nullptr) ||
            (read > 0 && !file.write(buffer_.data(), read)))
            throw describeInternetError(file.get(), failure, localPath.c_str(), remotePath.c_str());
        if (read == 0) break;
    }
    // Closing the file is when the server answers for the whole of it.
    file.close();
    if (RefusedByServer(LastFtpResponseCode()))
        throw describeInternetError(nullptr, failure, localPath.c_str(), remotePath.c_str());
}

void FtpTransfer::DownloadFile(FtpConnection& connection, const std::string& remotePath,
                               const std::string& localPath, ULONGLONG listedSize) {
    const char* failure = "Failed to download file (%s -> %s)";
    if (cancelled_) throw Cancelled(nullptr, failure, remotePath, localPath);
    FtpFile file;
    if (!file.open(connection.get(), remotePath.c_str(), GENERIC_READ, fileFlags,
                   reinterpret_cast<DWORD_PTR>(&connection)))
        throw describeInternetError(nullptr, failure, remotePath.c_str(), localPath.c_str());

    // The file arrives beside its target and replaces it only once it is complete: a cancelled
    // or failed download leaves the old file as it was.
    struct PartGuard {
        FtpTransfer& transfer;
        ~PartGuard() { transfer.DiscardPart(); }
    } guard{*this};
    if (!CreatePart(localPath.substr(0, localPath.find_last_of('\\') + 1)))
        throw describeInternetError(nullptr, failure, remotePath.c_str(), localPath.c_str());

    ULONGLONG received = 0;
    for (;;) {
        if (cancelled_) throw Cancelled(file.get(), failure, remotePath, localPath);
        DWORD read = 0;
        if (!file.read(buffer_.data(), chunkSize, read) || (read > 0 && !WritePart(buffer_.data(), read)))
            throw describeInternetError(file.get(), failure, remotePath.c_str(), localPath.c_str());
        if (read == 0) break;
        received += read;
    }
    file.close();
    // A data connection that ends early looks like the end of the file: the listing's size and
    // the server's last word tell a cut transfer from a complete one.
    if (received < listedSize || RefusedByServer(LastFtpResponseCode()) || !CommitPart(localPath))
        throw describeInternetError(nullptr, failure, remotePath.c_str(), localPath.c_str());
}

bool FtpTransfer::CreatePart(const std::string& folder) {
    ScopedLock lock(jobLock_);
    if (abandoned_) return false;
    char path[MAX_PATH];
    if (!::GetTempFileNameA(folder.c_str(), "qm~", 0, path)) return false;
    part_.Reset(
        ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    partPath_ = path;
    if (!part_) {
        ::DeleteFileA(path);
        partPath_.clear();
        return false;
    }
    return true;
}

bool FtpTransfer::WritePart(const void* data, DWORD size) {
    ScopedLock lock(jobLock_);
    DWORD written = 0;
    return part_ && ::WriteFile(part_.Get(), data, size, &written, nullptr) && written == size;
}

bool FtpTransfer::CommitPart(const std::string& target) {
    ScopedLock lock(jobLock_);
    if (!part_) return false;
    part_.Reset();
    // The file that arrives keeps its own attributes: give it those the user set on the old one.
    DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept) ::SetFileAttributesA(partPath_.c_str(), kept);
    }
    if (!::MoveFileExA(partPath_.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = ::GetLastError();
        ::DeleteFileA(partPath_.c_str());
        partPath_.clear();
        ::SetLastError(error);
        return false;
    }
    partPath_.clear();
    return true;
}

void FtpTransfer::DiscardPart() {
    ScopedLock lock(jobLock_);
    if (partPath_.empty()) return;
    DWORD error = ::GetLastError();
    part_.Reset();
    ::DeleteFileA(partPath_.c_str());
    partPath_.clear();
    ::SetLastError(error);
}
