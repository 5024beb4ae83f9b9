// PreferencesSheet: the sheet around the Syntax Highlighting page.
#include "config/PreferencesSheet.h"

#include <commctrl.h>

#include "resources/Resource.h"

INT_PTR PreferencesSheet::Run(HWND owner) {
    PROPSHEETPAGEA page = syntaxPage_.Description(IDD_SYNTAX_HIGHLIGHTING);
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE; // OK, Cancel and Apply; no Help
    header.hwndParent = owner;
    header.hInstance = ::GetModuleHandleA(nullptr);
    header.pszCaption = "";
    header.nPages = 1;
    header.nStartPage = 0;
    header.ppsp = &page;
    return ::PropertySheetA(&header);
}
