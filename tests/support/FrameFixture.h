// A real main window in the test process, built the way the program builds it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/MainFrame.h"
#include "support/TestSupport.h"
#include "win/MessageLoop.h"

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
        testing_support::PumpMessages();
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

    MessageLoop loop_;
    std::unique_ptr<MainFrame> frame_;
    HWND window_ = nullptr;
};
