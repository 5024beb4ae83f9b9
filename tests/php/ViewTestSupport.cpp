// Helpers of the view tests: frame fixture, keystrokes and the log of messages sent to views.
#include "ViewTestSupport.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace view_testing {

namespace {
constexpr UINT_PTR subclassId = 0x564C; // any fixed value
} // namespace

struct ViewMessageLog::Recorder {
    SciFnDirect function = nullptr;
    sptr_t pointer = 0;
    std::vector<SentMessage> sent;
};

ViewMessageLog* ViewMessageLog::active_ = nullptr;

namespace {

bool CarriesText(unsigned int message) {
    switch (message) {
    case SCI_CALLTIPSHOW:
    case SCI_AUTOCSHOW:
    case SCI_REPLACESEL:
    case SCI_SETWORDCHARS:
    case SCI_SETKEYWORDS:
    case SCI_TEXTWIDTH:
        return true;
    default:
        return false;
    }
}

sptr_t RecordingFunction(sptr_t pointer, unsigned int message, uptr_t wParam, sptr_t lParam) {
    auto* recorder = reinterpret_cast<ViewMessageLog::Recorder*>(pointer);
    SentMessage sent{message, wParam, lParam, {}};
    if (CarriesText(message) && lParam) sent.text = reinterpret_cast<const char*>(lParam);
    if (message == SCI_SETPROPERTY && wParam && lParam)
        sent.text =
            std::string(reinterpret_cast<const char*>(wParam)) + "=" + reinterpret_cast<const char*>(lParam);
    recorder->sent.push_back(std::move(sent));
    return recorder->function(recorder->pointer, message, wParam, lParam);
}

LRESULT CALLBACK ViewSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR data) {
    auto* recorder = reinterpret_cast<ViewMessageLog::Recorder*>(data);
    if (message == SCI_GETDIRECTFUNCTION) return reinterpret_cast<LRESULT>(&RecordingFunction);
    if (message == SCI_GETDIRECTPOINTER) {
        recorder->function =
            reinterpret_cast<SciFnDirect>(::DefSubclassProc(window, SCI_GETDIRECTFUNCTION, 0, 0));
        recorder->pointer = static_cast<sptr_t>(::DefSubclassProc(window, SCI_GETDIRECTPOINTER, 0, 0));
        return reinterpret_cast<LRESULT>(recorder);
    }
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, ViewSubclass, subclassId);
    return ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

ViewMessageLog::ViewMessageLog() {
    active_ = this;
    hook_ = ::SetWindowsHookExA(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
}

ViewMessageLog::~ViewMessageLog() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    active_ = nullptr;
}

LRESULT CALLBACK ViewMessageLog::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && active_) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[32] = "";
        ::GetClassNameA(window, className, sizeof(className));
        if (lstrcmpA(className, "Scintilla") == 0) {
            auto recorder = std::make_unique<Recorder>();
            if (::SetWindowSubclass(window, ViewSubclass, subclassId,
                                    reinterpret_cast<DWORD_PTR>(recorder.get())))
                active_->recorders_[window] = std::move(recorder);
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<SentMessage> ViewMessageLog::Sent(HWND view) const {
    auto found = recorders_.find(view);
    return found == recorders_.end() ? std::vector<SentMessage>{} : found->second->sent;
}

std::vector<SentMessage> ViewMessageLog::Sent(HWND view, unsigned int message) const {
    std::vector<SentMessage> selected;
    for (const SentMessage& sent : Sent(view))
        if (sent.message == message) selected.push_back(sent);
    return selected;
}

void ViewMessageLog::Clear(HWND view) {
    auto found = recorders_.find(view);
    if (found != recorders_.end()) found->second->sent.clear();
}

FrameFixture::FrameFixture() {
    // A session left in the registry would open its files instead of one untitled document.
    testing_support::ClearProgramRegistry();
    frame_ = std::make_unique<MainFrame>();
    window_ = frame_->CreateFrame();
    testing_support::PumpMessages();
}

FrameFixture::~FrameFixture() {
    if (window_ && ::IsWindow(window_)) ::DestroyWindow(window_);
    testing_support::PumpMessages();
    testing_support::ClearProgramRegistry();
}

HWND FrameFixture::View() {
    Document* document = frame_->Tabs().SelectedDocument();
    return document ? document->ViewWindow() : nullptr;
}

void Type(HWND view, const std::string& text) {
    for (char c : text) {
        if (c == '\n')
            PressKey(view, VK_RETURN);
        else
            ::SendMessageA(view, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

void PressKey(HWND view, WORD key) {
    ::SendMessageA(view, WM_KEYDOWN, key, 1);
    ::SendMessageA(view, WM_KEYUP, key, 0xC0000001);
}

void TypeCtrlSpace(HWND view) {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    BYTE saved = keys[VK_CONTROL], savedLeft = keys[VK_LCONTROL];
    keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::SendMessageA(view, WM_CHAR, ' ', 1);
    keys[VK_CONTROL] = saved;
    keys[VK_LCONTROL] = savedLeft;
    ::SetKeyboardState(keys);
}

sptr_t Call(HWND view, unsigned int message, uptr_t wParam, sptr_t lParam) {
    return ::SendMessageA(view, message, wParam, lParam);
}

void SetStyledText(HWND view, const std::string& text) {
    Call(view, SCI_SETTEXT, 0, reinterpret_cast<sptr_t>(text.c_str()));
    Call(view, SCI_COLOURISE, 0, -1);
}

std::string Text(HWND view) {
    std::string text(static_cast<size_t>(Call(view, SCI_GETLENGTH)) + 1, '\0');
    Call(view, SCI_GETTEXT, text.size(), reinterpret_cast<sptr_t>(text.data()));
    text.resize(text.size() - 1);
    return text;
}

std::string LineText(HWND view, sptr_t line) {
    sptr_t start = Call(view, SCI_POSITIONFROMLINE, line);
    sptr_t end = Call(view, SCI_GETLINEENDPOSITION, line);
    std::string text(static_cast<size_t>(end - start) + 1, '\0');
    Sci_TextRangeFull range{{start, end}, text.data()};
    Call(view, SCI_GETTEXTRANGEFULL, 0, reinterpret_cast<sptr_t>(&range));
    text.resize(static_cast<size_t>(end - start));
    return text;
}

} // namespace view_testing
