// ChooseColour and the custom colours it keeps.
#include "win/ColourChooser.h"

#include <commdlg.h>

namespace {

// Kept for the run, not saved: colours added in Insert > Color are offered in Preferences too.
COLORREF customColours[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                              0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};

} // namespace

bool ChooseColour(HWND owner, COLORREF& colour) {
    CHOOSECOLORA chooser{};
    chooser.lStructSize = sizeof(chooser);
    chooser.hwndOwner = owner;
    chooser.rgbResult = colour;
    chooser.lpCustColors = customColours;
    chooser.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (!::ChooseColorA(&chooser)) return false;
    colour = chooser.rgbResult;
    return true;
}
