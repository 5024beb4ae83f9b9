// File commands, the save prompt and the outside-change check.
#include "documents/DocumentCommands.h"

#include <commdlg.h>

#include "documents/Document.h"
#include "documents/DocumentHost.h"
#include "documents/DocumentTabs.h"
#include "php/TagIndex.h"
#include "resources/Resource.h"
#include "win/Strings.h"

namespace {
const char fileFilter[] = "PHP Files\0*.php\0All Files\0*.*\0";

// What the open and the save dialog share: the filter, ".php" by default, the name buffer.
OPENFILENAMEA FileDialog(HWND owner, char (&name)[MAX_PATH], DWORD flags) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = fileFilter;
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "php";
    dialog.Flags = flags;
    return dialog;
}
} // namespace

bool AskSavePath(HWND owner, const std::string& initialName, std::string& chosen) {
    char name[MAX_PATH] = "";
    lstrcpynA(name, initialName.c_str(), MAX_PATH);
    OPENFILENAMEA dialog = FileDialog(owner, name, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    if (!::GetSaveFileNameA(&dialog)) return false;
    chosen = name;
    return true;
}

void OpenWithDialog(DocumentTabs& tabs, HWND owner) {
    char name[MAX_PATH] = "";
    OPENFILENAMEA dialog =
        FileDialog(owner, name, OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING);
    if (!::GetOpenFileNameA(&dialog)) return;
    tabs.OpenDocument(std::string(name), (dialog.Flags & OFN_READONLY) != 0);
}

bool ConfirmClose(Document& document, DocumentHost& host) {
    if (!document.IsModified()) return true;
    std::string text = LoadResourceString(IDS_SAVE_CHANGES);
    int answer = ::MessageBoxA(host.MainWindow(), text.c_str(), document.Path().c_str(), MB_YESNOCANCEL);
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) return true;
    std::string path = document.Path();
    if (path.empty() && !AskSavePath(host.MainWindow(), "", path)) return false;
    if (!document.SaveTo(path)) return false;
    host.InvalidateTagCache(path);
    return true;
}

bool SaveDocument(Document& document, DocumentHost& host) {
    if (document.IsReadOnly()) return false;
    if (document.Path().empty()) return SaveDocumentAs(document, host);
    std::string path = document.Path();
    if (!document.SaveTo(path)) return false;
    host.InvalidateTagCache(path);
    host.AddRecentFile(path);
    return true;
}

bool SaveDocumentAs(Document& document, DocumentHost& host) {
    std::string chosen;
    if (!AskSavePath(host.MainWindow(), document.Path(), chosen)) return false;
    document.SetPath(chosen);
    bool wasReadOnly = document.IsReadOnly();
    document.SetReadOnly(false);
    if (SaveDocument(document, host)) return true;
    document.SetReadOnly(wasReadOnly);
    return false;
}

bool SaveAllDocuments(DocumentTabs& tabs, DocumentHost& host) {
    for (int i = 0; i < tabs.Count(); ++i) {
        Document* document = tabs.DocumentAt(i);
        if (!document || document->IsReadOnly()) continue;
        std::string path = document->Path();
        if (path.empty()) {
            if (!AskSavePath(host.MainWindow(), "", path)) return false;
            document->SetPath(path);
        }
        if (!document->SaveTo(path)) return false;
        host.InvalidateTagCache(path);
        tabs.RefreshTabText(i);
    }
    return true;
}

void SetEncoding(Document& document, int codePage) { document.SetCodePage(codePage); }

namespace {
int IndexOf(const DocumentTabs& tabs, const Document* document) {
    for (int i = 0; i < tabs.Count(); ++i)
        if (tabs.DocumentAt(i) == document) return i;
    return -1;
}
} // namespace

void CheckExternalChanges(DocumentTabs& tabs, DocumentHost& host) {
    // The questions are modal boxes: switching away and back while one is open activates the
    // program again. One round at a time, or the same file would be asked about twice.
    static bool checking = false;
    if (checking || !tabs.Handle()) return;
    checking = true;
    for (int i = tabs.Count() - 1; i >= 0; --i) {
        if (i >= tabs.Count()) continue;
        Document* document = tabs.DocumentAt(i);
        if (!document) continue;
        DiskState state = document->GetDiskState();
        if (state == DiskState::unchanged) continue;
        bool deleted = state == DiskState::deleted;
        std::string text = LoadResourceString(deleted ? IDS_DELETED_OUTSIDE : IDS_MODIFIED_OUTSIDE);
        int answer = ::MessageBoxA(host.MainWindow(), text.c_str(), document->Path().c_str(),
                                   deleted ? MB_YESNO | MB_DEFBUTTON2 : MB_YESNO);
        // The box ran a message loop: the document may have gone in the meantime.
        int index = IndexOf(tabs, document);
        if (answer != IDYES || index < 0) continue;
        if (deleted) {
            tabs.CloseDocument(index);
        } else {
            std::string path = document->Path();
            if (document->LoadFromFile(path)) {
                RunCtags(host.CtagsPath(), path);
                document->RefreshWriteTime();
                host.InvalidateTagCache(path);
            }
        }
    }
    checking = false;
}
