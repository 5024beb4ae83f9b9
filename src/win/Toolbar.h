// Toolbars described by a toolbar resource (button ids and separators) and a bitmap strip.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

struct ToolbarLayout {
    int imageWidth = 16;
    int imageHeight = 16;
    std::vector<UINT> commands; // 0 marks a separator
};

// Reads a toolbar resource: 16-bit words version (1), width, height, count, then the ids.
bool LoadToolbarLayout(HINSTANCE instance, UINT resourceId, ToolbarLayout& layout);

// The bitmap strip as an image list; `maskColour` marks transparent pixels.
HIMAGELIST LoadToolbarImages(HINSTANCE instance, UINT bitmapId, int imageWidth, COLORREF maskColour);

// Creates a toolbar control with one button per command of the layout (images in order) and
// tooltips; the caller keeps ownership of `images`.
HWND CreateToolbarControl(HWND parent, UINT controlId, const ToolbarLayout& layout, HIMAGELIST images);

// The image index of each command that has a button, in the toolbar's order.
int ToolbarImageOf(const ToolbarLayout& layout, UINT command);
