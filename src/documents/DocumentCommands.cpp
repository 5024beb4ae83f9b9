// File commands, the save prompt and the outside-change check.
#include "documents/DocumentCommands.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "documents/Document.h"
#include "documents/DocumentHost.h"
#include "documents/DocumentTabs.h"
#include "resources/Resource.h"
#include "win/Paths.h"
#include "win/Strings.h"

namespace {
const char fileFilter[] = "PHP Files\0*.php\0All Files\0*.*\0";

// What the open and the save dialog share: the filter, ".php" by default, the name buffer. The
// dialogs would otherwise move the current folder to the chosen file's, and a relative name
// handed over later (a second start's command line) would be looked for there.
OPENFILENAMEA FileDialog(HWND owner, char (&name)[MAX_PATH], DWORD flags) {
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = fileFilter;
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "php";
    dialog.Flags = flags | OFN_NOCHANGEDIR;
    return dialog;
}

void ReportSaveFailure(DocumentHost& host, const std::string& path, DWORD error) {
    std::string format = LoadResourceString(IDS_SAVE_FAILED);
    std::string reason = SystemMessage(error);
    std::vector<char> text(format.size() + path.size() + reason.size() + 1);
    wsprintfA(text.data(), format.c_str(), path.c_str(), reason.c_str());
    std::string caption = LoadResourceString(IDS_APP_NAME);
    ::MessageBoxA(host.MainWindow(), text.data(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// The one way a command writes a document. Before writing over a file that another program
// changed since it was read or saved, it asks (`overOutsideChange` is false where the user has
// just chosen the file in the save dialog, which asked already). A failed save says why.
bool WriteDocument(Document& document, DocumentHost& host, const std::string& path, bool overOutsideChange) {
    Document::AskingAbout asking(document);
    if (overOutsideChange && document.GetDiskState() == DiskState::changed) {
        std::string text = LoadResourceString(IDS_OVERWRITE_CHANGED);
        if (::MessageBoxA(host.MainWindow(), text.c_str(), path.c_str(), MB_YESNO | MB_DEFBUTTON2) != IDYES)
            return false;
    }
    if (!document.SaveToFile(path)) {
        ReportSaveFailure(host, FullPath(path), ::GetLastError());
        return false;
    }
    document.OnTextMatchesFile();
    return true;
}

// The Save command's steps on a document that has a path.
bool SaveNamedDocument(Document& document, DocumentHost& host, bool overOutsideChange) {
    std::string path = document.Path();
    if (!WriteDocument(document, host, path, overOutsideChange)) return false;
    host.AddRecentFile(path);
    return true;
}

// The document if it is still open: a modal loop may have closed it, and a new one may have
// taken its address since.
Document* StillOpen(const DocumentTabs& tabs, const Document* document, unsigned serial) {
    int index = tabs.IndexOf(document);
    Document* open = index < 0 ? nullptr : tabs.DocumentAt(index);
    return open && open->Serial() == serial ? open : nullptr;
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
    // The next file wanted is most often beside the one being edited.
    Document* selected = tabs.SelectedDocument();
    std::string folder = selected && !selected->Path().empty() ? FolderOf(selected->Path()) : "";
    if (!folder.empty()) dialog.lpstrInitialDir = folder.c_str();
    if (!::GetOpenFileNameA(&dialog)) return;
    tabs.OpenDocument(std::string(name), (dialog.Flags & OFN_READONLY) != 0);
}

bool ConfirmClose(Document& document, DocumentHost& host) {
    if (!document.IsModified()) return true;
    Document::AskingAbout asking(document);
    std::string text = LoadResourceString(IDS_SAVE_CHANGES);
    int answer = ::MessageBoxA(host.MainWindow(), text.c_str(), document.Path().c_str(), MB_YESNOCANCEL);
    if (answer == IDCANCEL) return false;
    if (answer == IDNO) return true;
    std::string path = document.Path();
    if (!path.empty()) return WriteDocument(document, host, path, true);
    return AskSavePath(host.MainWindow(), "", path) && WriteDocument(document, host, path, false);
}

bool CloseDocument(DocumentTabs& tabs, int index, DocumentHost& host) {
    Document* document = tabs.DocumentAt(index);
    if (!document || document->IsAskedAbout()) return false;
    Document* selected = tabs.SelectedDocument();
    if (!ConfirmClose(*document, host)) return false;
    // The prompt ran a message loop: find the tab again, it may have moved.
    index = tabs.IndexOf(document);
    if (index < 0) return false;
    tabs.CloseTab(index, selected);
    return true;
}

void DocumentHost::CloseRequested(DocumentTabs& tabs, int index) {
    CloseDocument(tabs, index, *this);
}

bool ConfirmCloseAll(DocumentTabs& tabs, DocumentHost& host) {
    std::vector<unsigned> asked;
    for (;;) {
        Document* next = nullptr;
        for (int i = 0; i < tabs.Count() && !next; ++i) {
            Document* document = tabs.DocumentAt(i);
            if (document && std::find(asked.begin(), asked.end(), document->Serial()) == asked.end())
                next = document;
        }
        if (!next) return true;
        asked.push_back(next->Serial());
        if (!ConfirmClose(*next, host)) return false;
    }
}

bool SaveDocument(Document& document, DocumentHost& host) {
    if (document.IsReadOnly()) return false;
    if (document.Path().empty()) return SaveDocumentAs(document, host);
    return SaveNamedDocument(document, host, true);
}

bool SaveDocumentAs(Document& document, DocumentHost& host) {
    Document::AskingAbout asking(document);
    std::string chosen;
    if (!AskSavePath(host.MainWindow(), document.Path(), chosen)) return false;
    // The dialog confirmed writing over another file; its own file is checked as Save does.
    bool sameFile = !document.Path().empty() && EqualNoCase(FullPath(chosen), document.Path());
    document.SetPath(chosen);
    bool wasReadOnly = document.IsReadOnly();
    document.SetReadOnly(false);
    if (SaveNamedDocument(document, host, sameFile)) return true;
    document.SetReadOnly(wasReadOnly);
    return false;
}

bool SaveAllDocuments(DocumentTabs& tabs, DocumentHost& host) {
    std::vector<std::pair<Document*, unsigned>> documents;
    for (int i = 0; i < tabs.Count(); ++i)
        if (Document* document = tabs.DocumentAt(i)) documents.emplace_back(document, document->Serial());
    for (auto [visited, serial] : documents) {
        Document* document = StillOpen(tabs, visited, serial);
        if (!document || document->IsReadOnly() || !document->IsModified()) continue;
        std::string path = document->Path();
        bool named = !path.empty();
        if (!named) {
            Document::AskingAbout asking(*document);
            if (!AskSavePath(host.MainWindow(), "", path)) return false;
            document->SetPath(path);
        }
        if (!WriteDocument(*document, host, path, named)) return false;
        tabs.RefreshTabText(tabs.IndexOf(document));
    }
    return true;
}

void SetEncoding(Document& document, int codePage) {
    document.SetCodePage(codePage);
}

bool ExternalChangeCheck::FrameBusy() const {
    return holds_ > 0 || !::IsWindowEnabled(host_.MainWindow());
}

void ExternalChangeCheck::OnActivated() {
    // Switching away and back while one of the check's own questions is up: that round is
    // still going, and a second would ask again about the files already answered.
    if (running_) return;
    if (FrameBusy()) {
        waiting_ = true;
        return;
    }
    Run();
}

void ExternalChangeCheck::RunWaiting() {
    if (!waiting_ || running_ || FrameBusy()) return;
    waiting_ = false;
    Run();
}

void ExternalChangeCheck::Run() {
    if (!tabs_.Handle()) return;
    running_ = true;
    std::vector<std::pair<Document*, unsigned>> documents;
    for (int i = tabs_.Count() - 1; i >= 0; --i)
        if (Document* document = tabs_.DocumentAt(i)) documents.emplace_back(document, document->Serial());
    for (auto [visited, serial] : documents) {
        Document* document = StillOpen(tabs_, visited, serial);
        if (!document) continue;
        DiskState state = document->GetDiskState();
        if (state == DiskState::unchanged) continue;
        bool deleted = state == DiskState::deleted;
        std::string text = LoadResourceString(deleted ? IDS_DELETED_OUTSIDE : IDS_MODIFIED_OUTSIDE);
        int answer = ::MessageBoxA(host_.MainWindow(), text.c_str(), document->Path().c_str(),
                                   deleted ? MB_YESNO | MB_DEFBUTTON2 : MB_YESNO);
        // The box ran a message loop: the document may have gone in the meantime.
        document = StillOpen(tabs_, visited, serial);
        if (answer != IDYES || !document) continue;
        if (deleted) {
            CloseDocument(tabs_, tabs_.IndexOf(document), host_);
            continue;
        }
        std::string path = document->Path();
        if (document->LoadFromFile(path)) document->OnTextMatchesFile();
    }
    running_ = false;
}
