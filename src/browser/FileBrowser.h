// The Files pane: a tree of the shell namespace from the desktop down, read only where the user looks.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>

#include "browser/IdList.h"
#include "win/Handles.h"
#include "win/Window.h"

// The record behind one tree row, owned by the row and freed when the row is deleted.
struct FolderItemData {
    ComPtr<IShellFolder> parentFolder; // the folder that holds the item (the desktop's for the root)
    IdList absoluteIdList;             // from the desktop; its last element is the item's own identifier
};

class FileBrowser : public Window {
  public:
    // The desktop folder and the shell's allocator come with Fill; they are released with the object.
    FileBrowser();
    ~FileBrowser() override;

    // Creates the empty tree control in `parent`.
    HWND Create(HWND parent, UINT id);
    // Puts the desktop in as the tree's only row, once.
    void Fill();
    // The same, without holding up the interface: the shell's system image list, which takes tens
    // of milliseconds to build the first time, is built on a thread of its own, and the tree is
    // filled when it is there (or at once, if something asks for a row before).
    void FillSoon();

    // The editor's open-document operation: the only way a file of the tree reaches the editor.
    std::function<void(const std::string& path)> openDocument;
    // Dropping a dragged row on this window (the document tabs) opens it.
    HWND dropTarget = nullptr;

    // A double-click: the selected row's file goes to the editor when it is a ".php" file, to the
    // shell otherwise, with `owner` as the owner of whatever the shell shows.
    void OpenSelected(HWND owner);
    // Starts dragging `item`; the tree's mouse messages take it on from here.
    void BeginDrag(HTREEITEM item);
    bool IsDragging() const { return dragging_; }

    // The desktop's row; the tree is filled first if it is not yet.
    HTREEITEM Root();
    // The row's file-system path, empty for virtual items (My Computer, the control panel).
    std::string PathOf(HTREEITEM item) const;
    // Records of rows that exist: one per row, none leaked when rows go.
    int LiveRecords() const { return liveRecords_; }

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnReflectedNotify(Message& msg);
    LRESULT OnGetDispInfo(Message& msg);
    LRESULT OnItemExpanding(Message& msg);
    LRESULT OnItemExpanded(Message& msg);
    LRESULT OnDeleteItem(Message& msg);
    LRESULT OnGetInfoTip(Message& msg);
    LRESULT OnRightClick(Message& msg);
    LRESULT OnContextMenuMessage(Message& msg);
    LRESULT OnMenuChar(Message& msg);
    LRESULT OnMouseMove(Message& msg);
    LRESULT OnLButtonUp(Message& msg);
    LRESULT OnCaptureChanged(Message& msg);
    LRESULT OnGetDlgCode(Message& msg);
    LRESULT OnKeyDown(Message& msg);
    LRESULT OnChar(Message& msg);
    LRESULT OnSystemImagesReady(Message& msg);

    HTREEITEM InsertRow(HTREEITEM parent, IShellFolder* folder, LPCITEMIDLIST parentList,
                        LPCITEMIDLIST ownList);
    FolderItemData* RecordOf(HTREEITEM item) const;
    void DeleteChildren(HTREEITEM item);
    bool IsOverDropTarget(POINT screen) const;

    ComPtr<IShellFolder> desktop_;
    ComPtr<IMalloc> allocator_;
    int liveRecords_ = 0;
    bool filled_ = false;
    // The thread that builds the system image list, while it may still run.
    KernelHandle imagesThread_;
    // Only while a context menu is open: the menu's handlers of owner-drawn items and submenus.
    ComPtr<IContextMenu2> contextMenu2_;
    ComPtr<IContextMenu3> contextMenu3_;
    // The drag of a row out of the tree.
    bool dragging_ = false;
    ImageList dragImage_;

    static const MessageRow<FileBrowser> messageTable[];
    static const MessageRow<FileBrowser> notificationTable[];
};
