// MainFrame's commands: the command table's handlers and their enabled states.
#include "app/MainFrame.h"

#include "app/AboutDialog.h"
#include "config/ApplyViewSettings.h"
#include "config/PreferencesSheet.h"
#include "documents/DocumentCommands.h"
#include "ftp/FtpDialog.h"
#include "resources/Resource.h"

namespace {

// Commands that need an open document.
constexpr UINT documentCommands[] = {
    ID_FILE_SAVE,         ID_FILE_SAVE_AS,
    ID_FILE_SAVE_ALL,     ID_FILE_CLOSE,
    ID_EDIT_UNDO,         ID_EDIT_CUT,
    ID_EDIT_COPY,         ID_EDIT_PASTE,
    ID_EDIT_SELECT_ALL,   ID_EDIT_GOTO_LINE,
    ID_EDIT_FIND,         ID_EDIT_REPLACE,
    ID_EDIT_REPEAT,       ID_INSERT_COLOR,
    ID_INSERT_PHP_CODE,   ID_INSERT_PHP_EXPRESSION,
    ID_INSERT_PHP_STRING, ID_INSERT_PHP_TAGGED_STRING,
    ID_INSERT_HTML_OPEN,  ID_INSERT_HTML_CLOSE,
    ID_ENCODING_ANSI,     ID_ENCODING_UTF8,
};

// Commands that the selected view carries out by itself.
struct ViewCommand {
    UINT id;
    UINT message;
};
constexpr ViewCommand viewCommands[] = {
    {ID_EDIT_CUT, SCI_CUT},
    {ID_EDIT_COPY, SCI_COPY},
    {ID_EDIT_PASTE, SCI_PASTE},
    {ID_EDIT_SELECT_ALL, SCI_SELECTALL},
};

// Text put around the selection: `split` is where the selection, or the caret when there is none, goes.
struct Snippet {
    UINT id;
    const char* text;
    size_t split;
};
constexpr Snippet snippets[] = {
    {ID_INSERT_PHP_CODE, "<?  ?>", 3}, {ID_INSERT_PHP_EXPRESSION, "<?=  ?>", 4},
    {ID_INSERT_PHP_STRING, "\"\"", 1}, {ID_INSERT_HTML_OPEN, "<>", 1},
    {ID_INSERT_HTML_CLOSE, "</>", 2},
};

} // namespace

// Commands from the menu, the accelerators, the toolbar and the Tools pane.
const MessageRow<MainFrame> MainFrame::commandTable[] = {
    CommandHandler(ID_FILE_NEW, &MainFrame::OnFileNew),
    CommandHandler(ID_FILE_OPEN, &MainFrame::OnFileOpen),
    CommandHandler(ID_FILE_SAVE, &MainFrame::OnFileSave),
    CommandHandler(ID_FILE_SAVE_AS, &MainFrame::OnFileSaveAs),
    CommandHandler(ID_FILE_SAVE_ALL, &MainFrame::OnFileSaveAll),
    CommandHandler(ID_FILE_CLOSE, &MainFrame::OnFileClose),
    CommandRangeHandler(ID_FILE_MRU_FIRST, ID_FILE_MRU_LAST, &MainFrame::OnRecentFile),
    CommandHandler(ID_FILE_PREFERENCES, &MainFrame::OnPreferences),
    CommandHandler(ID_APP_EXIT, &MainFrame::OnExit),
    CommandHandler(ID_EDIT_UNDO, &MainFrame::OnEditUndo),
    CommandHandler(ID_EDIT_CUT, &MainFrame::OnViewCommand),
    CommandHandler(ID_EDIT_COPY, &MainFrame::OnViewCommand),
    CommandHandler(ID_EDIT_PASTE, &MainFrame::OnViewCommand),
    CommandHandler(ID_EDIT_SELECT_ALL, &MainFrame::OnViewCommand),
    CommandHandler(ID_EDIT_GOTO_LINE, &MainFrame::OnGoToLine),
    CommandHandler(ID_EDIT_FIND, &MainFrame::OnFindCommand),
    CommandHandler(ID_EDIT_REPLACE, &MainFrame::OnFindCommand),
    CommandHandler(ID_EDIT_REPEAT, &MainFrame::OnFindCommand),
    CommandHandler(ID_INSERT_COLOR, &MainFrame::OnInsertColour),
    CommandHandler(ID_INSERT_PHP_CODE, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_PHP_EXPRESSION, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_PHP_STRING, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_PHP_TAGGED_STRING, &MainFrame::OnInsertTaggedString),
    CommandHandler(ID_INSERT_HTML_OPEN, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_HTML_CLOSE, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_ENCODING_ANSI, &MainFrame::OnEncoding),
    CommandHandler(ID_ENCODING_UTF8, &MainFrame::OnEncoding),
    CommandHandler(ID_VIEW_TOOLBAR, &MainFrame::OnViewBar),
    CommandHandler(ID_VIEW_STATUS_BAR, &MainFrame::OnViewBar),
    CommandHandler(ID_VIEW_TOOLS, &MainFrame::OnViewTools),
    CommandHandler(ID_PANE_CLOSE, &MainFrame::OnToolsPaneClose),
    CommandHandler(ID_TOOLS_FTP, &MainFrame::OnFtp),
    CommandHandler(ID_APP_ABOUT, &MainFrame::OnAbout),
    CommandHandler(ID_NEXT_PANE, &MainFrame::OnNeighbourTab),
    CommandHandler(ID_PREV_PANE, &MainFrame::OnNeighbourTab),
};

// ---------------------------------------------------------------------------------------
// What the documents ask of the frame

void MainFrame::InvalidateTagCache(const std::string& path) {
    tagIndex_.Invalidate(path);
}

void MainFrame::AddRecentFile(const std::string& path) {
    recentFiles_.Add(path);
}

void MainFrame::OpenIncludedFile(const std::string& path) {
    documentTabs_.OpenDocument(path, false);
}

void MainFrame::CloseFindDialog() {
    findReplace_.Close();
}

Document* MainFrame::SelectedDocument() const {
    return documentTabs_.SelectedDocument();
}

void MainFrame::FocusSelectedView() {
    if (Document* document = SelectedDocument()) ::SetFocus(document->ViewWindow());
}

void MainFrame::SendToSelectedView(UINT message) {
    Document* document = SelectedDocument();
    if (!document) return;
    document->View().Call(message);
    FocusSelectedView();
}

// ---------------------------------------------------------------------------------------
// Enabled states and check marks

void MainFrame::UpdateCommandUI() {
    if (!bars_.Menu()) return;
    Document* document = SelectedDocument();
    for (UINT id : documentCommands)
        bars_.EnableCommand(id, document != nullptr);
    if (!document) {
        bars_.CheckCommand(ID_ENCODING_ANSI, false);
        bars_.CheckCommand(ID_ENCODING_UTF8, false);
        return;
    }
    const EditorView& view = document->View();
    bool readOnly = view.Call(SCI_GETREADONLY) != 0;
    bool selection = view.Call(SCI_GETSELECTIONSTART) != view.Call(SCI_GETSELECTIONEND);
    bool anyModified = false;
    for (int i = 0; i < documentTabs_.Count() && !anyModified; ++i)
        if (Document* other = documentTabs_.DocumentAt(i)) anyModified = other->IsModified();
    bars_.EnableCommand(ID_FILE_SAVE, !readOnly);
    bars_.EnableCommand(ID_FILE_SAVE_ALL, anyModified);
    bars_.EnableCommand(ID_EDIT_UNDO, view.Call(SCI_CANUNDO) != 0);
    bars_.EnableCommand(ID_EDIT_CUT, selection && !readOnly);
    bars_.EnableCommand(ID_EDIT_COPY, selection);
    bars_.EnableCommand(ID_EDIT_PASTE, view.Call(SCI_CANPASTE) != 0);
    int codePage = static_cast<int>(view.Call(SCI_GETCODEPAGE));
    bars_.CheckCommand(ID_ENCODING_ANSI, codePage == 0);
    bars_.CheckCommand(ID_ENCODING_UTF8, codePage == SC_CP_UTF8);
}

// ---------------------------------------------------------------------------------------
// Routing

LRESULT MainFrame::OnCommand(Message& msg) {
    // Notifications of child controls (an editor view's focus and change messages) are not
    // commands; buttons report BN_CLICKED, menus 0 and accelerators 1.
    if (msg.lParam != 0 && HIWORD(msg.wParam) != BN_CLICKED) {
        msg.PassOn();
        return 0;
    }
    LRESULT result = 0;
    if (DispatchToTable(this, commandTable, msg, result)) return result;
    msg.PassOn();
    return 0;
}

// ---------------------------------------------------------------------------------------
// File

LRESULT MainFrame::OnFileNew(Message&) {
    documentTabs_.OpenDocument(std::nullopt, false);
    return 0;
}

LRESULT MainFrame::OnFileOpen(Message&) {
    OpenWithDialog(documentTabs_, Handle());
    return 0;
}

LRESULT MainFrame::OnFileSave(Message&) {
    if (Document* document = SelectedDocument()) {
        SaveDocument(*document, *this);
        documentTabs_.RefreshTabText(documentTabs_.SelectedIndex());
    }
    return 0;
}

LRESULT MainFrame::OnFileSaveAs(Message&) {
    if (Document* document = SelectedDocument()) {
        SaveDocumentAs(*document, *this);
        // The name changed even when the document was not modified, so no save point told us.
        documentTabs_.RefreshTabText(documentTabs_.SelectedIndex());
    }
    return 0;
}

LRESULT MainFrame::OnFileSaveAll(Message&) {
    SaveAllDocuments(documentTabs_, *this);
    return 0;
}

LRESULT MainFrame::OnFileClose(Message&) {
    if (SelectedDocument()) documentTabs_.CloseDocument(documentTabs_.SelectedIndex());
    return 0;
}

LRESULT MainFrame::OnRecentFile(Message& msg) {
    const std::string* entry = recentFiles_.EntryForCommand(msg.CommandId());
    if (!entry) return 0;
    std::string path = *entry;
    if (!documentTabs_.OpenDocument(path, false)) recentFiles_.RemoveForCommand(msg.CommandId());
    return 0;
}

LRESULT MainFrame::OnPreferences(Message&) {
    PreferencesSheet(settings_).Run(Handle());
    // Whatever closed the sheet: Apply has already replaced the settings, even before a Cancel.
    for (int i = 0; i < documentTabs_.Count(); ++i)
        if (Document* document = documentTabs_.DocumentAt(i)) ApplyViewSettings(document->View(), settings_);
    return 0;
}

LRESULT MainFrame::OnExit(Message&) {
    ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
    return 0;
}

// ---------------------------------------------------------------------------------------
// Edit and Insert

LRESULT MainFrame::OnEditUndo(Message&) {
    Document* document = SelectedDocument();
    if (document && document->View().Call(SCI_CANUNDO)) SendToSelectedView(SCI_UNDO);
    return 0;
}

LRESULT MainFrame::OnViewCommand(Message& msg) {
    for (const ViewCommand& command : viewCommands)
        if (command.id == msg.CommandId()) SendToSelectedView(command.message);
    return 0;
}

LRESULT MainFrame::OnGoToLine(Message&) {
    if (Document* document = SelectedDocument()) GoToLine(document->View(), Handle());
    return 0;
}

LRESULT MainFrame::OnFindCommand(Message& msg) {
    findReplace_.OnCommand(Handle(), msg.CommandId());
    return 0;
}

LRESULT MainFrame::OnInsertColour(Message&) {
    if (Document* document = SelectedDocument()) {
        InsertColour(document->View(), Handle());
        FocusSelectedView();
    }
    return 0;
}

LRESULT MainFrame::OnInsertSnippet(Message& msg) {
    Document* document = SelectedDocument();
    if (!document) return 0;
    for (const Snippet& snippet : snippets)
        if (snippet.id == msg.CommandId()) InsertSnippet(document->View(), snippet.text, snippet.split);
    return 0;
}

LRESULT MainFrame::OnInsertTaggedString(Message&) {
    if (Document* document = SelectedDocument()) InsertTaggedString(document->View());
    return 0;
}

// ---------------------------------------------------------------------------------------
// Document, View, Tools, Help

LRESULT MainFrame::OnEncoding(Message& msg) {
    if (Document* document = SelectedDocument())
        SetEncoding(*document, msg.CommandId() == ID_ENCODING_UTF8 ? SC_CP_UTF8 : 0);
    return 0;
}

LRESULT MainFrame::OnViewBar(Message& msg) {
    if (msg.CommandId() == ID_VIEW_TOOLBAR)
        bars_.ToggleToolbar();
    else
        bars_.ToggleStatusBar();
    UpdateLayout();
    return 0;
}

LRESULT MainFrame::OnViewTools(Message&) {
    if (splitter_.SinglePaneMode() == Splitter::bothPanes) {
        splitter_.SetSinglePaneMode(Splitter::rightPane);
        bars_.CheckCommand(ID_VIEW_TOOLS, false);
    } else {
        splitter_.SetSinglePaneMode(Splitter::bothPanes);
        bars_.CheckCommand(ID_VIEW_TOOLS, true);
    }
    UpdateLayout();
    return 0;
}

LRESULT MainFrame::OnToolsPaneClose(Message&) {
    splitter_.SetSinglePaneMode(Splitter::rightPane);
    splitter_.SetDefaultActivePane(Splitter::rightPane);
    bars_.CheckCommand(ID_VIEW_TOOLS, false);
    UpdateLayout();
    return 0;
}

LRESULT MainFrame::OnFtp(Message&) {
    Document* document = SelectedDocument();
    if (document && document->IsModified()) {
        bool saved = SaveDocument(*document, *this);
        documentTabs_.RefreshTabText(documentTabs_.SelectedIndex());
        if (!saved) return 0;
    }
    FtpDialog dialog(document ? document->Path() : std::string());
    dialog.Run(Handle());
    return 0;
}

LRESULT MainFrame::OnAbout(Message&) {
    AboutDialog about;
    HWND owner = ::GetActiveWindow();
    about.Run(owner ? owner : Handle());
    return 0;
}

LRESULT MainFrame::OnNeighbourTab(Message& msg) {
    documentTabs_.SelectNeighbour(msg.CommandId() == ID_NEXT_PANE ? +1 : -1);
    return 0;
}
