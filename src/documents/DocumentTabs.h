// The document tab strip: one tab per open Document, its view laid over the display area.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "documents/Document.h"
#include "win/TabControl.h"

class DocumentHost;

class DocumentTabs : public TabControl {
  public:
    explicit DocumentTabs(DocumentHost& host) : host_(host) {}

    HWND Create(HWND parent, UINT id);
    void SetImageList(HIMAGELIST images);

    Document* DocumentAt(int index) const;
    Document* SelectedDocument() const { return DocumentAt(SelectedIndex()); }
    int IndexOfView(HWND view) const;
    // The tab of the document, or -1 when it is not (or no longer) open.
    int IndexOf(const Document* document) const;

    // Opens `path` in a tab, or selects the tab that already shows it (paths compare without
    // regard to letter case; an empty path matches the first untitled document). Without a
    // path, a new untitled document. True when a tab shows the file afterwards.
    bool OpenDocument(const std::optional<std::string>& path, bool readOnly);
    // What the close box does: asks the host to close the document (by default the save prompt
    // first, see DocumentHost::CloseRequested).
    void CloseDocument(int index);
    // Closes tab `index` and its document without a question. The selection goes back to
    // `selected`, the document selected when the close was asked for; when that is the one that
    // closes, to the tab now in its place (the last one at the end), and the find dialog closes.
    void CloseTab(int index, const Document* selected);
    // Selects the tab, raises its view and gives it the focus.
    void SelectTab(int index);
    // F6 / Shift+F6: the neighbouring tab, no wrap-around.
    void SelectNeighbour(int step);
    // After TCN_SELCHANGE: the selected view comes to the top and gets the focus.
    void RaiseSelectedView();
    // The tab whose view sent a save-point notification shows the modified state again.
    void UpdateTabText(HWND view);
    void RefreshTabText(int index);
    // A double-click that the strip let through to the splitter (point in screen coordinates):
    // on the empty strip it opens a new untitled document. True when handled.
    bool OnDoubleClickOutsideTabs(POINT screenPoint);

    // Tab dragging, split into its parts so that each can be driven on its own.
    // The insertion gap for a client point (0..Count()) and the marker drawn for it.
    int DropTargetFor(POINT client, int currentTarget, RECT& marker) const;
    // Moves tab `source` to the gap `target` (before the tab now at that index).
    void MoveTab(int source, int target);
    bool IsDragging() const { return dragging_; }
    RECT CloseIconRect(int index) const;

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnLButtonDown(Message& msg);
    LRESULT OnMouseMove(Message& msg);
    LRESULT OnLButtonUp(Message& msg);
    LRESULT OnCaptureChanged(Message& msg);
    LRESULT OnSize(Message& msg);
    LRESULT OnSetFocus(Message& msg);
    LRESULT OnNotify(Message& msg);

    void PlaceView(HWND view, bool raise) const;
    void InsertTab(int index, Document* document);
    void DrawMarker(POINT client);
    void EraseMarker();

    DocumentHost& host_;
    bool dragging_ = false;
    int sourceIndex_ = -1;
    int targetIndex_ = -1;
    RECT markerRect_{};

    static const MessageRow<DocumentTabs> messageTable[];
};
