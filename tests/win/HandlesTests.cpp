// The handle owners close what they own, exactly once, and treat both "none" values as none.
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "win/EditorView.h"
#include "win/Handles.h"

using namespace testing_support;

TEST(Handles, KernelHandleClosesOnceAndKnowsBothNoneValues) {
    HANDLE raw = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), raw, ::GetCurrentProcess(), &copy, 0, FALSE,
                                  DUPLICATE_SAME_ACCESS));
    {
        KernelHandle owner(raw);
        EXPECT_TRUE(owner);
        KernelHandle moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_TRUE(moved);
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags)) << "the moved-to owner must have closed the handle";
    EXPECT_TRUE(::GetHandleInformation(copy, &flags));
    ::CloseHandle(copy);

    KernelHandle invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(invalid);
}

TEST(Handles, RegKeyAndFindHandle) {
    TempFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.Path("a.txt"), "x"));
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA(folder.Path("*.txt").c_str(), &data));
    EXPECT_TRUE(find);
    FindHandle none(::FindFirstFileA(folder.Path("*.none").c_str(), &data));
    EXPECT_FALSE(none);

    RegKey key;
    EXPECT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Altav\\QuillmarkHandleTest", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_TRUE(key);
    key.Reset();
    EXPECT_FALSE(key);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Altav\\QuillmarkHandleTest");
}

TEST(EditorView, DirectCallsReachTheComponent) {
    HWND window = ::CreateWindowExA(0, "Scintilla", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EditorView view(window);
    view.Call(SCI_ADDTEXT, 5, "ab\0cd");
    EXPECT_EQ(view.Call(SCI_GETLENGTH), 5);
    EXPECT_EQ(view.Call(SCI_GETCHARAT, 3), 'c');
    ::DestroyWindow(window);
}
