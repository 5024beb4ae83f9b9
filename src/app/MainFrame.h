// The program's only top-level window: owner of the long-lived state and of every child
// window, router of every message, notification and command.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <memory>
#include <string>

#include "browser/FileBrowser.h"
#include "config/Settings.h"
#include "documents/DocumentCommands.h"
#include "documents/DocumentHost.h"
#include "documents/DocumentTabs.h"
#include "documents/RecentFileList.h"
#include "net/UpdateChecker.h"
#include "php/EditingCommands.h"
#include "php/TagIndex.h"
#include "win/CommandBar.h"
#include "win/Handles.h"
#include "win/MessageLoop.h"
#include "win/PageTabs.h"
#include "win/PaneContainer.h"
#include "win/Splitter.h"
#include "win/Toolbar.h"
#include "win/Window.h"
#include "win/WorkerMessages.h"

// Child window identifiers of the frame's own children.
constexpr UINT ID_SPLITTER = 0xE900 + 1;
constexpr UINT ID_DOCUMENT_TABS = 0xE900 + 2;
constexpr UINT ID_TOOLS_TABS = 0xE900 + 3;
constexpr UINT ID_FILES_TREE = 0xE900 + 4;
constexpr UINT ID_COMMAND_BAR = 0xE900 + 5;

// The frame's timer for the start-up work that waits until the window has been painted.
constexpr UINT_PTR afterFirstPaintTimer = 1;

class MainFrame : public Window, public DocumentHost, public MessageFilter, public IdleHandler {
  public:
    static constexpr const char* windowClass = "QuillmarkMainFrame";

    MainFrame();
    ~MainFrame() override;

    // Creates the window with the program's title, menu, icon and styles; nullptr on failure.
    HWND CreateFrame();

    // DocumentHost
    HWND MainWindow() const override { return Handle(); }
    const Settings& ViewSettings() const override { return settings_; }
    const std::string& CtagsPath() const override { return ctagsPath_; }
    void InvalidateTagCache(const std::string& path) override;
    void AddRecentFile(const std::string& path) override;
    void OpenIncludedFile(const std::string& path) override;
    void CloseFindDialog() override;

    // MessageFilter, IdleHandler
    bool PreTranslateMessage(MSG& msg) override;
    bool OnIdle() override;

    // Recomputes the enabled state and check marks of the commands (menu and toolbar).
    void UpdateCommandUI();

    // Parts, for the tests and the neighbours that need them.
    DocumentTabs& Tabs() { return documentTabs_; }
    RecentFileList& RecentFiles() { return recentFiles_; }
    SearchState& Search() { return searchState_; }
    Settings& AppSettings() { return settings_; }
    HWND FindDialog() const { return findDialog_; }
    HMENU Menu() const { return commandBar_.Menu(); }
    HWND Rebar() const { return rebar_; }
    HWND Toolbar() const { return toolbar_; }
    HWND StatusBar() const { return statusBar_; }
    HWND UpdateBand() const { return updateBand_; }
    UpdateCheck& Updates() { return updateCheck_; }
    HWND ToolsTabs() const { return toolsTabs_; }
    HWND FilesTree() const { return filesTree_; }
    FileBrowser& Files() { return fileBrowser_; }
    CommandBar& Commands() { return commandBar_; }
    Splitter& SplitterWindow() { return splitter_; }
    PaneContainer& ToolsPane() { return toolsPane_; }
    const std::string& ProgramFolder() const { return programFolder_; }
    int TagCacheLimit() const { return tagCacheLimit_; }
    HACCEL Accelerators() const { return accelerators_.Get(); }
    bool IsBandVisible(UINT bandId) const;
    void UpdateLayout(bool resizeBars = true);

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    // Messages
    LRESULT OnCreate(Message& msg);
    LRESULT OnClose(Message& msg);
    LRESULT OnDestroy(Message& msg);
    LRESULT OnSize(Message& msg);
    LRESULT OnSetFocus(Message& msg);
    LRESULT OnActivateApp(Message& msg);
    LRESULT OnQueryEndSession(Message& msg);
    LRESULT OnEndSession(Message& msg);
    bool IsAsking() const;
    bool AskAboutEveryDocument();
    LRESULT OnCopyData(Message& msg);
    LRESULT OnDropFiles(Message& msg);
    LRESULT OnWorkerDone(Message& msg);
    LRESULT OnInitMenuPopup(Message& msg);
    LRESULT OnMenuSelect(Message& msg);
    LRESULT OnExitMenuLoop(Message& msg);
    LRESULT OnSysCommand(Message& msg);
    LRESULT OnMeasureItem(Message& msg);
    LRESULT OnDrawItem(Message& msg);
    LRESULT OnCommand(Message& msg);
    LRESULT OnNotify(Message& msg);
    LRESULT OnFindReplace(Message& msg);
    LRESULT OnTimer(Message& msg);

    // Notifications
    LRESULT OnFilesTreeDoubleClick(Message& msg);
    LRESULT OnFilesTreeBeginDrag(Message& msg);
    LRESULT OnDocumentTabChange(Message& msg);
    LRESULT OnToolsTabChange(Message& msg);
    LRESULT OnMarginClick(Message& msg);
    LRESULT OnCharAdded(Message& msg);
    LRESULT OnSavePoint(Message& msg);
    LRESULT OnUpdateUI(Message& msg);
    LRESULT OnToolTipText(Message& msg);
    LRESULT OnRebarLayout(Message& msg);
    LRESULT OnChevronPushed(Message& msg);

    // Commands
    LRESULT OnFileNew(Message& msg);
    LRESULT OnFileOpen(Message& msg);
    LRESULT OnFileSave(Message& msg);
    LRESULT OnFileSaveAs(Message& msg);
    LRESULT OnFileSaveAll(Message& msg);
    LRESULT OnFileClose(Message& msg);
    LRESULT OnRecentFile(Message& msg);
    LRESULT OnPreferences(Message& msg);
    LRESULT OnExit(Message& msg);
    LRESULT OnEditUndo(Message& msg);
    LRESULT OnEditCut(Message& msg);
    LRESULT OnEditCopy(Message& msg);
    LRESULT OnEditPaste(Message& msg);
    LRESULT OnEditSelectAll(Message& msg);
    LRESULT OnGoToLine(Message& msg);
    LRESULT OnFind(Message& msg);
    LRESULT OnReplace(Message& msg);
    LRESULT OnRepeat(Message& msg);
    LRESULT OnInsertColour(Message& msg);
    LRESULT OnInsertSnippet(Message& msg);
    LRESULT OnEncoding(Message& msg);
    LRESULT OnViewToolbar(Message& msg);
    LRESULT OnViewStatusBar(Message& msg);
    LRESULT OnViewTools(Message& msg);
    LRESULT OnToolsPaneClose(Message& msg);
    LRESULT OnFtp(Message& msg);
    LRESULT OnAbout(Message& msg);
    LRESULT OnNextPane(Message& msg);
    LRESULT OnPreviousPane(Message& msg);

    // Creation steps
    bool CreateBars();
    bool CreatePanes();
    void CheckMenuItem(UINT id, bool checked);
    void ShowStatusText(const std::string& text);
    void ShowMenuPrompt(const std::string& text);
    void EndMenuPrompt();
    Document* SelectedDocument() const;
    void FocusSelectedView();
    void SendToSelectedView(UINT message);
    void OpenFindDialog(bool find);
    void ShowFindResult(bool found);

    // Long-lived state, in the order it is built.
    std::string programFolder_;
    std::string ctagsPath_;
    Settings settings_;
    int tagCacheLimit_ = 15;
    TagIndex tagIndex_;
    RecentFileList recentFiles_;
    SearchState searchState_;
    // The modeless find or replace dialog while it is open, and what it works on.
    HWND findDialog_ = nullptr;
    bool findDialogIsFind_ = true;
    FINDREPLACEA findReplace_{};
    char findBuffer_[128] = "";
    char replaceBuffer_[128] = "";
    // The update check's thread, with what it shares with the window: updateLock and the session.
    UpdateCheck updateCheck_;

    // Child windows.
    CommandBar commandBar_;
    HWND toolbar_ = nullptr;
    HWND updateBand_ = nullptr;
    HWND rebar_ = nullptr;
    HWND statusBar_ = nullptr;
    Splitter splitter_;
    PaneContainer toolsPane_;
    PageTabs toolsPages_;
    HWND toolsTabs_ = nullptr;
    HWND filesTree_ = nullptr;
    FileBrowser fileBrowser_; // takes the shell's desktop folder and allocator when the frame is built
    DocumentTabs documentTabs_;
    ExternalChangeCheck externalChangeCheck_;
    bool closing_ = false; // the close sequence or the end of the session is asking
    ToolbarLayout toolbarLayout_;
    ImageList toolbarImages_;
    ImageList tabImages_;
    AcceleratorTable accelerators_;
    bool toolbarVisible_ = true;

    static const MessageRow<MainFrame> messageTable[];
    static const MessageRow<MainFrame> notificationTable[];
    static const MessageRow<MainFrame> commandTable[];
};
