// A main window's services for documents, without ctags: its run over a large file takes far
// longer than everything else and is timed on its own.
#pragma once

#include <string>

#include "config/Settings.h"
#include "documents/DocumentHost.h"

namespace bench {

class QuietHost : public DocumentHost {
  public:
    QuietHost(HWND window, const Settings& settings) : window_(window), settings_(settings) {}
    HWND MainWindow() const override { return window_; }
    const Settings& ViewSettings() const override { return settings_; }
    const std::string& CtagsPath() const override { return noCtags_; }
    void InvalidateTagCache(const std::string&) override {}
    void AddRecentFile(const std::string&) override {}
    void OpenIncludedFile(const std::string&) override {}
    void CloseFindDialog() override {}

  private:
    HWND window_;
    const Settings& settings_;
    std::string noCtags_;
};

} // namespace bench
