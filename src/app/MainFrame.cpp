// MainFrame: creation, layout, routing of messages and notifications, close sequence.
#include "app/MainFrame.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "app/OpenRequest.h"
#include "config/DefaultEditor.h"
#include "documents/DocumentCommands.h"
#include "documents/Session.h"
#include "ReleaseChannel.h"
#include "php/CallTips.h"
#include "php/ViewSetup.h"
#include "resources/Resource.h"
#include "win/Strings.h"
#include "win/ToolTips.h"

namespace {

UINT FindReplaceMessage() {
    static const UINT message = ::RegisterWindowMessageA(FINDMSGSTRINGA);
    return message;
}

// The window's own visibility, whether or not its parent is shown yet: the layout done while
// the frame is still hidden must already leave room for the bars.
bool IsShown(HWND window) {
    return window && (::GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

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
    MessageHandler(WM_MENUSELECT, &MainFrame::OnMenuSelect),
    MessageHandler(WM_EXITMENULOOP, &MainFrame::OnExitMenuLoop),
    MessageHandler(WM_SYSCOMMAND, &MainFrame::OnSysCommand),
    MessageHandler(WM_MEASUREITEM, &MainFrame::OnMeasureItem),
    MessageHandler(WM_DRAWITEM, &MainFrame::OnDrawItem),
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
    NotifyHandler(TTN_GETDISPINFOA, &MainFrame::OnToolTipText),
    NotifyHandler(TTN_GETDISPINFOW, &MainFrame::OnToolTipText),
    // The standard frame's own share: the rebar's layout and chevrons.
    NotifyHandler(RBN_AUTOSIZE, &MainFrame::OnRebarLayout),
    NotifyHandler(RBN_HEIGHTCHANGE, &MainFrame::OnRebarLayout),
    NotifyHandler(RBN_CHEVRONPUSHED, &MainFrame::OnChevronPushed),
};

MainFrame::MainFrame() : documentTabs_(*this), externalChangeCheck_(documentTabs_, *this) {
    programFolder_ = ExecutableFolder();
    ctagsPath_ = programFolder_ + "ctags.exe";
    DWORD attributes = ::GetFileAttributesA(ctagsPath_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) ctagsPath_.clear();
    tagCacheLimit_ = Settings::kDefaultTagCacheLimit;
    if (settings_.Load(programFolder_ + Settings::kFileName)) tagCacheLimit_ = ReadTagCacheLimit(settings_);
    TagLimits tagLimits = ReadTagLimits(settings_);
    tagLimits.cacheEntries = tagCacheLimit_;
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
    HMENU menu = ::LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    WindowCreation creation;
    creation.title = title.c_str();
    creation.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    creation.exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
    creation.menuOrId = menu;
    HWND frame = Create(windowClass, creation);
    if (!frame && menu && ::IsMenu(menu)) ::DestroyMenu(menu);
    return frame;
}

bool MainFrame::HandleMessage(Message& msg, LRESULT& result) {
    if (msg.message == FindReplaceMessage()) {
        result = OnFindReplace(msg);
        return msg.handled;
    }
    return DispatchToTable(this, messageTable, msg, result);
}

// ---------------------------------------------------------------------------------------
// Creation

bool MainFrame::CreateBars() {
    HWND frame = Handle();
    HINSTANCE instance = ::GetModuleHandleA(nullptr);

    // 1. The menu moves from the frame into the command bar, with the toolbar's images.
    LoadToolbarLayout(instance, IDR_MAINFRAME, toolbarLayout_);
    toolbarImages_.Reset(
        LoadToolbarImages(instance, IDR_MAINFRAME, toolbarLayout_.imageWidth, RGB(255, 0, 255)));
    HMENU menu = ::GetMenu(frame);
    ::SetMenu(frame, nullptr);
    if (!commandBar_.Create(frame, frame, menu, ID_COMMAND_BAR)) return false;
    std::vector<std::pair<UINT, int>> images;
    for (UINT command : toolbarLayout_.commands)
        if (command) images.emplace_back(command, ToolbarImageOf(toolbarLayout_, command));
    commandBar_.SetMenuImages(toolbarImages_.Get(), images);

    // 2. The toolbar; its notifications and commands come to the frame.
    toolbar_ = CreateToolbarControl(frame, ID_TOOLBAR, toolbarLayout_, toolbarImages_.Get());
    if (!toolbar_) return false;
    ::SendMessageA(toolbar_, TB_SETPARENT, reinterpret_cast<WPARAM>(frame), 0);

    // 3. The update check's progress bar.
    updateBand_ = ::CreateWindowExA(
        0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 100, 16, frame,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_BAND_UPDATE)), instance, nullptr);

    // 4. The rebar with its three bands, the update band hidden.
    rebar_ = ::CreateWindowExA(0, REBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | RBS_BANDBORDERS |
                                   RBS_VARHEIGHT | RBS_AUTOSIZE | CCS_NODIVIDER | CCS_TOP,
                               0, 0, 0, 0, frame, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_REBAR)),
                               instance, nullptr);
    if (!rebar_) return false;
    REBARINFO info{sizeof(info)};
    ::SendMessageA(rebar_, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));

    auto addBand = [&](HWND child, UINT id, bool newRow, int height, int idealWidth, const char* text) {
        REBARBANDINFOA band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE | RBBIM_IDEALSIZE;
        band.fStyle = RBBS_CHILDEDGE | RBBS_USECHEVRON | (newRow ? RBBS_BREAK : 0);
        band.hwndChild = child;
        band.wID = id;
        band.cxMinChild = 0;
        band.cyMinChild = height;
        band.cx = idealWidth;
        band.cxIdeal = idealWidth;
        if (text) {
            band.fMask |= RBBIM_TEXT;
            band.lpText = const_cast<char*>(text);
        }
        ::SendMessageA(rebar_, RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
    };
    SIZE toolbarSize{};
    ::SendMessageA(toolbar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&toolbarSize));
    DWORD buttonSize = static_cast<DWORD>(::SendMessageA(toolbar_, TB_GETBUTTONSIZE, 0, 0));
    addBand(commandBar_.Handle(), ID_BAND_COMMAND_BAR, false, commandBar_.Height(), commandBar_.IdealWidth(),
            nullptr);
    addBand(toolbar_, ID_BAND_TOOLBAR, true, HIWORD(buttonSize), toolbarSize.cx, nullptr);
    addBand(updateBand_, ID_BAND_UPDATE, true, 16, 200, "Update");
    ::SendMessageA(rebar_, RB_SHOWBAND, ::SendMessageA(rebar_, RB_IDTOINDEX, ID_BAND_UPDATE, 0), FALSE);

    // 5. The status bar.
    std::string ready = LoadResourceString(IDS_IDLE_MESSAGE);
    statusBar_ = ::CreateStatusWindowA(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP,
                                       ready.c_str(), frame, ID_STATUS_BAR);
    if (!statusBar_) return false;
    ShowStatusText(ready);
    return true;
}

bool MainFrame::CreatePanes() {
    HWND frame = Handle();
    HINSTANCE instance = ::GetModuleHandleA(nullptr);

    // 7. The tab strip's close icon.
    tabImages_.Reset(::ImageList_LoadImageA(instance, MAKEINTRESOURCEA(IDB_TABCLOSE), 16, 0, RGB(0, 255, 0),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION));

    // 8. The splitter; double-clicks that the tab strip lets through open a new document.
    if (!splitter_.Create(frame, ID_SPLITTER)) return false;
    splitter_.onDoubleClick = [this](POINT point) {
        ::ClientToScreen(splitter_.Handle(), &point);
        return documentTabs_.OnDoubleClickOutsideTabs(point);
    };

    // 9. The Tools pane with its tabs and the Files tree.
    if (!toolsPane_.Create(splitter_.Handle(), "Tools", ID_PANE_CLOSE)) return false;
    toolsTabs_ = toolsPages_.Create(toolsPane_.Handle(), ID_TOOLS_TABS);
    if (!toolsTabs_) return false;
    filesTree_ = fileBrowser_.Create(toolsTabs_, ID_FILES_TREE);
    fileBrowser_.openDocument = [this](const std::string& path) { documentTabs_.OpenDocument(path, false); };
    toolsPages_.AddPage("Files", filesTree_);
    toolsPane_.SetClient(toolsTabs_);

    // 10. The document tabs.
    if (!documentTabs_.Create(splitter_.Handle(), ID_DOCUMENT_TABS)) return false;
    documentTabs_.SetImageList(tabImages_.Get());
    fileBrowser_.dropTarget = documentTabs_.Handle();

    // 11. Both panes in the splitter, the Tools pane 200 pixels wide.
    splitter_.SetPanes(toolsPane_.Handle(), documentTabs_.Handle());
    UpdateLayout();
    splitter_.SetSplitterPosition(200);
    // Until the user clicks into a pane, the focus that reaches the splitter goes to the
    // documents: after switching back to the program, typing goes to the editor.
    splitter_.SetDefaultActivePane(Splitter::rightPane);
    return true;
}

LRESULT MainFrame::OnCreate(Message&) {
    if (!CreateBars()) return -1;
    ::DragAcceptFiles(Handle(), TRUE); // 6.
    if (!CreatePanes()) return -1;

    // 12. Check marks of the View toggles.
    CheckMenuItem(ID_VIEW_TOOLBAR, true);
    CheckMenuItem(ID_VIEW_STATUS_BAR, true);
    CheckMenuItem(ID_VIEW_TOOLS, true);

    // 13. Keys and idle time of the thread's message loop.
    if (MessageLoop* loop = AppModule::GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }

    // 14. The recent-file list in File > Recent Files.
    HMENU fileMenu = ::GetSubMenu(Menu(), 0);
    HMENU recentMenu = fileMenu ? ::GetSubMenu(fileMenu, 7) : nullptr;
    char emptyText[128] = "";
    if (recentMenu)
        ::GetMenuStringA(recentMenu, ID_FILE_MRU_FIRST, emptyText, sizeof(emptyText), MF_BYCOMMAND);
    recentFiles_.BindMenu(recentMenu, emptyText[0] ? emptyText : "(empty)");
    recentFiles_.Read();
    recentFiles_.SetBound(RecentFileList::maxEntries);

    // A settings file that could not be read is told once, before anything else asks.
    ReportSettingsProblem(Handle(), settings_);
    // 15. The question whether to become the default editor of .php files.
    RunDefaultEditorCheck(Handle());
    // 16. The last session's documents.
    RestoreSession(documentTabs_);
    // 17. The update check, on a thread of its own (Host="" in the settings turns it off).
    std::string updateHost = ReadUpdateHost(settings_);
    if (IsUpdateHost(updateHost)) {
        UpdateCheckSetup update;
        update.host = updateHost;
        update.frame = Handle();
        update.doneMessage = WM_WORKER_DONE;
        update.rebar = rebar_;
        update.bandId = ID_BAND_UPDATE;
        update.progress = updateBand_;
        update.question = LoadResourceString(IDS_NEWER_VERSION);
        update.caption = LoadResourceString(IDS_APP_NAME);
        std::copy(std::begin(kReleasePublicKey), std::end(kReleasePublicKey), update.releaseKey.begin());
        updateCheck_.Start(update);
    }
    // 18. Never an empty strip at start.
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
    fileBrowser_.Fill();
    return 0;
}

// ---------------------------------------------------------------------------------------
// Layout, focus, activation

void MainFrame::UpdateLayout(bool resizeBars) {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    int top = client.top, bottom = client.bottom;
    if (IsShown(rebar_)) {
        // Sizing the rebar makes it report its new height, which lays the frame out again:
        // that second pass takes the bars as they are.
        if (resizeBars) ::SendMessageA(rebar_, WM_SIZE, 0, 0);
        RECT rect{};
        ::GetWindowRect(rebar_, &rect);
        top += rect.bottom - rect.top;
    }
    if (IsShown(statusBar_)) {
        if (resizeBars) ::SendMessageA(statusBar_, WM_SIZE, 0, 0);
        RECT rect{};
        ::GetWindowRect(statusBar_, &rect);
        bottom -= rect.bottom - rect.top;
    }
    if (splitter_.Handle())
        ::SetWindowPos(splitter_.Handle(), nullptr, client.left, top, client.right - client.left,
                       std::max(0, bottom - top), SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

LRESULT MainFrame::OnSize(Message& msg) {
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

bool MainFrame::IsBandVisible(UINT bandId) const {
    int index = static_cast<int>(::SendMessageA(rebar_, RB_IDTOINDEX, bandId, 0));
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE;
    if (index < 0 || !::SendMessageA(rebar_, RB_GETBANDINFOA, index, reinterpret_cast<LPARAM>(&band)))
        return false;
    return (band.fStyle & RBBS_HIDDEN) == 0;
}

// ---------------------------------------------------------------------------------------
// Opening files from other places

LRESULT MainFrame::OnCopyData(Message& msg) {
    const auto* request = reinterpret_cast<const COPYDATASTRUCT*>(msg.lParam);
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
        ::SendMessageA(rebar_, RB_SHOWBAND, ::SendMessageA(rebar_, RB_IDTOINDEX, ID_BAND_UPDATE, 0), FALSE);
        if (exitCode) ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Menus, prompts and tooltips

LRESULT MainFrame::OnInitMenuPopup(Message& msg) {
    if (HIWORD(msg.lParam)) { // the window menu
        msg.PassOn();
        return 0;
    }
    UpdateCommandUI();
    return 0;
}

void MainFrame::ShowStatusText(const std::string& text) {
    if (statusBar_) ::SendMessageA(statusBar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// While a menu is open the bar shows its simple part with the prompt of the highlighted item.
void MainFrame::ShowMenuPrompt(const std::string& text) {
    if (!statusBar_) return;
    ::SendMessageA(statusBar_, SB_SIMPLE, TRUE, 0);
    ::SendMessageA(statusBar_, SB_SETTEXTA, SB_SIMPLEID | SBT_NOBORDERS,
                   reinterpret_cast<LPARAM>(text.c_str()));
}

void MainFrame::EndMenuPrompt() {
    if (statusBar_) ::SendMessageA(statusBar_, SB_SIMPLE, FALSE, 0);
    ShowStatusText(LoadResourceString(IDS_IDLE_MESSAGE));
}

LRESULT MainFrame::OnMenuSelect(Message& msg) {
    commandBar_.OnMenuSelect(msg.wParam, msg.lParam);
    UINT id = LOWORD(msg.wParam), flags = HIWORD(msg.wParam);
    if (flags == 0xFFFF && msg.lParam == 0) {
        EndMenuPrompt();
        return 0;
    }
    std::string prompt;
    if (flags & (MF_POPUP | MF_SEPARATOR)) {
        prompt.clear();
    } else if (flags & MF_SYSMENU) {
        if (id >= SC_SIZE) prompt = CommandPrompt(LoadResourceString(IDS_SC_SIZE + (id - SC_SIZE) / 16));
    } else if (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST) {
        prompt = CommandPrompt(LoadResourceString(IDS_MRU_FILE));
    } else {
        prompt = CommandPrompt(LoadResourceString(id));
    }
    ShowMenuPrompt(prompt);
    return 0;
}

LRESULT MainFrame::OnExitMenuLoop(Message&) {
    EndMenuPrompt();
    return 0;
}

LRESULT MainFrame::OnSysCommand(Message& msg) {
    if ((msg.wParam & 0xFFF0) == SC_KEYMENU && msg.lParam != ' ') {
        if (!commandBar_.OnKeyMenu(static_cast<int>(msg.lParam))) ::MessageBeep(0);
        return 0;
    }
    msg.PassOn();
    return 0;
}

LRESULT MainFrame::OnMeasureItem(Message& msg) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(msg.lParam);
    if (item && commandBar_.OnMeasureItem(*item)) return TRUE;
    msg.PassOn();
    return 0;
}

LRESULT MainFrame::OnDrawItem(Message& msg) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(msg.lParam);
    if (item && commandBar_.OnDrawItem(*item)) return TRUE;
    msg.PassOn();
    return 0;
}

LRESULT MainFrame::OnToolTipText(Message& msg) {
    // Only the toolbar's buttons: their tool id is the command. At most 80 characters.
    UINT command = static_cast<UINT>(msg.Notification()->idFrom);
    AnswerToolTipText(msg.lParam, CommandTooltip(LoadResourceString(command)).substr(0, 79));
    return 0;
}

LRESULT MainFrame::OnChevronPushed(Message& msg) {
    const auto* chevron = reinterpret_cast<const NMREBARCHEVRON*>(msg.lParam);
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_ID;
    ::SendMessageA(rebar_, RB_GETBANDINFOA, chevron->uBand, reinterpret_cast<LPARAM>(&band));
    RECT bandRect{};
    ::GetClientRect(band.hwndChild, &bandRect);
    POINT point{chevron->rc.left, chevron->rc.bottom};
    ::ClientToScreen(rebar_, &point);
    if (band.wID == ID_BAND_COMMAND_BAR) {
        commandBar_.ShowOverflowMenu(bandRect.right, point);
        return 0;
    }
    // The toolbar: its hidden buttons as a pop-up menu.
    MenuHandle popup(::CreatePopupMenu());
    int count = static_cast<int>(::SendMessageA(toolbar_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        ::SendMessageA(toolbar_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        RECT rect{};
        ::SendMessageA(toolbar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        if (rect.right <= bandRect.right) continue;
        if (button.fsStyle & BTNS_SEP) {
            if (::GetMenuItemCount(popup.Get()) > 0) ::AppendMenuA(popup.Get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::string text = CommandTooltip(LoadResourceString(button.idCommand));
        UINT flags = MF_STRING | ((button.fsState & TBSTATE_ENABLED) ? 0 : MF_GRAYED);
        ::AppendMenuA(popup.Get(), flags, button.idCommand, text.c_str());
    }
    if (::GetMenuItemCount(popup.Get()) > 0) {
        UINT command = ::TrackPopupMenuEx(popup.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, point.x,
                                          point.y, Handle(), nullptr);
        if (command) ::PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
    return 0;
}

void MainFrame::CheckMenuItem(UINT id, bool checked) {
    ::CheckMenuItem(Menu(), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
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
    fileBrowser_.BeginDrag(reinterpret_cast<const NMTREEVIEWA*>(msg.lParam)->itemNew.hItem);
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
        FoldMarginClick(document->View(), *reinterpret_cast<const SCNotification*>(msg.lParam));
    return 0;
}

LRESULT MainFrame::OnCharAdded(Message& msg) {
    const auto* notification = reinterpret_cast<const SCNotification*>(msg.lParam);
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

LRESULT MainFrame::OnSavePoint(Message& msg) {
    documentTabs_.UpdateTabText(msg.Notification()->hwndFrom);
    return 0;
}

LRESULT MainFrame::OnUpdateUI(Message& msg) {
    const auto* notification = reinterpret_cast<const SCNotification*>(msg.lParam);
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
        commandBar_.OnKeyMenu(static_cast<int>(msg.wParam)))
        return true;
    // Keys for the find dialog are its own (Ctrl+C copies from its boxes, not the document).
    if (findDialog_ && (msg.hwnd == findDialog_ || ::IsChild(findDialog_, msg.hwnd)))
        return ::IsDialogMessageA(findDialog_, &msg) != FALSE;
    if (accelerators_ && ::TranslateAcceleratorA(Handle(), accelerators_.Get(), &msg)) return true;
    return ::IsDialogMessageA(Handle(), &msg) != FALSE;
}

bool MainFrame::OnIdle() {
    // No modal loop runs while the program's own loop is idle.
    externalChangeCheck_.RunWaiting();
    UpdateCommandUI();
    return false;
}
