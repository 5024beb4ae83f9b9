// A real main window in the test process, built the way the program builds it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "app/MainFrame.h"
#include "resources/Resource.h"
#include "support/TestSupport.h"
#include "win/MessageLoop.h"

namespace testing_support {

// The frame's window with this control id, at any depth: the bands' windows are the rebar's
// children, the Files tree is inside the Tools pane.
inline HWND FrameChild(HWND frame, UINT id) {
    struct Search {
        UINT id;
        HWND found;
    } search{id, nullptr};
    auto match = [](HWND child, LPARAM param) -> BOOL {
        auto* wanted = reinterpret_cast<Search*>(param);
        if (static_cast<UINT>(::GetDlgCtrlID(child)) != wanted->id) return TRUE;
        wanted->found = child;
        return FALSE;
    };
    ::EnumChildWindows(frame, match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The object of ours behind a window; a window without one of that class fails the test.
template <class T> T& PartOf(HWND window) {
    if (auto* part = dynamic_cast<T*>(Window::FromHandle(window))) return *part;
    throw std::logic_error("the window is not one of the frame's parts of that class");
}

// Whether the frame's rebar shows the band; a hidden band keeps its place among the others.
inline bool BandShown(HWND frame, UINT bandId) {
    HWND rebar = FrameChild(frame, ID_REBAR);
    int index = static_cast<int>(::SendMessageA(rebar, RB_IDTOINDEX, bandId, 0));
    REBARBANDINFOA band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE;
    if (index < 0 || !::SendMessageA(rebar, RB_GETBANDINFOA, index, reinterpret_cast<LPARAM>(&band)))
        return false;
    return (band.fStyle & RBBS_HIDDEN) == 0;
}

} // namespace testing_support

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing_support::ClearProgramRegistry();
        AppModule::Init();
        AppModule::AddMessageLoop(&loop_);
        OpenFrame();
    }

    void TearDown() override {
        CloseFrame();
        AppModule::RemoveMessageLoop();
        testing_support::ClearProgramRegistry();
    }

    void OpenFrame() {
        frame_ = std::make_unique<MainFrame>();
        // Whatever the settings file beside the tests says: no test reaches a download server.
        if (TiXmlElement* root = frame_->AppSettings().Root()) {
            TiXmlElement* update = SettingsChild(root, "Update");
            if (!update) update = root->InsertEndChild(TiXmlElement("Update"))->ToElement();
            update->SetAttribute("Host", "");
        }
        window_ = frame_->CreateFrame();
        ASSERT_NE(window_, nullptr);
        ::ShowWindow(window_, SW_SHOWNORMAL);
        // The Files tree is made once the window has been painted.
        testing_support::PumpUntil([this] { return Child(ID_FILES_TREE) != nullptr; });
    }

    // Destroys the window without the close sequence (no questions, nothing written).
    void CloseFrame() {
        if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
        testing_support::PumpMessages();
        // The window posted its quit message; it belongs to the run that the test imitates.
        MSG quit;
        while (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        frame_.reset();
        window_ = nullptr;
    }

    void Command(UINT id) { ::SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    HWND Child(UINT id) const { return testing_support::FrameChild(window_, id); }
    template <class T> T& Part(UINT id) const { return testing_support::PartOf<T>(Child(id)); }
    HMENU Menu() const { return Part<CommandBar>(ID_COMMAND_BAR).Menu(); }
    // The Tools pane has no id of its own: it is the tools tabs' parent.
    PaneContainer& ToolsPane() const {
        return testing_support::PartOf<PaneContainer>(::GetParent(Child(ID_TOOLS_TABS)));
    }

    MessageLoop loop_;
    std::unique_ptr<MainFrame> frame_;
    HWND window_ = nullptr;
};
