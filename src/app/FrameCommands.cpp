// MainFrame's commands: the command table's handlers and their enabled states.
#include "app/MainFrame.h"

#include <commctrl.h>

#include "app/AboutDialog.h"
#include "config/ApplyViewSettings.h"
#include "config/PreferencesSheet.h"
#include "documents/DocumentCommands.h"
#include "ftp/FtpDialog.h"
#include "resources/Resource.h"
#include "win/Strings.h"

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
    CommandHandler(ID_EDIT_CUT, &MainFrame::OnEditCut),
    CommandHandler(ID_EDIT_COPY, &MainFrame::OnEditCopy),
    CommandHandler(ID_EDIT_PASTE, &MainFrame::OnEditPaste),
    CommandHandler(ID_EDIT_SELECT_ALL, &MainFrame::OnEditSelectAll),
    CommandHandler(ID_EDIT_GOTO_LINE, &MainFrame::OnGoToLine),
    CommandHandler(ID_EDIT_FIND, &MainFrame::OnFind),
    CommandHandler(ID_EDIT_REPLACE, &MainFrame::OnReplace),
    CommandHandler(ID_EDIT_REPEAT, &MainFrame::OnRepeat),
    CommandHandler(ID_INSERT_COLOR, &MainFrame::OnInsertColour),
    CommandHandler(ID_INSERT_PHP_CODE, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_PHP_EXPRESSION, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_PHP_STRING, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_PHP_TAGGED_STRING, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_HTML_OPEN, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_INSERT_HTML_CLOSE, &MainFrame::OnInsertSnippet),
    CommandHandler(ID_ENCODING_ANSI, &MainFrame::OnEncoding),
    CommandHandler(ID_ENCODING_UTF8, &MainFrame::OnEncoding),
    CommandHandler(ID_VIEW_TOOLBAR, &MainFrame::OnViewToolbar),
    CommandHandler(ID_VIEW_STATUS_BAR, &MainFrame::OnViewStatusBar),
    CommandHandler(ID_VIEW_TOOLS, &MainFrame::OnViewTools),
    CommandHandler(ID_PANE_CLOSE, &MainFrame::OnToolsPaneClose),
    CommandHandler(ID_TOOLS_FTP, &MainFrame::OnFtp),
    CommandHandler(ID_APP_ABOUT, &MainFrame::OnAbout),
    CommandHandler(ID_NEXT_PANE, &MainFrame::OnNextPane),
    CommandHandler(ID_PREV_PANE, &MainFrame::OnPreviousPane),
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
    if (findDialog_ && ::IsWindow(findDialog_)) ::DestroyWindow(findDialog_);
    findDialog_ = nullptr;
}

void MainFrame::OpenFindDialog(bool find) {
    Document* document = SelectedDocument();
    if (!document) return;
    if (findDialog_ && findDialogIsFind_ == find) {
        ::SetFocus(findDialog_);
        return;
    }
    CloseFindDialog();
    lstrcpynA(findBuffer_, searchState_.findText.c_str(), sizeof(findBuffer_));
    lstrcpynA(replaceBuffer_, searchState_.replaceText.c_str(), sizeof(replaceBuffer_));
    findReplace_ = FINDREPLACEA{};
    findReplace_.lStructSize = sizeof(findReplace_);
    findReplace_.hwndOwner = Handle();
    findReplace_.Flags = FR_HIDEUPDOWN | (searchState_.matchCase ? FR_MATCHCASE : 0) |
                         (searchState_.wholeWord ? FR_WHOLEWORD : 0);
    findReplace_.lpstrFindWhat = findBuffer_;
    findReplace_.wFindWhatLen = sizeof(findBuffer_);
    findReplace_.lpstrReplaceWith = replaceBuffer_;
    findReplace_.wReplaceWithLen = sizeof(replaceBuffer_);
    findDialog_ = find ? ::FindTextA(&findReplace_) : ::ReplaceTextA(&findReplace_);
    findDialogIsFind_ = find;
    // The dialog keeps the focus, so the text to find can be typed at once. Handing the focus
    // back to the view would activate the frame, and Wine then stacks the frame over its own
    // dialog: the dialog would be open but out of sight.
    if (findDialog_) ::ShowWindow(findDialog_, SW_SHOW);
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
    HMENU menu = Menu();
    if (!menu) return;
    auto enable = [&](UINT id, bool enabled) {
        ::EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        if (toolbar_ && ::SendMessageA(toolbar_, TB_COMMANDTOINDEX, id, 0) >= 0) {
            bool shown = ::SendMessageA(toolbar_, TB_ISBUTTONENABLED, id, 0) != 0;
            if (shown != enabled) ::SendMessageA(toolbar_, TB_ENABLEBUTTON, id, MAKELPARAM(enabled, 0));
        }
    };

    Document* document = SelectedDocument();
    if (!document) {
        for (UINT id : documentCommands)
            enable(id, false);
        CheckMenuItem(ID_ENCODING_ANSI, false);
        CheckMenuItem(ID_ENCODING_UTF8, false);
        return;
    }
    for (UINT id : documentCommands)
        enable(id, true);
    const EditorView& view = document->View();
    bool readOnly = view.Call(SCI_GETREADONLY) != 0;
    bool selection = view.Call(SCI_GETSELECTIONSTART) != view.Call(SCI_GETSELECTIONEND);
    bool anyModified = false;
    for (int i = 0; i < documentTabs_.Count() && !anyModified; ++i)
        if (Document* other = documentTabs_.DocumentAt(i)) anyModified = other->IsModified();
    enable(ID_FILE_SAVE, !readOnly);
    enable(ID_FILE_SAVE_ALL, anyModified);
    enable(ID_EDIT_UNDO, view.Call(SCI_CANUNDO) != 0);
    enable(ID_EDIT_CUT, selection && !readOnly);
    enable(ID_EDIT_COPY, selection);
    enable(ID_EDIT_PASTE, view.Call(SCI_CANPASTE) != 0);
    int codePage = static_cast<int>(view.Call(SCI_GETCODEPAGE));
    CheckMenuItem(ID_ENCODING_ANSI, codePage == 0);
    CheckMenuItem(ID_ENCODING_UTF8, codePage == SC_CP_UTF8);
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

LRESULT MainFrame::OnEditCut(Message&) {
    SendToSelectedView(SCI_CUT);
    return 0;
}

LRESULT MainFrame::OnEditCopy(Message&) {
    SendToSelectedView(SCI_COPY);
    return 0;
}

LRESULT MainFrame::OnEditPaste(Message&) {
    SendToSelectedView(SCI_PASTE);
    return 0;
}

LRESULT MainFrame::OnEditSelectAll(Message&) {
    SendToSelectedView(SCI_SELECTALL);
    return 0;
}

LRESULT MainFrame::OnGoToLine(Message&) {
    if (Document* document = SelectedDocument()) GoToLine(document->View(), Handle());
    return 0;
}

LRESULT MainFrame::OnFind(Message&) {
    OpenFindDialog(true);
    return 0;
}

LRESULT MainFrame::OnReplace(Message&) {
    OpenFindDialog(false);
    return 0;
}

LRESULT MainFrame::OnRepeat(Message&) {
    Document* document = SelectedDocument();
    if (!document) return 0;
    if (searchState_.findText.empty()) {
        OpenFindDialog(true);
        return 0;
    }
    ShowFindResult(FindNext(document->View(), searchState_, true));
    FocusSelectedView();
    return 0;
}

// The search does not wrap around, so reaching the end must be told: silence reads as a command
// that did not run. A later match clears the message again.
void MainFrame::ShowFindResult(bool found) {
    if (found) {
        ShowStatusText(LoadResourceString(IDS_IDLE_MESSAGE));
        return;
    }
    ::MessageBeep(0xFFFFFFFF);
    ShowStatusText(FormatResourceString(IDS_TEXT_NOT_FOUND, {searchState_.findText}));
}

// The find and replace dialogs report every button through the registered message.
LRESULT MainFrame::OnFindReplace(Message& msg) {
    const auto* request = reinterpret_cast<const FINDREPLACEA*>(msg.lParam);
    if (request->Flags & FR_DIALOGTERM) {
        findDialog_ = nullptr;
        return 0;
    }
    searchState_.findText = request->lpstrFindWhat ? request->lpstrFindWhat : "";
    searchState_.matchCase = (request->Flags & FR_MATCHCASE) != 0;
    searchState_.wholeWord = (request->Flags & FR_WHOLEWORD) != 0;
    Document* document = SelectedDocument();
    if (!document) return 0;
    const EditorView& view = document->View();
    if (request->Flags & FR_FINDNEXT) {
        ShowFindResult(FindNext(view, searchState_, true));
        return 0;
    }
    if (!(request->Flags & (FR_REPLACE | FR_REPLACEALL))) return 0;
    searchState_.replaceText = request->lpstrReplaceWith ? request->lpstrReplaceWith : "";
    // The view refuses every change: there is nothing to replace, and nothing to move on to.
    if (view.Call(SCI_GETREADONLY)) return 0;
    if (request->Flags & FR_REPLACE) {
        if (SelectionMatches(view, searchState_))
            view.Call(SCI_REPLACESEL, 0, searchState_.replaceText.c_str());
        ShowFindResult(FindNext(view, searchState_, true));
    } else {
        HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        int replaced = ReplaceAll(view, searchState_);
        ::SetCursor(previous);
        ShowStatusText(FormatResourceString(IDS_REPLACED_COUNT, {std::to_string(replaced)}));
    }
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
    const EditorView& view = document->View();
    switch (msg.CommandId()) {
    case ID_INSERT_PHP_CODE:
        InsertSnippet(view, "<?  ?>", 3);
        break;
    case ID_INSERT_PHP_EXPRESSION:
        InsertSnippet(view, "<?=  ?>", 4);
        break;
    case ID_INSERT_PHP_STRING:
        InsertSnippet(view, "\"\"", 1);
        break;
    case ID_INSERT_PHP_TAGGED_STRING:
        InsertTaggedString(view);
        break;
    case ID_INSERT_HTML_OPEN:
        InsertSnippet(view, "<>", 1);
        break;
    case ID_INSERT_HTML_CLOSE:
        InsertSnippet(view, "</>", 2);
        break;
    default:
        break;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Document, View, Tools, Help

LRESULT MainFrame::OnEncoding(Message& msg) {
    if (Document* document = SelectedDocument())
        SetEncoding(*document, msg.CommandId() == ID_ENCODING_UTF8 ? SC_CP_UTF8 : 0);
    return 0;
}

LRESULT MainFrame::OnViewToolbar(Message&) {
    toolbarVisible_ = !toolbarVisible_;
    ::SendMessageA(rebar_, RB_SHOWBAND, ::SendMessageA(rebar_, RB_IDTOINDEX, ID_BAND_TOOLBAR, 0),
                   toolbarVisible_);
    CheckMenuItem(ID_VIEW_TOOLBAR, toolbarVisible_);
    UpdateLayout();
    return 0;
}

LRESULT MainFrame::OnViewStatusBar(Message&) {
    bool show = !::IsWindowVisible(statusBar_);
    ::ShowWindow(statusBar_, show ? SW_SHOWNOACTIVATE : SW_HIDE);
    CheckMenuItem(ID_VIEW_STATUS_BAR, show);
    UpdateLayout();
    return 0;
}

LRESULT MainFrame::OnViewTools(Message&) {
    if (splitter_.SinglePaneMode() == Splitter::bothPanes) {
        splitter_.SetSinglePaneMode(Splitter::rightPane);
        CheckMenuItem(ID_VIEW_TOOLS, false);
    } else {
        splitter_.SetSinglePaneMode(Splitter::bothPanes);
        CheckMenuItem(ID_VIEW_TOOLS, true);
    }
    UpdateLayout();
    return 0;
}

LRESULT MainFrame::OnToolsPaneClose(Message&) {
    splitter_.SetSinglePaneMode(Splitter::rightPane);
    splitter_.SetDefaultActivePane(Splitter::rightPane);
    CheckMenuItem(ID_VIEW_TOOLS, false);
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

LRESULT MainFrame::OnNextPane(Message&) {
    documentTabs_.SelectNeighbour(+1);
    return 0;
}

LRESULT MainFrame::OnPreviousPane(Message&) {
    documentTabs_.SelectNeighbour(-1);
    return 0;
}
