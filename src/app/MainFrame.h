// The program's only top-level window: owner of the long-lived state and of every child
// window, router of every message, notification and command.
#pragma once

#include <windows.h>

#include <string>

#include "app/FindReplace.h"
#include "app/FrameBars.h"
#include "browser/FileBrowser.h"
#include "config/Settings.h"
#include "documents/DocumentCommands.h"
#include "documents/DocumentHost.h"
#include "documents/DocumentTabs.h"
#include "documents/RecentFileList.h"
#include "net/UpdateChecker.h"
#include "php/TagIndex.h"
#include "win/Handles.h"
#include "win/MessageLoop.h"
#include "win/PageTabs.h"
#include "win/PaneContainer.h"
#include "win/Splitter.h"
#include "win/Window.h"
#include "win/WorkerMessages.h"

// Child window identifiers of the frame's own children.
constexpr UINT ID_SPLITTER = 0xE900 + 1;
constexpr UINT ID_DOCUMENT_TABS = 0xE900 + 2;
constexpr UINT ID_TOOLS_TABS = 0xE900 + 3;
constexpr UINT ID_FILES_TREE = 0xE900 + 4;

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

    // The state that the tests look into; they reach the child windows by their control ids.
    DocumentTabs& Tabs() { return documentTabs_; }
    RecentFileList& RecentFiles() { return recentFiles_; }
    Settings& AppSettings() { return settings_; }
    UpdateCheck& Updates() { return updateCheck_; }
    HWND FindDialog() const { return findReplace_.Dialog(); }

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
    LRESULT OnCopyData(Message& msg);
    LRESULT OnDropFiles(Message& msg);
    LRESULT OnWorkerDone(Message& msg);
    LRESULT OnInitMenuPopup(Message& msg);
    LRESULT OnCommand(Message& msg);
    LRESULT OnNotify(Message& msg);
    LRESULT OnTimer(Message& msg);
    void CreateFilesTree();
    LRESULT ForwardToBars(Message& msg);

    // Notifications
    LRESULT OnFilesTreeDoubleClick(Message& msg);
    LRESULT OnFilesTreeBeginDrag(Message& msg);
    LRESULT OnDocumentTabChange(Message& msg);
    LRESULT OnToolsTabChange(Message& msg);
    LRESULT OnMarginClick(Message& msg);
    LRESULT OnCharAdded(Message& msg);
    LRESULT OnSavePoint(Message& msg);
    LRESULT IgnoreNotification(Message& msg);
    LRESULT OnUpdateUI(Message& msg);
    LRESULT OnRebarLayout(Message& msg);

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
    LRESULT OnViewCommand(Message& msg);
    LRESULT OnGoToLine(Message& msg);
    LRESULT OnFindCommand(Message& msg);
    LRESULT OnInsertColour(Message& msg);
    LRESULT OnInsertSnippet(Message& msg);
    LRESULT OnInsertTaggedString(Message& msg);
    LRESULT OnEncoding(Message& msg);
    LRESULT OnViewBar(Message& msg);
    LRESULT OnViewTools(Message& msg);
    LRESULT OnToolsPaneClose(Message& msg);
    LRESULT OnFtp(Message& msg);
    LRESULT OnAbout(Message& msg);
    LRESULT OnNeighbourTab(Message& msg);

    bool CreatePanes();
    void UpdateLayout(bool resizeBars = true);
    bool IsAsking() const;
    bool AskAboutEveryDocument();
    Document* SelectedDocument() const;
    void FocusSelectedView();
    void SendToSelectedView(UINT message);

    // Long-lived state, in the order it is built.
    std::string ctagsPath_;
    Settings settings_;
    TagIndex tagIndex_;
    RecentFileList recentFiles_;
    // The update check's thread, with what it shares with the window: updateLock and the session.
    UpdateCheck updateCheck_;

    // Child windows.
    FrameBars bars_;
    Splitter splitter_;
    PaneContainer toolsPane_;
    PageTabs toolsPages_;
    HWND toolsTabs_ = nullptr;
    HWND filesTree_ = nullptr;
    FileBrowser fileBrowser_; // takes the shell's desktop folder and allocator when the frame is built
    DocumentTabs documentTabs_;
    ExternalChangeCheck externalChangeCheck_;
    FindReplace findReplace_;
    bool closing_ = false; // the close sequence or the end of the session is asking
    ImageList tabImages_;
    AcceleratorTable accelerators_;
    MenuHandle menu_; // from the frame's creation until the command bar takes it
    SIZE laidOut_{};  // the client size the last full layout was for

    static const MessageRow<MainFrame> messageTable[];
    static const MessageRow<MainFrame> notificationTable[];
    static const MessageRow<MainFrame> commandTable[];
};
