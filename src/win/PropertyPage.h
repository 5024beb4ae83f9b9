// Pages of property sheets from dialog templates, with the same message tables as dialogs.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "win/Dialog.h"

// Its handlers answer the sheet's notifications through their result (PSN_APPLY's PSNRET_...).
class PropertyPage : public DialogWindow {
  public:
    // The page as the sheet takes it: template `templateId`, whose caption labels the page's tab.
    // The object must outlive the sheet.
    PROPSHEETPAGEA Description(UINT templateId);

  protected:
    // Tells the sheet that the page holds changes, which enables its Apply button.
    void SetModified() const;

  private:
    static INT_PTR CALLBACK PageProcedure(HWND, UINT, WPARAM, LPARAM);
};
