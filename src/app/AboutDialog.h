// Help > About: the program's name and version, its logo, notice and credits.
#pragma once

#include "win/Dialog.h"
#include "win/Handles.h"

class AboutDialog : public Dialog {
  public:
    // Modal, owned by `owner` (the active window) and centred on it.
    INT_PTR Run(HWND owner);

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnInitDialog(Message& msg);
    LRESULT OnDrawItem(Message& msg);
    LRESULT OnButton(Message& msg);
    LRESULT OnClose(Message& msg);

    Font boldFont_;
    EnhMetaFile logo_;

    static const MessageRow<AboutDialog> messageTable[];
};

// The logo resource: a placeable metafile whose 22-byte header is skipped and whose standard
// metafile part is turned into an enhanced metafile. Null when the resource is missing.
HENHMETAFILE LoadLogoMetafile(UINT resourceId);
