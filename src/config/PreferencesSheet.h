// File > Preferences: the modal property sheet that edits the settings file.
#pragma once

#include <windows.h>

#include "config/SyntaxHighlightingPage.h"

class Settings;

class PreferencesSheet {
  public:
    // The page takes its private copy of `settings` here, before the sheet is shown.
    explicit PreferencesSheet(Settings& settings) : syntaxPage_(settings) {}

    // Runs the sheet owned by `owner`; returns PropertySheetA's result. Apply and OK have already
    // written `settings` and its file by then; restyling the views is the caller's job.
    INT_PTR Run(HWND owner);

  private:
    SyntaxHighlightingPage syntaxPage_;
};
