// MainFrame: creation, layout, routing of messages and notifications, close sequence.
#include "app/MainFrame.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/OpenRequest.h"
#include "config/DefaultEditor.h"
#include "documents/DocumentCommands.h"
#include "documents/Session.h"
#include "ReleaseChannel.h"
#include "php/CallTips.h"
#include "php/ViewSetup.h"
#include "resources/Resource.h"
#include "win/Strings.h"

namespace {

// The folder of the running executable, with its trailing backslash. Built by hand: the
// shell's path library is loaded only when a command needs it, not at start-up.
std::string ExecutableFolder() {
    char path[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    size_t separator = folder.find_last_of("\\/");
    folder.resize(separator == std::string::npos ? 0 : separator + 1);
    return folder;
}

} // namespace

// Window messages of the frame.
const MessageRow<MainFrame> MainFrame::messageTable[] = {
    MessageHandler(WM_CREATE, &MainFrame::OnCreate),
    MessageHandler(WM_CLOSE, &MainFrame::OnClose),
    MessageHandler(WM_DESTROY, &MainFrame::OnDestroy),
    MessageHandler(WM_SIZE, &MainFrame::OnSize),
    MessageHandler(WM_SETFOCUS, &MainFrame::OnSetFocus),
    MessageHandler(WM_ACTIVATEAPP, &MainFrame::OnActivateApp),
    MessageHandler(WM_QUERYENDSESSION, &MainFrame::OnQueryEndSession),
    MessageHandler(WM_ENDSESSION, &MainFrame::OnEndSession),
    MessageHandler(WM_COPYDATA, &MainFrame::OnCopyData),
    MessageHandler(WM_DROPFILES, &MainFrame::OnDropFiles),
    MessageHandler(WM_COMMAND, &MainFrame::OnCommand),
    MessageHandler(WM_NOTIFY, &MainFrame::OnNotify),
    MessageHandler(WM_WORKER_DONE, &MainFrame::OnWorkerDone),
    MessageHandler(WM_INITMENUPOPUP, &MainFrame::OnInitMenuPopup),
    MessageHandler(WM_MENUSELECT, &MainFrame::ForwardToBars),
    MessageHandler(WM_EXITMENULOOP, &MainFrame::ForwardToBars),
    MessageHandler(WM_SYSCOMMAND, &MainFrame::ForwardToBars),
    MessageHandler(WM_MEASUREITEM, &MainFrame::ForwardToBars),
    MessageHandler(WM_DRAWITEM, &MainFrame::ForwardToBars),
    MessageHandler(WM_TIMER, &MainFrame::OnTimer),
};

// Notifications of the children, tried in this order. What no row keeps goes back to a sender
// of ours: the Files tree's own, and the characters that the view indents after.
const MessageRow<MainFrame> MainFrame::notificationTable[] = {
    NotifyFromHandler(ID_FILES_TREE, NM_DBLCLK, &MainFrame::OnFilesTreeDoubleClick),
    NotifyFromHandler(ID_FILES_TREE, TVN_BEGINDRAGA, &MainFrame::OnFilesTreeBeginDrag),
    NotifyFromHandler(ID_DOCUMENT_TABS, TCN_SELCHANGE, &MainFrame::OnDocumentTabChange),
    NotifyFromHandler(ID_TOOLS_TABS, TCN_SELCHANGE, &MainFrame::OnToolsTabChange),
    NotifyHandler(SCN_MARGINCLICK, &MainFrame::OnMarginClick),
    NotifyHandler(SCN_CHARADDED, &MainFrame::OnCharAdded),
    NotifyHandler(SCN_SAVEPOINTREACHED, &MainFrame::OnSavePoint),
    NotifyHandler(SCN_SAVEPOINTLEFT, &MainFrame::OnSavePoint),
    NotifyHandler(SCN_UPDATEUI, &MainFrame::OnUpdateUI),
    // The most frequent ones, which nothing of ours wants: kept here, since sending them back
    // costs a look-up of the sender (a server round trip under Wine) for every change a Replace
    // All makes.
    NotifyHandler(SCN_MODIFIED, &MainFrame::IgnoreNotification),
    NotifyHandler(SCN_PAINTED, &MainFrame::IgnoreNotification),
    NotifyHandler(TTN_GETDISPINFOA, &MainFrame::ForwardToBars),
    NotifyHandler(TTN_GETDISPINFOW, &MainFrame::ForwardToBars),
    NotifyHandler(RBN_AUTOSIZE, &MainFrame::OnRebarLayout),
    NotifyHandler(RBN_HEIGHTCHANGE, &MainFrame::OnRebarLayout),
    NotifyHandler(RBN_CHEVRONPUSHED, &MainFrame::ForwardToBars),
};

MainFrame::MainFrame()
    : documentTabs_(*this), externalChangeCheck_(documentTabs_, *this), findReplace_(documentTabs_, bars_) {
    std::string programFolder = ExecutableFolder();
    ctagsPath_ = programFolder + "ctags.exe";
    DWORD attributes = ::GetFileAttributesA(ctagsPath_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) ctagsPath_.clear();
    int tagCacheLimit = Settings::kDefaultTagCacheLimit;
    if (settings_.Load(programFolder + Settings::kFileName)) tagCacheLimit = ReadTagCacheLimit(settings_);
    TagLimits tagLimits = ReadTagLimits(settings_);
    tagLimits.cacheEntries = tagCacheLimit;
    tagIndex_.SetLimits(tagLimits);
    SharedTagWorker().SetLimits(tagLimits);
}

MainFrame::~MainFrame() = default;

HWND MainFrame::CreateFrame() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    HICON icon =
        static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0));
    HICON smallIcon =
        static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 16, 16, 0));
    RegisterWindowClass(windowClass, 0, nullptr, nullptr, icon, smallIcon);
    accelerators_.Reset(::LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME)));

    std::string title = LoadResourceString(IDS_APP_NAME);
    // The menu goes to the command bar, never to the frame: a frame created with a menu lays
    // out a menu bar only to lose it again, a cost paid before the window can show.
    menu_.Reset(::LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME)));
    WindowCreation creation;
    creation.title = title.c_str();
    creation.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    creation.exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    return Create(windowClass, creation);
}

bool MainFrame::HandleMessage(Message& msg, LRESULT& result) {
    if (msg.message == FindReplace::DialogMessage()) {
        findReplace_.OnDialogMessage(*msg.Param<const FINDREPLACEA*>());
        result = 0;
        return true;
    }
    return DispatchToTable(this, messageTable, msg, result);
}

LRESULT MainFrame::ForwardToBars(Message& msg) {
    LRESULT result = 0;
    if (!bars_.HandleMessage(msg, result)) msg.PassOn();
    return result;
}

// ---------------------------------------------------------------------------------------
// Creation

bool MainFrame::CreatePanes() {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    tabImages_.Reset(::ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_TABCLOSE), 16, 0, RGB(0, 255, 0),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION));

    // Double-clicks that the tab strip lets through open a new document.
    if (!splitter_.Create(Handle(), ID_SPLITTER)) return false;
    splitter_.onDoubleClick = [this](POINT point) {
        ::ClientToScreen(splitter_.Handle(), &point);
        return documentTabs_.OnDoubleClickOutsideTabs(point);
    };

    if (!toolsPane_.Create(splitter_.Handle(), "Tools", ID_PANE_CLOSE)) return false;
    toolsTabs_ = toolsPages_.Create(toolsPane_.Handle(), ID_TOOLS_TABS);
    if (!toolsTabs_) return false;
    // The Files tree comes once the window is on the screen: it is empty until then anyway, and
    // it and its tooltip window cost a tenth of the server round trips made before the first paint.
    toolsPages_.AddPage("Files", nullptr);
    toolsPane_.SetClient(toolsTabs_);

    if (!documentTabs_.Create(splitter_.Handle(), ID_DOCUMENT_TABS)) return false;
    documentTabs_.SetImageList(tabImages_.Get());

    // The splitter keeps its position within, and as a share of, the width the layout gives it.
    // The panes come last, so that they are placed once, at their final size: placed at each
    // step, every window in them moved three times before the window showed.
    UpdateLayout();
    splitter_.SetSplitterPosition(200);
    splitter_.SetPanes(toolsPane_.Handle(), documentTabs_.Handle());
    // Until the user clicks into a pane, the focus that reaches the splitter goes to the
    // documents: after switching back to the program, typing goes to the editor.
    splitter_.SetDefaultActivePane(Splitter::rightPane);
    return true;
}

LRESULT MainFrame::OnCreate(Message&) {
    if (!bars_.Create(Handle(), menu_.Release())) return -1;
    if (!CreatePanes()) return -1;
    bars_.CheckCommand(ID_VIEW_TOOLS, true);

    if (MessageLoop* loop = AppModule::GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }

    // File > Recent Files; the resource's placeholder item says what an empty list shows.
    HMENU fileMenu = ::GetSubMenu(bars_.Menu(), 0);
    HMENU recentMenu = fileMenu ? ::GetSubMenu(fileMenu, 7) : nullptr;
    char emptyText[128] = "";
    if (recentMenu)
        ::GetMenuStringA(recentMenu, ID_FILE_MRU_FIRST, emptyText, sizeof(emptyText), MF_BYCOMMAND);
    recentFiles_.BindMenu(recentMenu, emptyText[0] ? emptyText : "(empty)");
    recentFiles_.Read();
    recentFiles_.SetBound(RecentFileList::maxEntries);

    // A settings file that could not be read is told once, before anything else asks.
    ReportSettingsProblem(Handle(), settings_);
    RunDefaultEditorCheck(Handle());
    RestoreSession(documentTabs_);
    // Host="" in the settings turns the update check off.
    std::string updateHost = ReadUpdateHost(settings_);
    if (IsUpdateHost(updateHost)) {
        UpdateCheckSetup update;
        update.host = updateHost;
        update.frame = Handle();
        update.doneMessage = WM_WORKER_DONE;
        update.rebar = bars_.Rebar();
        update.bandId = ID_BAND_UPDATE;
        update.progress = bars_.UpdateBand();
        update.question = LoadResourceString(IDS_NEWER_VERSION);
        update.caption = LoadResourceString(IDS_APP_NAME);
        std::copy(std::begin(kReleasePublicKey), std::end(kReleasePublicKey), update.releaseKey.begin());
        updateCheck_.Start(update);
    }
    // Never an empty strip at start.
    if (documentTabs_.Count() == 0) documentTabs_.OpenDocument(std::nullopt, false);
    // What can wait until the window is on the screen: a timer's message comes only once the
    // queue holds nothing else, the first paint included.
    ::SetTimer(Handle(), afterFirstPaintTimer, USER_TIMER_MINIMUM, nullptr);
    return 0;
}

LRESULT MainFrame::OnTimer(Message& msg) {
    if (msg.wParam != afterFirstPaintTimer) {
        msg.PassOn();
        return 0;
    }
    ::KillTimer(Handle(), afterFirstPaintTimer);
    // Accepting dropped files loads the shell, which can wait until the window is shown.
    ::DragAcceptFiles(Handle(), TRUE);
    CreateFilesTree();
    return 0;
}

void MainFrame::CreateFilesTree() {
    filesTree_ = fileBrowser_.Create(toolsTabs_, ID_FILES_TREE);
    if (!filesTree_) return;
    fileBrowser_.openDocument = [this](const std::string& path) { documentTabs_.OpenDocument(path, false); };
    fileBrowser_.dropTarget = documentTabs_.Handle();
    toolsPages_.SetPage(0, filesTree_);
    fileBrowser_.FillSoon();
}

// ---------------------------------------------------------------------------------------
// Layout, focus, activation

void MainFrame::UpdateLayout(bool resizeBars) {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    RECT rest = bars_.Arrange(client, resizeBars);
    if (splitter_.Handle())
        ::SetWindowPos(splitter_.Handle(), nullptr, rest.left, rest.top, rest.right - rest.left,
                       std::max(0L, rest.bottom - rest.top), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    if (resizeBars && splitter_.Handle()) laidOut_ = SIZE{client.right, client.bottom};
}

LRESULT MainFrame::OnSize(Message& msg) {
    // Wine sends the first size only when the window is first shown, and it is the size the
    // creation has laid out already: sizing every bar again there held up the window's
    // appearance by a hundredth of a second. A maximized window is always laid out (the status
    // bar's size grip depends on it).
    if (msg.wParam == SIZE_RESTORED && LOWORD(msg.lParam) == laidOut_.cx && HIWORD(msg.lParam) == laidOut_.cy)
        return 0;
    if (msg.wParam != SIZE_MINIMIZED) UpdateLayout();
    return 0;
}

LRESULT MainFrame::OnRebarLayout(Message&) {
    UpdateLayout(false);
    return 0;
}

LRESULT MainFrame::OnSetFocus(Message&) {
    if (splitter_.Handle()) ::SetFocus(splitter_.Handle());
    return 0;
}

LRESULT MainFrame::OnActivateApp(Message& msg) {
    if (msg.wParam) externalChangeCheck_.OnActivated();
    msg.PassOn();
    return 0;
}

// ---------------------------------------------------------------------------------------
// Opening files from other places

LRESULT MainFrame::OnCopyData(Message& msg) {
    const auto* request = msg.Param<const COPYDATASTRUCT*>();
    std::optional<std::string> text = ReadOpenRequestText(request);
    if (!text) return 0;
    // A relative path means the sender's current folder, which is not ours: it is refused, not
    // guessed. The empty path stands for the untitled document.
    std::string path = RequestPath(*text);
    if (path.empty() || IsFullPath(path)) documentTabs_.OpenDocument(path, false);
    if (request->dwData != static_cast<ULONG_PTR>(OpenMode::openOnly)) {
        if (::IsIconic(Handle())) ::ShowWindow(Handle(), SW_RESTORE);
        HWND popup = ::GetLastActivePopup(Handle());
        if (::IsWindow(popup)) ::SetForegroundWindow(popup);
    }
    return 0;
}

LRESULT MainFrame::OnDropFiles(Message& msg) {
    auto drop = reinterpret_cast<HDROP>(msg.wParam);
    UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = "";
        if (::DragQueryFileA(drop, i, path, MAX_PATH)) documentTabs_.OpenDocument(std::string(path), false);
    }
    ::DragFinish(drop);
    return 0;
}

// ---------------------------------------------------------------------------------------
// Closing

LRESULT MainFrame::OnClose(Message& msg) {
    // A running update check is stopped first, and the window stays. A later close closes it,
    // even while the stopped thread still waits out a server that stopped answering: it shares
    // nothing with the window that could go with it.
    if (updateCheck_.Running() && !updateCheck_.CancelRequested()) {
        updateCheck_.Cancel();
        return 0;
    }
    if (IsAsking() || !AskAboutEveryDocument()) return 0;
    WriteSession(documentTabs_);
    recentFiles_.Write();
    if (filesTree_) ::SendMessageA(filesTree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    msg.PassOn(); // the default processing destroys the window and the views with it
    return 0;
}

// Logoff or shutdown: the close's questions, and Cancel refuses the end of the session.
LRESULT MainFrame::OnQueryEndSession(Message&) {
    // A question already up must be answered first.
    return !IsAsking() && AskAboutEveryDocument() ? TRUE : FALSE;
}

// A close or an end of the session that arrives inside a modal loop of the frame (posted by the
// update check, sent by the system) would ask again about documents already asked about, and
// could destroy the documents that the question still up works on.
bool MainFrame::IsAsking() const {
    return closing_ || !::IsWindowEnabled(Handle());
}

// The close's save questions; the outside-change check waits until they are over.
bool MainFrame::AskAboutEveryDocument() {
    ExternalChangeCheck::Hold hold(externalChangeCheck_);
    closing_ = true;
    bool agreed = ConfirmCloseAll(documentTabs_, *this);
    closing_ = false;
    return agreed;
}

// The session ends once this returns, and the process with it: what the close would write is
// written now. When another program refused the end, the session goes on and nothing is written.
LRESULT MainFrame::OnEndSession(Message& msg) {
    if (msg.wParam) {
        if (updateCheck_.Running()) updateCheck_.Cancel(); // a download would be cut off anyway
        WriteSession(documentTabs_);
        recentFiles_.Write();
    }
    return 0;
}

LRESULT MainFrame::OnDestroy(Message& msg) {
    // A ctags still running is ended, not waited for.
    SharedTagWorker().Stop();
    if (MessageLoop* loop = AppModule::GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    ::PostQuitMessage(1);
    msg.PassOn();
    return 0;
}

LRESULT MainFrame::OnWorkerDone(Message& msg) {
    // The thread posts this as its last act: it has ended or is about to.
    DWORD exitCode = updateCheck_.Finish(10000);
    if (msg.wParam) {
        bars_.ShowBand(ID_BAND_UPDATE, false);
        if (exitCode) ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Menus

LRESULT MainFrame::OnInitMenuPopup(Message& msg) {
    if (HIWORD(msg.lParam)) { // the window menu
        msg.PassOn();
        return 0;
    }
    UpdateCommandUI();
    return 0;
}

// ---------------------------------------------------------------------------------------
// Notifications of the children

LRESULT MainFrame::OnNotify(Message& msg) {
    LRESULT result = 0;
    if (msg.Notification() && DispatchToTable(this, notificationTable, msg, result)) return result;
    if (ReflectNotification(msg, result)) return result;
    msg.PassOn();
    return 0;
}

LRESULT MainFrame::OnFilesTreeDoubleClick(Message&) {
    fileBrowser_.OpenSelected(Handle());
    return 0; // the tree still expands or collapses the row
}

LRESULT MainFrame::OnFilesTreeBeginDrag(Message& msg) {
    fileBrowser_.BeginDrag(msg.Param<const NMTREEVIEWA*>()->itemNew.hItem);
    return 0;
}

LRESULT MainFrame::OnDocumentTabChange(Message&) {
    documentTabs_.RaiseSelectedView();
    return 0;
}

LRESULT MainFrame::OnToolsTabChange(Message&) {
    toolsPages_.RaiseSelectedPage();
    return 0;
}

LRESULT MainFrame::OnMarginClick(Message& msg) {
    if (Document* document = SelectedDocument())
        FoldMarginClick(document->View(), *msg.Param<const SCNotification*>());
    return 0;
}

LRESULT MainFrame::OnCharAdded(Message& msg) {
    const auto* notification = msg.Param<const SCNotification*>();
    Document* document = SelectedDocument();
    // The tag files of the other open documents answer what the document's own includes do not.
    std::vector<std::string> open;
    for (int i = 0; i < documentTabs_.Count(); ++i)
        if (Document* other = documentTabs_.DocumentAt(i); other && other != document)
            open.push_back(other->Path());
    UserFunctionLookups user;
    user.find = [&](const std::string& name, const std::string& path) {
        return tagIndex_.FindUserFunction(name, path, open);
    };
    user.names = [&](const std::string& prefix, const std::string& path) {
        return tagIndex_.UserFunctionNames(prefix, path, open);
    };
    if (!document || !CharAddedHandler(document->View(), notification->ch, document->Path(), user))
        msg.PassOn(); // on to the view's own handling
    return 0;
}

LRESULT MainFrame::IgnoreNotification(Message&) {
    return 0;
}

LRESULT MainFrame::OnSavePoint(Message& msg) {
    documentTabs_.UpdateTabText(msg.Notification()->hwndFrom);
    return 0;
}

LRESULT MainFrame::OnUpdateUI(Message& msg) {
    const auto* notification = msg.Param<const SCNotification*>();
    Document* document = SelectedDocument();
    if (!document) return 0;
    if (notification->updated & SC_UPDATE_CONTENT) UpdateLineNumberMargin(document->View());
    StyleVisibleText(document->View());
    BraceHighlight(document->View());
    return 0;
}

// ---------------------------------------------------------------------------------------
// Keys and idle time

bool MainFrame::PreTranslateMessage(MSG& msg) {
    // Alt+letter opens the command bar's menu. The frame has no menu of its own, and a child
    // window's default processing (the editor's) would look for one and find none.
    if (msg.message == WM_SYSCHAR && (HIWORD(msg.lParam) & KF_ALTDOWN) && msg.wParam != ' ' &&
        (msg.hwnd == Handle() || ::IsChild(Handle(), msg.hwnd)) &&
        bars_.OnKeyMenu(static_cast<int>(msg.wParam)))
        return true;
    if (findReplace_.IsForDialog(msg)) return ::IsDialogMessageA(findReplace_.Dialog(), &msg) != FALSE;
    if (accelerators_ && ::TranslateAcceleratorA(Handle(), accelerators_.Get(), &msg)) return true;
    return ::IsDialogMessageA(Handle(), &msg) != FALSE;
}

bool MainFrame::OnIdle() {
    // No modal loop runs while the program's own loop is idle.
    externalChangeCheck_.RunWaiting();
    UpdateCommandUI();
    return false;
}
