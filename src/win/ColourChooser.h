// The platform colour chooser, with the 16 custom colours that every chooser of the program
// shares for the run.
#pragma once

#include <windows.h>

// Opens the chooser fully expanded, owned by `owner`, on `colour`. True and `colour` set to the
// choice on OK; false and `colour` untouched on Cancel.
bool ChooseColour(HWND owner, COLORREF& colour);
