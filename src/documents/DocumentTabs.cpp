// DocumentTabs: opening, closing, selecting and dragging document tabs.
#include "documents/DocumentTabs.h"

#include <commctrl.h>

#include "documents/DocumentHost.h"
#include "win/Handles.h"
#include "win/Paths.h"
#include "win/Strings.h"
#include "win/ToolTips.h"

namespace {
constexpr int closeIconSize = 16;

} // namespace

const MessageRow<DocumentTabs> DocumentTabs::messageTable[] = {
    MessageHandler(WM_LBUTTONDOWN, &DocumentTabs::OnLButtonDown),
    MessageHandler(WM_MOUSEMOVE, &DocumentTabs::OnMouseMove),
    MessageHandler(WM_LBUTTONUP, &DocumentTabs::OnLButtonUp),
    MessageHandler(WM_CAPTURECHANGED, &DocumentTabs::OnCaptureChanged),
    MessageHandler(WM_SIZE, &DocumentTabs::OnSize),
    MessageHandler<DocumentTabs>(WM_ERASEBKGND, &DocumentTabs::OnEraseBackground),
    MessageHandler<DocumentTabs>(WM_PAINT, &DocumentTabs::OnPaint),
    MessageHandler(WM_SETFOCUS, &DocumentTabs::OnSetFocus),
    MessageHandler(WM_NOTIFY, &DocumentTabs::OnNotify),
    MessageHandler<DocumentTabs>(WM_COMMAND, &DocumentTabs::ForwardToParent),
};

HWND DocumentTabs::Create(HWND parent, UINT id) {
    return CreateTabControl(parent, id, TCS_TOOLTIPS | TCS_FOCUSNEVER);
}

bool DocumentTabs::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

void DocumentTabs::SetImageList(HIMAGELIST images) {
    ::SendMessageA(Handle(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
}

Document* DocumentTabs::DocumentAt(int index) const {
    return reinterpret_cast<Document*>(ItemData(index));
}

int DocumentTabs::IndexOfView(HWND view) const {
    for (int i = Count() - 1; i >= 0; --i) {
        Document* document = DocumentAt(i);
        if (document && document->ViewWindow() == view) return i;
    }
    return -1;
}

int DocumentTabs::IndexOf(const Document* document) const {
    for (int i = 0; i < Count(); ++i)
        if (DocumentAt(i) == document) return i;
    return -1;
}

void DocumentTabs::PlaceView(HWND view, bool raise) const {
    RECT area = DisplayArea();
    UINT flags = SWP_NOACTIVATE | (raise ? SWP_SHOWWINDOW : SWP_NOZORDER);
    ::SetWindowPos(view, raise ? HWND_TOP : nullptr, area.left, area.top,
                   std::max<int>(0, area.right - area.left), std::max<int>(0, area.bottom - area.top), flags);
}

void DocumentTabs::InsertTab(int index, Document* document) {
    std::string text = document->TabText();
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    item.pszText = text.data();
    item.iImage = 0;
    item.lParam = reinterpret_cast<LPARAM>(document);
    ::SendMessageA(Handle(), TCM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
}

bool DocumentTabs::OpenDocument(const std::optional<std::string>& requested, bool readOnly) {
    // Documents keep full paths: a relative one would follow the current folder around.
    std::optional<std::string> path;
    if (requested) path = FullPath(*requested);
    if (path) {
        for (int i = 0; i < Count(); ++i) {
            Document* open = DocumentAt(i);
            if (open && EqualNoCase(open->Path(), *path)) {
                SelectTab(i);
                return true;
            }
        }
    }

    Document* document = Document::Create(Handle(), host_);
    if (!document) return false;
    if (path) {
        if (!document->LoadFromFile(*path)) {
            document->Destroy();
            return false;
        }
        document->OnTextMatchesFile();
        if (readOnly) document->SetReadOnly(true);
        host_.AddRecentFile(*path);
    }
    int index = Count();
    InsertTab(index, document);
    ::SendMessageA(Handle(), TCM_SETCURSEL, index, 0);
    PlaceView(document->ViewWindow(), true);
    ::SetFocus(document->ViewWindow());
    return true;
}

void DocumentTabs::SelectTab(int index) {
    if (index < 0 || index >= Count()) return;
    if (SelectedIndex() != index) ::SendMessageA(Handle(), TCM_SETCURSEL, index, 0);
    RaiseSelectedView();
}

void DocumentTabs::RaiseSelectedView() {
    Document* document = SelectedDocument();
    if (!document) return;
    ::SetWindowPos(document->ViewWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetFocus(document->ViewWindow());
}

void DocumentTabs::SelectNeighbour(int step) {
    int index = SelectedIndex() + step;
    if (index >= 0 && index < Count()) SelectTab(index);
}

void DocumentTabs::CloseDocument(int index) {
    host_.CloseRequested(*this, index);
}

void DocumentTabs::CloseTab(int index, const Document* selected) {
    Document* document = DocumentAt(index);
    if (!document) return;
    bool wasSelected = document == selected;
    ::SendMessageA(Handle(), TCM_DELETEITEM, index, 0);
    document->Destroy();
    if (wasSelected) {
        host_.CloseFindDialog();
        int count = Count();
        if (count > 0) SelectTab(std::min(index, count - 1));
    } else if (int kept = IndexOf(selected); kept >= 0) {
        ::SendMessageA(Handle(), TCM_SETCURSEL, kept, 0);
    }
}

void DocumentTabs::RefreshTabText(int index) {
    Document* document = DocumentAt(index);
    if (!document) return;
    std::string text = document->TabText();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    ::SendMessageA(Handle(), TCM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
}

void DocumentTabs::UpdateTabText(HWND view) {
    RefreshTabText(IndexOfView(view));
}

bool DocumentTabs::OnDoubleClickOutsideTabs(POINT screenPoint) {
    POINT client = screenPoint;
    ::ScreenToClient(Handle(), &client);
    RECT area{};
    ::GetClientRect(Handle(), &area);
    if (!::PtInRect(&area, client)) return false;
    TCHITTESTINFO hit{client, 0};
    if (Count() > 0 && ::SendMessageA(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0)
        return false;
    OpenDocument(std::nullopt, false);
    return true;
}

RECT DocumentTabs::CloseIconRect(int index) const {
    RECT item{};
    ::SendMessageA(Handle(), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    // The image sits at the start of the tab after the horizontal padding, centred vertically.
    int padding = ::GetSystemMetrics(SM_CXEDGE) * 3;
    int top = item.top + (item.bottom - item.top - closeIconSize) / 2;
    return RECT{item.left + padding, top, item.left + padding + closeIconSize, top + closeIconSize};
}

LRESULT DocumentTabs::OnLButtonDown(Message& msg) {
    POINT point = msg.Point();
    TCHITTESTINFO hit{point, 0};
    int index = static_cast<int>(::SendMessageA(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (index < 0) {
        msg.PassOn();
        return 0;
    }
    RECT icon = CloseIconRect(index);
    // Some tab controls report every hit as "on the item": check the icon's place ourselves.
    if ((hit.flags & TCHT_ONITEM) == TCHT_ONITEMICON || ::PtInRect(&icon, point)) {
        CloseDocument(index);
        return 0;
    }
    POINT screen = point;
    ::ClientToScreen(Handle(), &screen);
    if (::DragDetect(Handle(), screen)) {
        dragging_ = true;
        sourceIndex_ = targetIndex_ = index;
        markerRect_ = RECT{};
        POINT now;
        ::GetCursorPos(&now);
        ::ScreenToClient(Handle(), &now);
        DrawMarker(now);
        ::SetCapture(Handle());
        return 0;
    }
    msg.PassOn();
    return 0;
}

int DocumentTabs::DropTargetFor(POINT client, int currentTarget, RECT& marker) const {
    int count = Count();
    if (count == 0) return 0;
    RECT first{};
    ::SendMessageA(Handle(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    // Any height over the strip counts: test at the height of the tabs.
    TCHITTESTINFO hit{{client.x, first.top}, 0};
    int index = static_cast<int>(::SendMessageA(Handle(), TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    int target = currentTarget;
    if (index < 0) {
        if (target >= count) target = count - 1;
        if (target < 0) target = 0;
    } else {
        target = index;
    }
    RECT tab{};
    ::SendMessageA(Handle(), TCM_GETITEMRECT, target, reinterpret_cast<LPARAM>(&tab));
    int edge = tab.left;
    if (client.x >= tab.right - (tab.right - tab.left) / 2) {
        edge = tab.right;
        ++target;
    }
    marker = RECT{edge - 1, tab.top, edge + 1, tab.bottom};
    return target;
}

void DocumentTabs::DrawMarker(POINT client) {
    RECT marker{};
    targetIndex_ = DropTargetFor(client, targetIndex_, marker);
    if (::EqualRect(&marker, &markerRect_)) return;
    EraseMarker();
    markerRect_ = marker;
    WindowDC dc(Handle());
    COLORREF colour = ::GetSysColor(COLOR_HOTLIGHT);
    Brush brush(::CreateSolidBrush(colour));
    Pen pen(::CreatePen(PS_SOLID, 1, colour));
    SelectionScope brushScope(dc.Get(), brush.Get());
    SelectionScope penScope(dc.Get(), pen.Get());
    ::Rectangle(dc.Get(), marker.left, marker.top, marker.right, marker.bottom);
}

void DocumentTabs::EraseMarker() {
    if (::IsRectEmpty(&markerRect_)) return;
    ::InvalidateRect(Handle(), &markerRect_, TRUE);
    ::UpdateWindow(Handle());
    markerRect_ = RECT{};
}

LRESULT DocumentTabs::OnMouseMove(Message& msg) {
    if (dragging_) {
        POINT point = msg.Point();
        DrawMarker(point);
        RECT client{};
        ::GetClientRect(Handle(), &client);
        HWND arrows = ::FindWindowExA(Handle(), nullptr, UPDOWN_CLASSA, nullptr);
        if (arrows && ::IsWindowVisible(arrows)) {
            int position = static_cast<int>(::SendMessageA(arrows, UDM_GETPOS32, 0, 0));
            int step = point.x < client.left && position > 0 ? -1 : point.x > client.right ? 1 : 0;
            if (step != 0) {
                EraseMarker();
                ::SendMessageA(Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position + step), 0);
            }
        }
    }
    msg.PassOn();
    return 0;
}

LRESULT DocumentTabs::OnLButtonUp(Message& msg) {
    if (!dragging_) {
        msg.PassOn();
        return 0;
    }
    int source = sourceIndex_, target = targetIndex_;
    ::ReleaseCapture(); // ends the drag through WM_CAPTURECHANGED
    if (target != source) MoveTab(source, target);
    return 0;
}

void DocumentTabs::MoveTab(int source, int target) {
    Document* moved = DocumentAt(source);
    if (!moved || target < 0 || target > Count() || target == source) return;
    Document* selected = SelectedDocument();
    int destination = source < target ? target - 1 : target;
    ::SendMessageA(Handle(), TCM_DELETEITEM, source, 0);
    InsertTab(destination, moved);
    if (int kept = IndexOf(selected); kept >= 0) {
        ::SendMessageA(Handle(), TCM_SETCURSEL, kept, 0);
        if (selected != moved) RaiseSelectedView();
    }
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT DocumentTabs::OnCaptureChanged(Message& msg) {
    if (dragging_) {
        dragging_ = false;
        EraseMarker();
    }
    msg.PassOn();
    return 0;
}

LRESULT DocumentTabs::OnSize(Message& msg) {
    LRESULT result = DefaultProcessing(msg);
    for (int i = 0; i < Count(); ++i)
        if (Document* document = DocumentAt(i)) PlaceView(document->ViewWindow(), false);
    return result;
}

LRESULT DocumentTabs::OnSetFocus(Message& msg) {
    if (Document* document = SelectedDocument()) {
        ::SetFocus(document->ViewWindow());
        return 0;
    }
    msg.PassOn();
    return 0;
}

LRESULT DocumentTabs::OnNotify(Message& msg) {
    // The strip's own tooltips show each document's full path. The views' notifications pass
    // here too, a stream of them while text changes: only a tooltip's request is worth asking
    // the control for its tooltip window.
    const NMHDR* header = msg.Notification();
    bool tooltipRequest = header && (header->code == TTN_GETDISPINFOA || header->code == TTN_GETDISPINFOW);
    HWND tooltips =
        tooltipRequest ? reinterpret_cast<HWND>(::SendMessageA(Handle(), TCM_GETTOOLTIPS, 0, 0)) : nullptr;
    if (tooltipRequest && tooltips && header->hwndFrom == tooltips) {
        Document* document = DocumentAt(static_cast<int>(header->idFrom));
        std::string tip = document ? (document->Path().empty() ? "(untitled)" : document->Path()) : "";
        AnswerToolTipText(msg.lParam, tip);
        return 0;
    }
    return ForwardToParent(msg);
}
