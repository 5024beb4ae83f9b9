// Toolbar resources and toolbar controls built from them.
#include "win/Toolbar.h"

#include <commctrl.h>

namespace {
const LPCSTR toolbarResourceType = MAKEINTRESOURCEA(241);
}

bool LoadToolbarLayout(HINSTANCE instance, UINT resourceId, ToolbarLayout& layout) {
    HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(resourceId), toolbarResourceType);
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(instance, resource);
    DWORD size = ::SizeofResource(instance, resource);
    auto* words = static_cast<const WORD*>(::LockResource(loaded));
    if (!words || size < 4 * sizeof(WORD) || words[0] != 1) return false;
    WORD count = words[3];
    if (size < (4u + count) * sizeof(WORD)) return false;
    layout.imageWidth = words[1];
    layout.imageHeight = words[2];
    layout.commands.assign(words + 4, words + 4 + count);
    return true;
}

HIMAGELIST LoadToolbarImages(HINSTANCE instance, UINT bitmapId, int imageWidth, COLORREF maskColour) {
    return ::ImageList_LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), imageWidth, 0, maskColour,
                                  IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

int ToolbarImageOf(const ToolbarLayout& layout, UINT command) {
    int image = 0;
    for (UINT id : layout.commands) {
        if (id == 0) continue;
        if (id == command) return image;
        ++image;
    }
    return -1;
}

HWND CreateToolbarControl(HWND parent, UINT controlId, const ToolbarLayout& layout, HIMAGELIST images) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_TOOLTIPS |
                  TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    HWND toolbar = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, "", style, 0, 0, 100, 100, parent,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)),
                                     ::GetModuleHandleA(nullptr), nullptr);
    if (!toolbar) return nullptr;
    ::SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_HIDECLIPPEDBUTTONS);
    ::SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(layout.imageWidth, layout.imageHeight));
    ::SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));

    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (UINT id : layout.commands) {
        TBBUTTON button{};
        if (id == 0) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = image++;
            button.idCommand = static_cast<int>(id);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
            button.iString = -1;
        }
        buttons.push_back(button);
    }
    ::SendMessageA(toolbar, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    return toolbar;
}
