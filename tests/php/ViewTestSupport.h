// Helpers of the view tests: a main frame with its editing view, keystrokes as a user types
// them, and a log of what the program sends to its editing views.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Scintilla.h"
#include "app/MainFrame.h"
#include "win/EditorView.h"

namespace view_testing {

// One message that the program sent to a view through the component's direct function.
struct SentMessage {
    unsigned int message;
    uptr_t wParam;
    sptr_t lParam;
    std::string text; // the text argument of the messages that carry one
};

// Records the messages that the program sends to every editing view created on this thread
// while the log exists. Some of the component's state has no getter (the text of a call tip,
// the bracket highlight), so the tests read it here, at the boundary where the program hands
// it over. The component still receives and acts on every message.
//
// The log puts itself between the view and the program at the view's creation: it answers the
// component's SCI_GETDIRECTFUNCTION with a recording function that calls the real one.
class ViewMessageLog {
  public:
    ViewMessageLog();
    ~ViewMessageLog();
    ViewMessageLog(const ViewMessageLog&) = delete;
    ViewMessageLog& operator=(const ViewMessageLog&) = delete;

    std::vector<SentMessage> Sent(HWND view) const;
    std::vector<SentMessage> Sent(HWND view, unsigned int message) const;
    void Clear(HWND view);

    struct Recorder;

  private:
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);

    HHOOK hook_ = nullptr;
    std::map<HWND, std::unique_ptr<Recorder>> recorders_;
    static ViewMessageLog* active_;
};

// A main window as the program builds it at start (no session: the registry key is cleared),
// with its one untitled document, hidden. Destroyed at the end of the test.
class FrameFixture {
  public:
    FrameFixture();
    ~FrameFixture();

    // The selected document's view, the one the frame's notification handling acts on.
    HWND View();
    // Opens a file in a new tab the way the File menu does.
    bool Open(const std::string& path) { return frame_->Tabs().OpenDocument(path, false); }
    bool CtagsMissing() const { return frame_->CtagsPath().empty(); }

  private:
    std::unique_ptr<MainFrame> frame_;
    HWND window_ = nullptr;
};

// Keystrokes as the keyboard sends them: a line feed is the Enter key, every other character
// a WM_CHAR. SCN_CHARADDED then travels the program's way: view, main window, reflection.
void Type(HWND view, const std::string& text);
// Ctrl+Space: the key state says Ctrl is down while the space arrives.
void TypeCtrlSpace(HWND view);
void PressKey(HWND view, WORD key);

// Replaces the text and styles all of it. A view that has never been painted has styled
// nothing: the lexer runs only when the component paints or is asked to, and an unstyled
// character reports style 0. SCI_COLOURISE is that request; characters typed afterwards keep
// the styles of the text around them until the next styling pass.
void SetStyledText(HWND view, const std::string& text);

sptr_t Call(HWND view, unsigned int message, uptr_t wParam = 0, sptr_t lParam = 0);
std::string Text(HWND view);
std::string LineText(HWND view, sptr_t line);

} // namespace view_testing
