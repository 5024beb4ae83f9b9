// A vertical splitter: two panes side by side with a draggable bar between them.
#pragma once

#include <functional>

#include "win/Window.h"

class Splitter : public Window {
  public:
    enum Pane { leftPane = 0, rightPane = 1, bothPanes = -1 };

    HWND Create(HWND parent, UINT id);
    void SetPanes(HWND left, HWND right);
    HWND PaneWindow(Pane pane) const { return pane == leftPane ? panes_[0] : panes_[1]; }

    // Position of the bar's left edge in client pixels.
    void SetSplitterPosition(int position);
    int SplitterPosition() const { return position_; }
    // Shows one pane alone, or both (bothPanes). The bar keeps its position for later.
    void SetSinglePaneMode(Pane pane);
    Pane SinglePaneMode() const { return singlePane_; }
    void SetDefaultActivePane(Pane pane) { activePane_ = pane; }
    Pane DefaultActivePane() const { return activePane_; }
    void UpdateLayout();

    // Double-clicks that reach the splitter away from its bar (controls that let clicks
    // through to their parent), with the point in splitter client coordinates.
    std::function<bool(POINT)> onDoubleClick;

    static constexpr int barWidth = 4;

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnSize(Message& msg);
    LRESULT OnPaint(Message& msg);
    LRESULT OnSetCursor(Message& msg);
    LRESULT OnLButtonDown(Message& msg);
    LRESULT OnMouseMove(Message& msg);
    LRESULT OnLButtonUp(Message& msg);
    LRESULT OnCaptureChanged(Message& msg);
    LRESULT OnLButtonDoubleClick(Message& msg);
    LRESULT OnSetFocus(Message& msg);
    LRESULT OnParentNotify(Message& msg);

    bool IsOverBar(POINT point) const;
    int ClampPosition(int position) const;
    void RememberProportion();

    HWND panes_[2] = {nullptr, nullptr};
    int position_ = 200;
    int proportion_ = -1; // position per 10000 of the width; -1 until the window has a width
    int lastWidth_ = 0;
    Pane singlePane_ = bothPanes;
    Pane activePane_ = bothPanes; // none until the user clicks into a pane
    bool dragging_ = false;
    int dragOffset_ = 0;

    static const MessageRow<Splitter> messageTable[];
};
