// A tab control whose tabs each show one page window (the tab's item data) over its display area.
#pragma once

#include "win/TabControl.h"

class PageTabs : public TabControl {
  public:
    HWND Create(HWND parent, UINT id);
    // Appends a tab for `page`, a child of this control.
    int AddPage(const char* text, HWND page);
    // Gives a tab its page, for pages made after their tab.
    void SetPage(int index, HWND page);
    HWND PageAt(int index) const;
    // Brings the selected tab's page to the top.
    void RaiseSelectedPage();
    void LayoutPages();

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnSize(Message& msg);
    LRESULT OnSetFocus(Message& msg);

    static const MessageRow<PageTabs> messageTable[];
};
