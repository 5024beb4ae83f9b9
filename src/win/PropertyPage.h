// Pages of property sheets from dialog templates, with the same message tables as dialogs.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "win/Dialog.h"

class PropertyPage {
  public:
    PropertyPage() = default;
    virtual ~PropertyPage() = default;
    PropertyPage(const PropertyPage&) = delete;
    PropertyPage& operator=(const PropertyPage&) = delete;

    // The page as the sheet takes it: template `templateId`, whose caption labels the page's tab.
    // The object must outlive the sheet.
    PROPSHEETPAGEA Description(UINT templateId);
    HWND Handle() const { return window_; }

  protected:
    // As Dialog::HandleMessage; a sheet notification's answer (PSN_APPLY's PSNRET_...) goes in
    // `result`.
    virtual bool HandleMessage(Message& msg, LRESULT& result) = 0;
    // Tells the sheet that the page holds changes, which enables its Apply button.
    void SetModified() const;

  private:
    static INT_PTR CALLBACK PageProcedure(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
};
