// What the program's tab controls share: creation, the item data, the display area, and a
// background the control itself does not always paint.
#pragma once

#include <windows.h>

#include "win/Window.h"

class TabControl : public Window {
  public:
    int Count() const;
    int SelectedIndex() const;
    // The item data of tab `index` (0 when there is no such tab).
    LPARAM ItemData(int index) const;
    // The client area less the strip and the border: where the tabs' pages go.
    RECT DisplayArea() const;

  protected:
    // A subclassed "SysTabControl32" in the default GUI font with flat separators.
    HWND CreateTabControl(HWND parent, UINT id, DWORD style, DWORD exStyle = 0);

    LRESULT OnEraseBackground(Message& msg);
    LRESULT OnPaint(Message& msg);
};
