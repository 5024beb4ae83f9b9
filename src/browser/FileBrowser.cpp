// FileBrowser: the shell folder tree of the Files pane, its context menu, double-click and drag.
#include "browser/FileBrowser.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <memory>

namespace {

// Posted to the tree by the thread that built the shell's system image list.
constexpr UINT systemImagesReady = WM_APP + 0x100;

// Builds the system image list, process-wide, so that the interface thread finds it made.
DWORD WINAPI BuildSystemImages(void* parameter) {
    HWND tree = static_cast<HWND>(parameter);
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    LPITEMIDLIST desktop = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop)) && desktop) {
        SHFILEINFOA info{};
        ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(desktop), 0, &info, sizeof(info),
                         SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        ::CoTaskMemFree(desktop);
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    ::PostMessageA(tree, systemImagesReady, 0, 0);
    return 0;
}

// The action of an expansion notification without its TVE_EXPANDPARTIAL and TVE_COLLAPSERESET bits.
constexpr UINT expandActionMask = TVE_COLLAPSE | TVE_EXPAND;

template <class T> ComPtr<T> ShareReference(T* object) {
    if (object) object->AddRef();
    return ComPtr<T>(object);
}

int SystemIconIndex(LPCITEMIDLIST list, UINT extraFlags) {
    SHFILEINFOA info{};
    if (!::SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof(info),
                          SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extraFlags))
        return 0;
    return info.iIcon;
}

// The shell's attributes of the row's item among `wanted`; none when the shell cannot say.
ULONG AttributesOf(const FolderItemData& record, ULONG wanted) {
    LPCITEMIDLIST own = LastIdOf(record.absoluteIdList.Get());
    ULONG attributes = wanted;
    if (FAILED(record.parentFolder->GetAttributesOf(1, &own, &attributes))) return 0;
    return attributes & wanted;
}

// The rows that get an expansion button (see the display data).
constexpr ULONG expandableAttributes = SFGAO_FOLDER | SFGAO_REMOVABLE;

// The shell's order of two rows of one folder. A failed comparison leaves them where they are.
int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM) {
    auto* a = reinterpret_cast<FolderItemData*>(first);
    auto* b = reinterpret_cast<FolderItemData*>(second);
    HRESULT order =
        a->parentFolder->CompareIDs(0, LastIdOf(a->absoluteIdList.Get()), LastIdOf(b->absoluteIdList.Get()));
    if (FAILED(order)) return 0;
    return static_cast<short>(HRESULT_CODE(order));
}

// The row as the control draws it, icon and label, for dragging. Wine's tree makes its own drag
// image one icon narrower than its image list wants and hands out an empty list.
HIMAGELIST DrawRowImage(HWND tree, HTREEITEM item) {
    char text[MAX_PATH] = "";
    TVITEMA row{};
    row.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_HANDLE;
    row.hItem = item;
    row.pszText = text;
    row.cchTextMax = MAX_PATH;
    if (!::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row))) return nullptr;
    auto icons = reinterpret_cast<HIMAGELIST>(::SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    int iconWidth = 0, iconHeight = 0;
    if (icons) ::ImageList_GetIconSize(icons, &iconWidth, &iconHeight);

    WindowDC screen(tree);
    MemoryDC memory(::CreateCompatibleDC(screen.Get()));
    if (!memory) return nullptr;
    HDC dc = memory.Get();
    int width = 0, height = 0;
    Bitmap bitmap;
    {
        // The tree's font, borrowed: the control keeps it.
        auto font = reinterpret_cast<HFONT>(::SendMessageA(tree, WM_GETFONT, 0, 0));
        SelectionScope fontScope(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
        int length = lstrlenA(text);
        SIZE label{};
        ::GetTextExtentPoint32A(dc, text, length, &label);
        int gap = iconWidth ? 2 : 0;
        width = iconWidth + gap + label.cx;
        height = std::max<int>(iconHeight, label.cy);
        bitmap.Reset(::CreateCompatibleBitmap(screen.Get(), std::max(width, 1), std::max(height, 1)));
        // The image list takes the bitmap only once it is out of the DC again.
        SelectionScope bitmapScope(dc, bitmap.Get());
        RECT all{0, 0, width, height};
        ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_WINDOW));
        if (icons) ::ImageList_Draw(icons, row.iImage, dc, 0, (height - iconHeight) / 2, ILD_NORMAL);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::TextOutA(dc, iconWidth + gap, (height - label.cy) / 2, text, length);
    }

    // Not 32 bits: the icon's pixels would bring an alpha channel in which the text is transparent.
    HIMAGELIST image =
        ::ImageList_Create(std::max(width, 1), std::max(height, 1), ILC_COLOR24 | ILC_MASK, 1, 0);
    if (image) ::ImageList_AddMasked(image, bitmap.Get(), ::GetSysColor(COLOR_WINDOW));
    return image;
}

} // namespace

const MessageRow<FileBrowser> FileBrowser::messageTable[] = {
    MessageHandler(reflectedNotify, &FileBrowser::OnReflectedNotify),
    MessageHandler(WM_INITMENUPOPUP, &FileBrowser::OnContextMenuMessage),
    MessageHandler(WM_DRAWITEM, &FileBrowser::OnContextMenuMessage),
    MessageHandler(WM_MEASUREITEM, &FileBrowser::OnContextMenuMessage),
    MessageHandler(WM_MENUCHAR, &FileBrowser::OnMenuChar),
    MessageHandler(WM_MOUSEMOVE, &FileBrowser::OnMouseMove),
    MessageHandler(WM_LBUTTONUP, &FileBrowser::OnLButtonUp),
    MessageHandler(WM_CAPTURECHANGED, &FileBrowser::OnCaptureChanged),
    MessageHandler(WM_GETDLGCODE, &FileBrowser::OnGetDlgCode),
    MessageHandler(WM_KEYDOWN, &FileBrowser::OnKeyDown),
    MessageHandler(WM_CHAR, &FileBrowser::OnChar),
    MessageHandler(systemImagesReady, &FileBrowser::OnSystemImagesReady),
};

// Dispatched with the reflected message turned back into WM_NOTIFY.
const MessageRow<FileBrowser> FileBrowser::notificationTable[] = {
    NotifyHandler(TVN_GETDISPINFOA, &FileBrowser::OnGetDispInfo),
    NotifyHandler(TVN_ITEMEXPANDINGA, &FileBrowser::OnItemExpanding),
    NotifyHandler(TVN_ITEMEXPANDEDA, &FileBrowser::OnItemExpanded),
    NotifyHandler(TVN_DELETEITEMA, &FileBrowser::OnDeleteItem),
    NotifyHandler(TVN_GETINFOTIPA, &FileBrowser::OnGetInfoTip),
    NotifyHandler(NM_RCLICK, &FileBrowser::OnRightClick),
};

FileBrowser::FileBrowser() = default;

FileBrowser::~FileBrowser() {
    // The thread holds nothing of ours, only the tree's handle, which no longer answers; the
    // short wait keeps it from being cut off inside the shell when the program ends at once.
    if (imagesThread_) ::WaitForSingleObject(imagesThread_.Get(), 2000);
}

bool FileBrowser::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

HWND FileBrowser::Create(HWND parent, UINT id) {
    HWND tree = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | TVS_HASBUTTONS |
                                      TVS_HASLINES | TVS_LINESATROOT | TVS_INFOTIP | TVS_FULLROWSELECT,
                                  0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!tree) return nullptr;
    if (!Subclass(tree)) {
        ::DestroyWindow(tree);
        return nullptr;
    }
    // The control asks its parent which notifications to send, and the tab control that holds it
    // answers "Unicode"; every handler here and in the frame reads the ANSI ones.
    ::SendMessageA(tree, TVM_SETUNICODEFORMAT, FALSE, 0);
    return tree;
}

void FileBrowser::Fill() {
    if (filled_ || !Handle()) return;
    filled_ = true;
    ::SHGetDesktopFolder(desktop_.Put());
    ::SHGetMalloc(allocator_.Put());
    if (!desktop_ || !allocator_) return;

    IdList desktopList;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, desktopList.Put(allocator_.Get()))) ||
        !desktopList)
        return;
    // Asking for any item's system index hands out the system image list itself (not a copy:
    // the tree must never destroy it, and it does not).
    SHFILEINFOA info{};
    auto images = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(desktopList.Get()), 0, &info, sizeof(info),
                         SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (images) ::SendMessageA(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
    InsertRow(TVI_ROOT, desktop_.Get(), nullptr, desktopList.Get());
}

void FileBrowser::FillSoon() {
    if (filled_ || imagesThread_ || !Handle()) return;
    imagesThread_.Reset(::CreateThread(nullptr, 0, BuildSystemImages, Handle(), 0, nullptr));
    if (!imagesThread_) Fill();
}

LRESULT FileBrowser::OnSystemImagesReady(Message&) {
    imagesThread_.Reset();
    Fill();
    return 0;
}

HTREEITEM FileBrowser::InsertRow(HTREEITEM parent, IShellFolder* folder, LPCITEMIDLIST parentList,
                                 LPCITEMIDLIST ownList) {
    auto record = std::make_unique<FolderItemData>();
    record->absoluteIdList = IdList::Join(allocator_.Get(), parentList, ownList);
    if (!record->absoluteIdList) return nullptr;
    record->parentFolder = ShareReference(folder);

    // Everything the row shows is asked for when it is first drawn.
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = LPSTR_TEXTCALLBACKA;
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = I_CHILDRENCALLBACK;
    insert.item.lParam = reinterpret_cast<LPARAM>(record.get());
    auto row = reinterpret_cast<HTREEITEM>(
        ::SendMessageA(Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (row) {
        record.release(); // the row's now; TVN_DELETEITEM frees it
        ++liveRecords_;
    }
    return row;
}

FolderItemData* FileBrowser::RecordOf(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEMA row{};
    row.mask = TVIF_PARAM | TVIF_HANDLE;
    row.hItem = item;
    if (!::SendMessageA(Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&row))) return nullptr;
    return reinterpret_cast<FolderItemData*>(row.lParam);
}

HTREEITEM FileBrowser::Root() {
    Fill();
    return reinterpret_cast<HTREEITEM>(::SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

std::string FileBrowser::PathOf(HTREEITEM item) const {
    FolderItemData* record = RecordOf(item);
    char path[MAX_PATH] = "";
    if (!record || !::SHGetPathFromIDListA(record->absoluteIdList.Get(), path)) return std::string();
    return path;
}

void FileBrowser::DeleteChildren(HTREEITEM item) {
    auto firstChild = [this, item] {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
    };
    if (!firstChild()) return;
    while (HTREEITEM child = firstChild())
        if (!::SendMessageA(Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child))) break;
    // Losing its last child takes the row's button away, and a row the control has expanded
    // once it would expand again without asking us to fill it: both are asked for afresh.
    TVITEMA row{};
    row.mask = TVIF_CHILDREN | TVIF_STATE | TVIF_HANDLE;
    row.hItem = item;
    row.cChildren = I_CHILDRENCALLBACK;
    row.stateMask = TVIS_EXPANDEDONCE;
    ::SendMessageA(Handle(), TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&row));
}

// ---------------------------------------------------------------------------------------
// The tree's own notifications

LRESULT FileBrowser::OnReflectedNotify(Message& msg) {
    Message notification = msg;
    notification.message = WM_NOTIFY;
    LRESULT result = 0;
    if (DispatchToTable(this, notificationTable, notification, result)) return result;
    msg.PassOn();
    return 0;
}

LRESULT FileBrowser::OnGetDispInfo(Message& msg) {
    TVITEMA& item = msg.Param<NMTVDISPINFOA*>()->item;
    auto* record = reinterpret_cast<FolderItemData*>(item.lParam);
    if (!record) return 0;
    LPCITEMIDLIST list = record->absoluteIdList.Get();
    LPCITEMIDLIST own = LastIdOf(list);

    if ((item.mask & TVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        item.pszText[0] = '\0';
        STRRET name{};
        if (SUCCEEDED(record->parentFolder->GetDisplayNameOf(own, SHGDN_INFOLDER, &name)))
            ::StrRetToBufA(&name, own, item.pszText, item.cchTextMax);
    }
    if (item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN)) {
        ULONG attributes = SFGAO_FOLDER | SFGAO_SHARE | SFGAO_LINK | SFGAO_GHOSTED | SFGAO_REMOVABLE;
        if (FAILED(record->parentFolder->GetAttributesOf(1, &own, &attributes))) attributes = 0;
        if (item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
            int icon = SystemIconIndex(list, 0);
            item.iImage = icon;
            if (item.mask & TVIF_SELECTEDIMAGE)
                item.iSelectedImage =
                    (attributes & SFGAO_FOLDER) ? SystemIconIndex(list, SHGFI_OPENICON) : icon;
            // Overlays 1 and 2 of the system image list: the shared hand, the shortcut arrow.
            item.mask |= TVIF_STATE;
            item.stateMask = TVIS_CUT | TVIS_OVERLAYMASK;
            item.state = (attributes & SFGAO_GHOSTED) ? TVIS_CUT : 0;
            if (attributes & SFGAO_SHARE)
                item.state |= INDEXTOOVERLAYMASK(1);
            else if (attributes & SFGAO_LINK)
                item.state |= INDEXTOOVERLAYMASK(2);
        }
        // A drive without a medium still gets its button: a medium may be in it when it is opened.
        if (item.mask & TVIF_CHILDREN)
            item.cChildren = (attributes & (SFGAO_FOLDER | SFGAO_REMOVABLE)) ? 1 : 0;
    }
    item.mask |= TVIF_DI_SETITEM;
    return 0;
}

LRESULT FileBrowser::OnItemExpanding(Message& msg) {
    const auto* info = msg.Param<const NMTREEVIEWA*>();
    if ((info->action & expandActionMask) != TVE_EXPAND) return FALSE;
    HTREEITEM row = info->itemNew.hItem;
    auto* record = reinterpret_cast<FolderItemData*>(info->itemNew.lParam);
    if (!record) record = RecordOf(row);
    if (!record) return FALSE;
    // A collapse that did not notify us (the control sends nothing for programmatic ones) left
    // the old contents behind: they are read afresh like everything else.
    DeleteChildren(row);

    LPCITEMIDLIST list = record->absoluteIdList.Get();
    ComPtr<IShellFolder> folder;
    if (IdListLength(list) == 0)
        folder = ShareReference(desktop_.Get());
    else if (FAILED(desktop_->BindToObject(list, nullptr, IID_IShellFolder,
                                           reinterpret_cast<void**>(folder.Put()))))
        folder.Reset();
    if (!folder) return FALSE;

    HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    ComPtr<IEnumIDList> items;
    if (SUCCEEDED(folder->EnumObjects(Handle(), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put())) &&
        items) {
        LPITEMIDLIST child = nullptr;
        ULONG fetched = 0;
        while (items->Next(1, &child, &fetched) == S_OK && fetched == 1) {
            IdList own(allocator_.Get(), child);
            InsertRow(row, folder.Get(), list, own.Get());
        }
        TVSORTCB sort{row, CompareRows, 0};
        ::SendMessageA(Handle(), TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    }
    ::SetCursor(previous);
    return FALSE;
}

LRESULT FileBrowser::OnItemExpanded(Message& msg) {
    const auto* info = msg.Param<const NMTREEVIEWA*>();
    if ((info->action & expandActionMask) != TVE_COLLAPSE) return 0;
    DeleteChildren(info->itemNew.hItem);
    return 0;
}

LRESULT FileBrowser::OnDeleteItem(Message& msg) {
    auto* record = reinterpret_cast<FolderItemData*>(msg.Param<const NMTREEVIEWA*>()->itemOld.lParam);
    if (record) {
        delete record;
        --liveRecords_;
    }
    return 0;
}

LRESULT FileBrowser::OnGetInfoTip(Message& msg) {
    auto* tip = msg.Param<NMTVGETINFOTIPA*>();
    if (!tip->pszText || tip->cchTextMax < MAX_PATH) return 0;
    auto* record = reinterpret_cast<FolderItemData*>(tip->lParam);
    if (!record || !::SHGetPathFromIDListA(record->absoluteIdList.Get(), tip->pszText))
        tip->pszText[0] = '\0';
    return 0;
}

// ---------------------------------------------------------------------------------------
// The shell's context menu

LRESULT FileBrowser::OnRightClick(Message&) {
    POINT screen{};
    ::GetCursorPos(&screen);
    TVHITTESTINFO hit{};
    hit.pt = screen;
    ::ScreenToClient(Handle(), &hit.pt);
    auto item =
        reinterpret_cast<HTREEITEM>(::SendMessageA(Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (!item || !(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON))) return 0;
    FolderItemData* record = RecordOf(item);
    if (!record) return 0;

    LPCITEMIDLIST own = LastIdOf(record->absoluteIdList.Get());
    ComPtr<IContextMenu> menu;
    if (FAILED(record->parentFolder->GetUIObjectOf(Handle(), 1, &own, IID_IContextMenu, nullptr,
                                                   reinterpret_cast<void**>(menu.Put()))) ||
        !menu)
        return 0;
    MenuHandle popup(::CreatePopupMenu());
    if (!popup || FAILED(menu->QueryContextMenu(popup.Get(), 0, 1, 0xFFFF, CMF_EXPLORE))) return 0;

    // A cursor beyond every monitor (a screen just unplugged) would put the menu out of sight.
    if (!::MonitorFromPoint(screen, MONITOR_DEFAULTTONULL)) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (::GetMonitorInfoA(::MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST), &monitor))
            screen.x = std::clamp(screen.x, monitor.rcWork.left, monitor.rcWork.right - 1);
    }
    menu->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(contextMenu2_.Put()));
    menu->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(contextMenu3_.Put()));
    UINT command = ::TrackPopupMenu(popup.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x,
                                    screen.y, 0, Handle(), nullptr);
    contextMenu2_.Reset();
    contextMenu3_.Reset();
    if (command >= 1 && command <= 0xFFFF) {
        CMINVOKECOMMANDINFO invoke{};
        invoke.cbSize = sizeof(invoke);
        invoke.lpVerb = MAKEINTRESOURCEA(command - 1);
        invoke.nShow = SW_SHOWNORMAL;
        menu->InvokeCommand(&invoke);
    }
    return TRUE;
}

// Submenus such as "Send To" and owner-drawn items are filled and drawn by the menu's owner.
LRESULT FileBrowser::OnContextMenuMessage(Message& msg) {
    if (!contextMenu2_ || FAILED(contextMenu2_->HandleMenuMsg(msg.message, msg.wParam, msg.lParam))) {
        msg.PassOn();
        return 0;
    }
    return msg.message == WM_INITMENUPOPUP ? 0 : TRUE;
}

LRESULT FileBrowser::OnMenuChar(Message& msg) {
    LRESULT result = 0;
    if (!contextMenu3_ ||
        FAILED(contextMenu3_->HandleMenuMsg2(msg.message, msg.wParam, msg.lParam, &result))) {
        msg.PassOn();
        return 0;
    }
    return result;
}

// ---------------------------------------------------------------------------------------
// Opening: double-click and drag

void FileBrowser::OpenSelected(HWND owner) {
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    std::string path = PathOf(item);
    if (path.empty()) return;
    if (::lstrcmpiA(::PathFindExtensionA(path.c_str()), ".php") == 0) {
        if (openDocument) openDocument(path);
    } else {
        ::ShellExecuteA(owner, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
}

// ---------------------------------------------------------------------------------------
// Enter

// Enter is the tree's: the frame's dialog navigation would take it for a default button.
LRESULT FileBrowser::OnGetDlgCode(Message& msg) {
    LRESULT code = DefaultProcessing(msg);
    const auto* key = msg.Param<const MSG*>();
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
    return code;
}

// Enter on a row with a button opens or closes it, as the tree's own + and - keys do (with the
// notifications that fill and empty it); on any other row it opens the file as a double-click.
LRESULT FileBrowser::OnKeyDown(Message& msg) {
    if (msg.wParam != VK_RETURN) {
        msg.PassOn();
        return 0;
    }
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0));
    FolderItemData* record = RecordOf(item);
    if (!record) return 0;
    if (AttributesOf(*record, expandableAttributes)) {
        auto state =
            ::SendMessageA(Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED);
        Message key = msg;
        key.wParam = (state & TVIS_EXPANDED) ? VK_SUBTRACT : VK_ADD;
        return DefaultProcessing(key);
    }
    OpenSelected(::GetAncestor(Handle(), GA_ROOT));
    return 0;
}

// The character that follows Enter would start the tree's search by first letters.
LRESULT FileBrowser::OnChar(Message& msg) {
    if (msg.wParam != '\r') msg.PassOn();
    return 0;
}

bool FileBrowser::IsOverDropTarget(POINT screen) const {
    RECT target{};
    return dropTarget && ::GetWindowRect(dropTarget, &target) && ::PtInRect(&target, screen);
}

void FileBrowser::BeginDrag(HTREEITEM item) {
    if (!item || dragging_) return;
    ::SendMessageA(Handle(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    dragImage_.Reset(reinterpret_cast<HIMAGELIST>(
        ::SendMessageA(Handle(), TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(item))));
    if (!dragImage_ || ::ImageList_GetImageCount(dragImage_.Get()) == 0)
        dragImage_.Reset(DrawRowImage(Handle(), item));
    POINT screen{};
    ::GetCursorPos(&screen);
    if (dragImage_ && ::ImageList_BeginDrag(dragImage_.Get(), 0, 0, 0))
        ::ImageList_DragEnter(nullptr, screen.x, screen.y);
    dragging_ = true;
    ::SetCapture(Handle());
}

LRESULT FileBrowser::OnMouseMove(Message& msg) {
    if (dragging_) {
        POINT screen = msg.Point();
        ::ClientToScreen(Handle(), &screen);
        ::ImageList_DragMove(screen.x, screen.y);
        // Hidden while the cursor changes, or the old cursor's trace stays in the image.
        ::ImageList_DragShowNolock(FALSE);
        ::SetCursor(::LoadCursorA(nullptr, IsOverDropTarget(screen) ? IDC_ARROW : IDC_NO));
        ::ImageList_DragShowNolock(TRUE);
    }
    msg.PassOn();
    return 0;
}

LRESULT FileBrowser::OnLButtonUp(Message& msg) {
    if (!dragging_) {
        msg.PassOn();
        return 0;
    }
    POINT screen = msg.Point();
    ::ClientToScreen(Handle(), &screen);
    ::ReleaseCapture(); // ends the drag through WM_CAPTURECHANGED
    // Only a drop where the cursor said yes opens the file: letting go anywhere else is how a
    // drag is called off.
    if (!IsOverDropTarget(screen)) return 0;
    std::string path =
        PathOf(reinterpret_cast<HTREEITEM>(::SendMessageA(Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0)));
    if (!path.empty() && openDocument) openDocument(path);
    return 0;
}

LRESULT FileBrowser::OnCaptureChanged(Message& msg) {
    if (dragging_) {
        dragging_ = false;
        if (dragImage_) {
            ::ImageList_DragLeave(nullptr);
            ::ImageList_EndDrag();
            dragImage_.Reset();
        }
    }
    msg.PassOn();
    return 0;
}
