// Entry point of every test program: the same platform set-up as the program's own start.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "Scintilla.h"

int main(int argc, char** argv) {
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_TAB_CLASSES |
                                                        ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    Scintilla_RegisterClasses(::GetModuleHandleA(nullptr));
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    Scintilla_ReleaseResources();
    ::CoUninitialize();
    return result;
}
