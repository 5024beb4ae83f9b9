// Document: reading and writing raw bytes between a file and the editing component.
#include "documents/Document.h"

#include <shlwapi.h>

#include "documents/DocumentHost.h"
#include "php/CallTips.h"
#include "php/TagIndex.h"
#include "php/ViewSetup.h"
#include "win/Handles.h"
#include "win/Paths.h"

namespace {

constexpr int blockSize = 8192;
constexpr char utf8Prefix[] = "\xEF\xBB\xBF";
constexpr UINT viewId = 0xE900;

bool WriteAll(HANDLE file, const char* data, DWORD size) {
    DWORD written = 0;
    return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}



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
    return ::MoveFileExA(finished.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

} // namespace

Document* Document::Create(HWND tabs, DocumentHost& host) {
    HWND window = ::CreateWindowExA(0, "Scintilla", "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                    tabs, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(viewId)),
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

void Document::OnFinalMessage() { delete this; }

bool Document::HandleMessage(Message& msg, LRESULT& result) {
    // Notifications reflected by the main window: the characters its help declined.
    constexpr UINT reflectedNotify = WM_NOTIFY + 0x2000;
    if (msg.message == reflectedNotify && msg.Notification() && msg.Notification()->code == SCN_CHARADDED) {
        AutoIndent(view_, reinterpret_cast<const SCNotification*>(msg.lParam)->ch);
        result = 0;
        return true;
    }
    // The component sends itself this after it has handled a double-click (selected a word):
    // on an include statement the included file opens as well.
    if (msg.message == WM_LBUTTONDBLCLK) {
        POINT click{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        if (std::optional<std::string> included = IncludeAtCaret(view_, path_, click)) {
            host_.OpenIncludedFile(*included);
            result = 0;
            return true;
        }
    }
    return false;
}

bool Document::IsModified() const { return view_.Call(SCI_GETMODIFY) != 0; }
bool Document::IsReadOnly() const { return view_.Call(SCI_GETREADONLY) != 0; }
void Document::SetReadOnly(bool readOnly) { view_.Call(SCI_SETREADONLY, readOnly ? 1 : 0); }
int Document::CodePage() const { return static_cast<int>(view_.Call(SCI_GETCODEPAGE)); }
void Document::SetCodePage(int codePage) { view_.Call(SCI_SETCODEPAGE, codePage); }

std::string Document::TabText() const {
    std::string text = path_.empty() ? "(untitled)" : ::PathFindFileNameA(path_.c_str());
    if (IsModified()) text += "*";
    return text;
}

bool Document::LoadFromFile(const std::string& path) {
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;

    // The clearing happens while undo collection is still on, so a reload can be undone.
    view_.Call(SCI_CLEARALL);
    view_.Call(SCI_SETUNDOCOLLECTION, 0);
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.Get(), &size) && size.QuadPart < 0x7FFFFFFF)
        view_.Call(SCI_ALLOCATE, static_cast<uptr_t>(size.QuadPart) + 1);
    // Each block would send a modification notification up through the tab strip to the main
    // window, which nobody needs while a file is read in, and which costs many times the
    // reading itself (seconds for a large file).
    sptr_t notified = view_.Call(SCI_GETMODEVENTMASK);
    view_.Call(SCI_SETMODEVENTMASK, 0);

    char block[blockSize];
    DWORD read = 0;
    if (::ReadFile(file.Get(), block, 3, &read, nullptr) && read > 0) {
        if (read == 3 && memcmp(block, utf8Prefix, 3) == 0) {
            view_.Call(SCI_SETCODEPAGE, SC_CP_UTF8);
        } else {
            view_.Call(SCI_SETCODEPAGE, 0);
            view_.Call(SCI_ADDTEXT, read, block);
        }
    }
    while (::ReadFile(file.Get(), block, blockSize, &read, nullptr) && read > 0) view_.Call(SCI_ADDTEXT, read, block);
    view_.Call(SCI_SETMODEVENTMASK, notified);

    view_.Call(SCI_SETSEL, 0, 0);
    view_.Call(SCI_SETUNDOCOLLECTION, 1);
    view_.Call(SCI_SETSAVEPOINT);
    file.Reset();
    path_ = path;
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    view_.Call(SCI_SETREADONLY, attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY));
    return true;
}

bool Document::SaveToFile(const std::string& path) {
    std::string target = FullPath(path);
    DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;

    // The bytes go to a new file beside the target first; the target is replaced only once
    // every byte is on the disk, so a failed or interrupted save never damages it.
    char temporary[MAX_PATH];
    if (!::GetTempFileNameA(FolderOf(target).c_str(), "qm~", 0, temporary)) return false;
    bool written = false;
    {
        KernelHandle file(::CreateFileA(temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            written = view_.Call(SCI_GETCODEPAGE) != SC_CP_UTF8 || WriteAll(file.Get(), utf8Prefix, 3);
            Sci_Position length = view_.Call(SCI_GETLENGTH);
            char block[blockSize + 1]; // the component appends a NUL to every range
            for (Sci_Position position = 0; written && position < length;) {
                Sci_Position chunk = std::min<Sci_Position>(length - position, blockSize);
                Sci_TextRangeFull range{{position, position + chunk}, block};
                view_.Call(SCI_GETTEXTRANGEFULL, 0, &range);
                written = WriteAll(file.Get(), block, static_cast<DWORD>(chunk));
                position += chunk;
            }
            written = written && ::FlushFileBuffers(file.Get());
        }
    }
    if (!written || !ReplaceWithFinishedFile(target, temporary)) {
        ::DeleteFileA(temporary);
        return false;
    }
    view_.Call(SCI_SETSAVEPOINT);
    path_ = path;
    return true;
}

bool Document::SaveTo(const std::string& path) {
    if (!SaveToFile(path)) return false;
    RunCtags(host_.CtagsPath(), path_);
    RefreshWriteTime();
    return true;
}

bool ReadLastWriteTime(const std::string& path, FILETIME& time) {
    if (path.empty()) return false;
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA(path.c_str(), &data));
    if (!find) return false;
    time = data.ftLastWriteTime;
    return true;
}

bool Document::RefreshWriteTime() { return ReadLastWriteTime(path_, lastWriteTime_); }

DiskState Document::GetDiskState() const {
    if (path_.empty()) return DiskState::unchanged;
    if (!::PathFileExistsA(path_.c_str())) return DiskState::deleted;
    FILETIME current;
    if (ReadLastWriteTime(path_, current) && ::CompareFileTime(&current, &lastWriteTime_) != 0)
        return DiskState::changed;
    return DiskState::unchanged;
}
