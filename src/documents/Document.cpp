// Document: reading and writing raw bytes between a file and the editing component.
#include "documents/Document.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "documents/DocumentHost.h"
#include "php/CallTips.h"
#include "php/TagIndex.h"
#include "php/ViewSetup.h"
#include "win/Handles.h"
#include "win/Paths.h"
#include "win/Strings.h"

namespace {

constexpr int blockSize = 8192;
// Files are read in pieces this large: each piece the view takes costs it a relayout of its
// scroll bars and a redraw request, which in pieces of 8 KB took longer than the reading.
constexpr ULONGLONG readBlockSize = 1 << 20;
constexpr char utf8Prefix[] = "\xEF\xBB\xBF";
constexpr UINT viewId = 0xE900;
// Beyond this the editing component cannot hold the text (its positions are 32 bits wide
// unless a document is created for large text).
constexpr LONGLONG maxTextBytes = 0x7FFFFFFE;
// "\qm~XXXX.tmp" and its terminator after the folder's name.
constexpr size_t temporaryNameLength = 13;

unsigned lastSerial = 0;

bool Fail(DWORD error) {
    ::SetLastError(error);
    return false;
}

// The reason the last call gave, or `otherwise` where it failed without one (a short write).
DWORD LastErrorOr(DWORD otherwise) {
    DWORD error = ::GetLastError();
    return error ? error : otherwise;
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(file, data, size, &written, nullptr)) return false;
    // A disk file takes fewer bytes than it was given only when it has no room for them.
    return written == size || Fail(ERROR_DISK_FULL);
}

// Follows a file's bytes block by block (a character may be cut by a block's end) and tells
// whether all of them are UTF-8 and at least one is not ASCII. Strict: no overlong forms, no
// surrogates, nothing above U+10FFFF, nothing cut off at the end.
class Utf8Check {
  public:
    void Feed(const char* data, size_t size) {
        for (size_t i = 0; i < size && valid_; ++i) {
            // Runs of ASCII, most of a page, are passed over eight bytes at a time.
            while (pending_ == 0 && size - i >= 8) {
                std::uint64_t eight;
                std::memcpy(&eight, data + i, 8);
                if (eight & 0x8080808080808080u) break;
                i += 8;
            }
            if (i == size) break;
            auto byte = static_cast<unsigned char>(data[i]);
            if (pending_ > 0) {
                valid_ = byte >= low_ && byte <= high_;
                low_ = 0x80;
                high_ = 0xBF;
                --pending_;
            } else if (byte >= 0x80) {
                nonAscii_ = true;
                Start(byte);
            }
        }
    }
    bool IsUtf8WithNonAscii() const { return valid_ && pending_ == 0 && nonAscii_; }

  private:
    // The first byte of a sequence: how many follow, and the range of the next one.
    void Start(unsigned char byte) {
        if (byte >= 0xC2 && byte <= 0xDF) {
            pending_ = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            pending_ = 2;
            if (byte == 0xE0) low_ = 0xA0;  // overlong below U+0800
            if (byte == 0xED) high_ = 0x9F; // surrogates
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            pending_ = 3;
            if (byte == 0xF0) low_ = 0x90;  // overlong below U+10000
            if (byte == 0xF4) high_ = 0x8F; // above U+10FFFF
        } else {
            valid_ = false;
        }
    }

    bool valid_ = true;
    bool nonAscii_ = false;
    int pending_ = 0;
    unsigned char low_ = 0x80;
    unsigned char high_ = 0xBF;
};

// Puts the finished temporary file in the target's place with a single rename, which the file
// system carries out whole or not at all. ReplaceFileA cannot be used for this: the platform's
// version first renames the target away and deletes it, then renames the new file in, so a
// failure or a killed process between the two loses the file, and a refused replace leaves an
// empty "rf*.tmp" beside it.
bool ReplaceWithFinishedFile(const std::string& target, const std::string& finished) {
    // The file that arrives keeps its own attributes: give it those the user set on the old one.
    DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept) ::SetFileAttributesA(finished.c_str(), kept);
    }
    return ::MoveFileExA(finished.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// The long forms of drive and network paths ("\\?\C:\...", "\\?\UNC\host\...") in their short
// form; any other name as it is.
std::string ShortForm(std::string name) {
    if (name.starts_with("\\\\?\\UNC\\"))
        name = "\\\\" + name.substr(8);
    else if (name.starts_with("\\\\?\\") && name.size() >= 7 && name[5] == ':' && name[6] == '\\')
        name.erase(0, 4);
    return name;
}

// The file that `path` names in the end: for a symbolic link, the file it leads to, which a
// save replaces in place of the link. `path` itself where there is no file yet, or where the
// final name is one the ANSI calls cannot take.
std::string WhereItLeads(const std::string& path) {
    KernelHandle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return path;
    char final[MAX_PATH + 16] = "";
    DWORD length = ::GetFinalPathNameByHandleA(file.Get(), final, sizeof(final), VOLUME_NAME_DOS);
    if (length == 0 || length >= sizeof(final)) return path;
    std::string resolved = ShortForm(std::string(final, length));
    return resolved.size() < MAX_PATH && !resolved.starts_with("\\\\?\\") ? resolved : path;
}

// A copy of the file in the user's temporary folder, or "" when there is no file or no room.
std::string CopyToTemporaryFolder(const std::string& path) {
    char folder[MAX_PATH + 1] = "";
    char copy[MAX_PATH + 16] = "";
    DWORD length = ::GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length + temporaryNameLength > MAX_PATH || !::GetTempFileNameA(folder, "qm~", 0, copy))
        return "";
    if (::CopyFileA(path.c_str(), copy, FALSE)) return copy;
    ::DeleteFileA(copy);
    return "";
}

} // namespace

bool IsDiskFileName(const std::string& path) {
    std::string name = path;
    std::replace(name.begin(), name.end(), '/', '\\');
    // The long forms of drive and network paths name the same files as the short ones; every
    // other "\\?\" and "\\.\" name is a device or a pipe.
    name = ShortForm(std::move(name));
    if (name.empty() || name.starts_with("\\\\?\\") || name.starts_with("\\\\.\\") ||
        name.starts_with("\\??\\"))
        return false;
    if (name.starts_with("\\\\")) { // \\host\share\...: pipes and mailslots are shares of their own
        size_t shareStart = name.find('\\', 2);
        if (shareStart == std::string::npos) return false;
        size_t shareEnd = name.find('\\', shareStart + 1);
        size_t shareLength = shareEnd == std::string::npos ? std::string::npos : shareEnd - shareStart - 1;
        std::string share = name.substr(shareStart + 1, shareLength);
        if (EqualNoCase(share, "pipe") || EqualNoCase(share, "mailslot")) return false;
    }
    // "COM1", "nul.php" or "con" name the device in every folder.
    size_t separator = name.find_last_of("\\:");
    return !IsDeviceName(name.substr(separator == std::string::npos ? 0 : separator + 1));
}

Document::Document(DocumentHost& host) : host_(host), serial_(++lastSerial) {}

Document* Document::Create(HWND tabs, DocumentHost& host) {
    HWND window = ::CreateWindowExA(0, "Scintilla", "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0,
                                    0, tabs, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(viewId)),
                                    ::GetModuleHandleA(nullptr), nullptr);
    if (!window) return nullptr;
    auto* document = new Document(host);
    if (!document->Subclass(window)) {
        ::DestroyWindow(window);
        delete document;
        return nullptr;
    }
    document->view_ = EditorView(window);
    SetUpView(document->view_, host.ViewSettings());
    return document;
}

void Document::Destroy() {
    if (HWND window = view_.Window()) ::DestroyWindow(window);
}

void Document::OnFinalMessage() {
    delete this;
}

bool Document::HandleMessage(Message& msg, LRESULT& result) {
    // Notifications reflected by the main window: the characters its help declined.
    if (msg.message == reflectedNotify && msg.Notification() && msg.Notification()->code == SCN_CHARADDED) {
        AutoIndent(view_, reinterpret_cast<const SCNotification*>(msg.lParam)->ch);
        result = 0;
        return true;
    }
    // The component sends itself this after it has handled a double-click (selected a word):
    // on an include statement the included file opens as well.
    if (msg.message == WM_LBUTTONDBLCLK) {
        if (std::optional<std::string> included = IncludeAtCaret(view_, path_, msg.Point())) {
            host_.OpenIncludedFile(*included);
            result = 0;
            return true;
        }
    }
    return false;
}

bool Document::IsModified() const {
    return view_.Call(SCI_GETMODIFY) != 0;
}
bool Document::IsReadOnly() const {
    return view_.Call(SCI_GETREADONLY) != 0;
}
void Document::SetReadOnly(bool readOnly) {
    readOnlyChosen_ = readOnly;
    view_.Call(SCI_SETREADONLY, readOnly ? 1 : 0);
}
int Document::CodePage() const {
    return static_cast<int>(view_.Call(SCI_GETCODEPAGE));
}
void Document::SetCodePage(int codePage) {
    view_.Call(SCI_SETCODEPAGE, codePage);
}

std::string Document::TabText() const {
    std::string text = path_.empty() ? "(untitled)" : ::PathFindFileNameA(path_.c_str());
    if (IsModified()) text += "*";
    return text;
}

bool Document::LoadFromFile(const std::string& path) {
    if (!IsDiskFileName(path)) return Fail(ERROR_INVALID_NAME);
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    // A name of a disk can still lead elsewhere (under Wine a Unix pipe or /dev/zero): only disk
    // files are read, as only they are sure to end without waiting for anyone.
    LARGE_INTEGER size{};
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK || !::GetFileSizeEx(file.Get(), &size) ||
        !::GetFileInformationByHandle(file.Get(), &information))
        return false;
    if (size.QuadPart > maxTextBytes) return Fail(ERROR_FILE_TOO_LARGE);

    // What a load that fails gives back.
    bool readOnly = IsReadOnly();
    Sci_Position oldLength = view_.Call(SCI_GETLENGTH);
    Sci_Position anchor = view_.Call(SCI_GETANCHOR), caret = view_.Call(SCI_GETCURRENTPOS);
    Sci_Position firstLine = view_.Call(SCI_GETFIRSTVISIBLELINE);

    view_.Call(SCI_SETREADONLY, 0); // a read-only view would refuse the new text
    view_.Call(SCI_SETSTATUS, SC_STATUS_OK);
    view_.Call(SCI_ALLOCATE, static_cast<uptr_t>(size.QuadPart) + 1);
    if (view_.Call(SCI_GETSTATUS) != SC_STATUS_OK) {
        view_.Call(SCI_SETSTATUS, SC_STATUS_OK);
        view_.Call(SCI_SETREADONLY, readOnly);
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    // A reload is one step of the undo history, the clearing and the new text together, so
    // that Undo gives back the text exactly as it was (a history that held only the clearing
    // put the old text in front of the new), and a load that fails half-way is taken back.
    // A first load leaves no history: there is nothing to go back to.
    bool reload = oldLength > 0;
    if (reload)
        view_.Call(SCI_BEGINUNDOACTION);
    else
        view_.Call(SCI_SETUNDOCOLLECTION, 0);
    view_.Call(SCI_CLEARALL);
    // Each block would send a modification notification up through the tab strip to the main
    // window, which nobody needs while a file is read in, and which costs many times the
    // reading itself (seconds for a large file).
    sptr_t notified = view_.Call(SCI_GETMODEVENTMASK);
    view_.Call(SCI_SETMODEVENTMASK, 0);
    bool byteOrderMark = false, utf8 = false;
    bool complete = ReadText(file.Get(), static_cast<ULONGLONG>(size.QuadPart), byteOrderMark, utf8);
    DWORD error = complete ? 0 : LastErrorOr(ERROR_READ_FAULT);
    if (reload) view_.Call(SCI_ENDUNDOACTION);
    if (!complete) {
        if (reload)
            view_.Call(SCI_UNDO);
        else
            view_.Call(SCI_CLEARALL);
        view_.Call(SCI_SETUNDOCOLLECTION, 1);
        view_.Call(SCI_SETSTATUS, SC_STATUS_OK);
        view_.Call(SCI_SETSEL, anchor, caret);
        view_.Call(SCI_SETFIRSTVISIBLELINE, firstLine);
    }
    view_.Call(SCI_SETMODEVENTMASK, notified);
    if (!complete) {
        view_.Call(SCI_SETREADONLY, readOnly);
        return Fail(error);
    }

    // An empty file keeps the encoding the view has.
    if (byteOrderMark || utf8)
        view_.Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    else if (view_.Call(SCI_GETLENGTH) > 0)
        view_.Call(SCI_SETCODEPAGE, 0);
    byteOrderMark_ = byteOrderMark;
    view_.Call(SCI_SETEOLMODE, LineEndMode());
    view_.Call(SCI_SETSEL, 0, 0);
    view_.Call(SCI_SETUNDOCOLLECTION, 1);
    view_.Call(SCI_SETSAVEPOINT);
    path_ = path;
    view_.Call(SCI_SETREADONLY, readOnlyChosen_ || (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY));
    return true;
}

// Enter and pasted text end their lines as the file's lines end. A file of one line, or one that
// mixes line ends, gets CR LF: an LF typed after a CR, or a CR before an LF, would join the two
// into one line end, and Enter would make no new line.
int Document::LineEndMode() const {
    constexpr sptr_t linesLooked = 1000;
    sptr_t lines = std::min<sptr_t>(view_.Call(SCI_GETLINECOUNT) - 1, linesLooked);
    int mode = -1;
    for (sptr_t line = 0; line < lines; ++line) {
        Sci_Position end = view_.Call(SCI_GETLINEENDPOSITION, line);
        bool cr = view_.Call(SCI_GETCHARAT, end) == '\r';
        bool lf = view_.Call(SCI_GETCHARAT, cr ? end + 1 : end) == '\n';
        int found = cr && lf ? SC_EOL_CRLF : cr ? SC_EOL_CR : SC_EOL_LF;
        if (mode >= 0 && found != mode) return SC_EOL_CRLF;
        mode = found;
    }
    return mode >= 0 ? mode : SC_EOL_CRLF;
}

// Reads the file to its end into the view; false when a read fails, the component runs out of
// memory, or the file turns out shorter than it said it was.
bool Document::ReadText(HANDLE file, ULONGLONG size, bool& byteOrderMark, bool& utf8) {
    Utf8Check check;
    auto pieceSize = static_cast<DWORD>(std::clamp<ULONGLONG>(size, 3, readBlockSize));
    std::unique_ptr<char[]> piece = std::make_unique_for_overwrite<char[]>(pieceSize);
    char* block = piece.get();
    ULONGLONG total = 0;
    Sci_Position added = 0;
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, block, pieceSize, &read, nullptr)) return false;
        if (read == 0) break;
        const char* bytes = block;
        if (total == 0 && read >= 3 && memcmp(block, utf8Prefix, 3) == 0) {
            byteOrderMark = true;
            bytes += 3;
        }
        total += read;
        DWORD count = read - static_cast<DWORD>(bytes - block);
        check.Feed(bytes, count);
        view_.Call(SCI_ADDTEXT, count, bytes);
        added += count;
        if (view_.Call(SCI_GETSTATUS) != SC_STATUS_OK) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    utf8 = check.IsUtf8WithNonAscii();
    if (total < size || view_.Call(SCI_GETLENGTH) != added) return Fail(ERROR_READ_FAULT);
    return true;
}

bool Document::WriteText(HANDLE file) const {
    if (byteOrderMark_ && !WriteAll(file, utf8Prefix, 3)) return false;
    Sci_Position length = view_.Call(SCI_GETLENGTH);
    char block[blockSize + 1]; // the component appends a NUL to every range
    for (Sci_Position position = 0; position < length;) {
        Sci_Position chunk = std::min<Sci_Position>(length - position, blockSize);
        Sci_TextRangeFull range{{position, position + chunk}, block};
        view_.Call(SCI_GETTEXTRANGEFULL, 0, &range);
        if (!WriteAll(file, block, static_cast<DWORD>(chunk))) return false;
        position += chunk;
    }
    return true;
}

bool Document::SaveToFile(const std::string& path) {
    // Devices and pipes are not opened even to see where they lead.
    std::string target = FullPath(path);
    if (!IsDiskFileName(target) || !IsDiskFileName(target = WhereItLeads(target)))
        return Fail(ERROR_INVALID_NAME);
    DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return Fail(ERROR_ACCESS_DENIED);

    // The bytes go to a new file beside the target first; the target is replaced only once
    // every byte is on the disk, so a failed or interrupted save never damages it. Where no such
    // file can be made (a folder without write access, a name near the length limit, where
    // Wine's GetTempFileNameA would even write past the buffer), the file itself is written.
    std::string folder = FolderOf(target);
    char temporary[MAX_PATH + 16] = "";
    if (folder.size() + temporaryNameLength > MAX_PATH ||
        !::GetTempFileNameA(folder.c_str(), "qm~", 0, temporary)) {
        if (!WriteInPlace(target)) return false;
    } else {
        bool written = false;
        {
            KernelHandle file(::CreateFileA(temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            written = file && WriteText(file.Get()) && ::FlushFileBuffers(file.Get());
        }
        written = written && ReplaceWithFinishedFile(target, temporary);
        if (!written) {
            DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
            ::DeleteFileA(temporary);
            return Fail(error);
        }
    }
    view_.Call(SCI_SETSAVEPOINT);
    path_ = path;
    return true;
}

// Writes the text over the file itself. Less safe than a replace, so done with care: the old
// bytes are copied to the user's temporary folder first and put back when a write fails, and
// the room for a longer text is claimed before a byte of the old one is overwritten (a full
// disk fails there). A copy that cannot be put back stays in the temporary folder.
bool Document::WriteInPlace(const std::string& target) const {
    std::string copy = CopyToTemporaryFolder(target);
    bool opened = false, written = false;
    DWORD error = 0;
    {
        KernelHandle file(::CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        opened = static_cast<bool>(file);
        LARGE_INTEGER old{}, size{};
        size.QuadPart = (byteOrderMark_ ? 3 : 0) + view_.Call(SCI_GETLENGTH);
        written = opened && ::GetFileSizeEx(file.Get(), &old);
        if (written && size.QuadPart > old.QuadPart)
            written = ::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) &&
                      ::SetEndOfFile(file.Get()) &&
                      ::SetFilePointerEx(file.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN);
        // At the end of the text, SetEndOfFile drops what is left of a longer old one.
        written =
            written && WriteText(file.Get()) && ::SetEndOfFile(file.Get()) && ::FlushFileBuffers(file.Get());
        if (!written) error = LastErrorOr(ERROR_WRITE_FAULT);
    }
    bool restored = written || !opened || (!copy.empty() && ::CopyFileA(copy.c_str(), target.c_str(), FALSE));
    if (!copy.empty() && restored) ::DeleteFileA(copy.c_str());
    return written || Fail(error);
}

void Document::OnTextMatchesFile() {
    RunCtags(host_.CtagsPath(), path_);
    RefreshWriteTime();
    host_.InvalidateTagCache(path_);
}

bool ReadLastWriteTime(const std::string& path, FILETIME& time) {
    if (path.empty()) return false;
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA(path.c_str(), &data));
    if (!find) return false;
    time = data.ftLastWriteTime;
    return true;
}

void Document::SetPath(const std::string& path) {
    path_ = path;
    // Measured against the old file's time, a save under the new name that failed would make
    // the file there look changed outside, and the question's Yes would load it over the text.
    if (!RefreshWriteTime()) lastWriteTime_ = {};
}

bool Document::RefreshWriteTime() {
    return ReadLastWriteTime(path_, lastWriteTime_);
}

DiskState Document::GetDiskState() const {
    if (path_.empty()) return DiskState::unchanged;
    if (!::PathFileExistsA(path_.c_str())) return DiskState::deleted;
    FILETIME current;
    if (ReadLastWriteTime(path_, current) && ::CompareFileTime(&current, &lastWriteTime_) != 0)
        return DiskState::changed;
    return DiskState::unchanged;
}
