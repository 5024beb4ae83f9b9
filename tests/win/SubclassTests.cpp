// A control that a Window object subclasses keeps working as the control it is: text of any
// script passes through unchanged, another subclass on top of ours keeps its chain, and the
// control outlives the object without calling into it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "win/Window.h"

namespace {

constexpr UINT countedMessage = WM_APP + 7;

class Counting : public Window {
  public:
    int seen = 0;

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override {
        if (msg.message != countedMessage) return false;
        ++seen;
        result = 42;
        return true;
    }
};

HWND CreateEdit() {
    return ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

WNDPROC outerOriginal = nullptr;
int outerSeen = 0;

LRESULT CALLBACK OuterProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == countedMessage) ++outerSeen;
    return ::CallWindowProcW(outerOriginal, window, message, wParam, lParam);
}

} // namespace

TEST(Subclass, TheControlKeepsItsTextItsChainAndOutlivesTheObject) {
    // Text beyond the ANSI code page: a subclass that took the messages as ANSI would turn
    // these into question marks on their way to the control.
    const std::wstring text = L"\u20ac \u4e2d\u6587 \u0416";
    HWND edit = CreateEdit();
    ASSERT_TRUE(edit);
    auto object = std::make_unique<Counting>();
    ASSERT_TRUE(object->Subclass(edit));
    EXPECT_EQ(Window::FromHandle(edit), object.get());
    EXPECT_FALSE(Counting().Subclass(edit)) << "a control has one object of ours";

    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    wchar_t back[64] = L"";
    ::GetWindowTextW(edit, back, 64);
    EXPECT_EQ(std::wstring(back), text);
    EXPECT_EQ(::SendMessageW(edit, countedMessage, 0, 0), 42);
    EXPECT_EQ(object->seen, 1);

    // Someone subclasses the control after us: their procedure passes the messages on to ours.
    outerSeen = 0;
    outerOriginal = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OuterProcedure)));
    EXPECT_EQ(::SendMessageW(edit, countedMessage, 0, 0), 42);
    EXPECT_EQ(outerSeen, 1);
    object.reset();
    EXPECT_EQ(Window::FromHandle(edit), nullptr);
    // Both subclasses' messages still reach the control, and nothing calls the freed object.
    EXPECT_EQ(::SendMessageW(edit, countedMessage, 0, 0), 0);
    EXPECT_EQ(outerSeen, 2);
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"after"));
    ::GetWindowTextW(edit, back, 64);
    EXPECT_EQ(std::wstring(back), L"after");
    ::DestroyWindow(edit);

    // A control that ends before its object detaches it: the object can take another.
    Counting reused;
    HWND first = CreateEdit();
    ASSERT_TRUE(reused.Subclass(first));
    ::DestroyWindow(first);
    EXPECT_EQ(reused.Handle(), nullptr);
    HWND second = CreateEdit();
    EXPECT_TRUE(reused.Subclass(second));
    EXPECT_EQ(::SendMessageW(second, countedMessage, 0, 0), 42);
    ::DestroyWindow(second);
}
