// The find and replace dialogs: what they were last asked, and what their buttons do in the
// selected document.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "documents/DocumentTabs.h"
#include "php/EditingCommands.h"

class FrameBars;

class FindReplace {
  public:
    // The results show in the bars' status bar.
    FindReplace(DocumentTabs& tabs, FrameBars& bars) : tabs_(tabs), bars_(bars) {}
    // The dialog points into the object.
    FindReplace(const FindReplace&) = delete;
    FindReplace& operator=(const FindReplace&) = delete;

    // The registered message through which the dialogs report every button.
    static UINT DialogMessage();
    // The modeless dialog while it is open.
    HWND Dialog() const { return dialog_; }
    // Whether the message is for the open dialog, whose keys are its own: Ctrl+C copies from
    // its boxes, not from the document.
    bool IsForDialog(const MSG& msg) const;

    // Find, Replace and Repeat; the dialogs belong to `owner`.
    void OnCommand(HWND owner, UINT id);
    void OnDialogMessage(const FINDREPLACEA& request);
    void Close();

  private:
    void Open(HWND owner, bool find);
    void Repeat(HWND owner);
    void ShowResult(bool found);
    std::string TypedText(int box, const std::string& ansi) const;
    void SetTypedText(int box, const std::string& typed) const;

    DocumentTabs& tabs_;
    FrameBars& bars_;
    SearchState search_;
    HWND dialog_ = nullptr;
    bool dialogIsFind_ = true;
    FINDREPLACEA request_{};
    char findBuffer_[128] = "";
    char replaceBuffer_[128] = "";
};
