// Dropped-file handles, file dialogs and message boxes driven like a user would.
#include "support/ShellSupport.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "support/TestSupport.h"

namespace testing_support {

namespace {

constexpr int fileNameCombo = 0x47C; // cmb13 of the explorer-style dialog
constexpr int fileNameEdit = 0x480;  // edt1 of the old-style dialog
constexpr int readOnlyBox = 0x410;   // chx1

struct ChildSearch {
    HWND parent;
    int id;
    const char* className;
    HWND found = nullptr;
};

// A descendant with that identifier, and of that class when one is given; `parent` limits
// the search to direct children.
BOOL CALLBACK FindChild(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (search->parent && ::GetParent(window) != search->parent) return TRUE;
    if (::GetDlgCtrlID(window) != search->id) return TRUE;
    char className[64] = "";
    ::GetClassNameA(window, className, sizeof(className));
    if (search->className && lstrcmpiA(className, search->className) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND Child(HWND dialog, int id, const char* className, bool direct) {
    ChildSearch search{direct ? dialog : nullptr, id, className};
    ::EnumChildWindows(dialog, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectStaticText(HWND window, LPARAM param) {
    char className[64] = "";
    ::GetClassNameA(window, className, sizeof(className));
    std::string text = WindowText(window);
    if (lstrcmpiA(className, "Static") == 0 && !text.empty()) {
        auto* all = reinterpret_cast<std::string*>(param);
        if (!all->empty()) *all += "\n";
        *all += text;
    }
    return TRUE;
}

// Presses a dialog's button the way the button itself reports a click, without waiting for
// what the click starts (it may be another modal box).
void PressButton(HWND dialog, int id) {
    HWND button = Child(dialog, id, "Button", true);
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool WaitUntilGone(HWND window, int timeoutMs) {
    DWORD until = ::GetTickCount() + timeoutMs;
    while (::IsWindow(window) && ::IsWindowVisible(window)) {
        if (static_cast<int>(until - ::GetTickCount()) <= 0) return false;
        ::Sleep(10);
    }
    return true;
}

} // namespace

HDROP MakeDrop(const std::vector<std::string>& paths) {
    size_t names = 1;
    for (const std::string& path : paths)
        names += path.size() + 1;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names);
    if (!memory) return nullptr;
    auto* header = static_cast<DROPFILES*>(::GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = FALSE;
    char* name = reinterpret_cast<char*>(header + 1);
    for (const std::string& path : paths) {
        std::memcpy(name, path.c_str(), path.size() + 1);
        name += path.size() + 1;
    }
    ::GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

void SendMouse(DWORD flags, POINT screen) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    input.mi.dx = screen.x * 65535 / std::max(1, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = screen.y * 65535 / std::max(1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(input));
}

void SendKey(WORD virtualKey) {
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

FileDialogDriver::FileDialogDriver(std::string caption, std::string fileName, bool tickReadOnly,
                                   int timeoutMs) {
    thread_ = std::thread([this, caption, fileName, tickReadOnly, timeoutMs] {
        Run(caption, fileName, tickReadOnly, timeoutMs);
    });
}

FileDialogDriver::~FileDialogDriver() {
    stop_ = true;
    Finish();
}

void FileDialogDriver::Finish() {
    if (thread_.joinable()) thread_.join();
}

void FileDialogDriver::Run(const std::string& caption, const std::string& fileName, bool tickReadOnly,
                           int timeoutMs) {
    DWORD until = ::GetTickCount() + timeoutMs;
    HWND dialog = nullptr;
    while (!stop_ && !dialog) {
        std::vector<HWND> dialogs = FindDialogs(caption);
        if (!dialogs.empty())
            dialog = dialogs.front();
        else if (static_cast<int>(until - ::GetTickCount()) <= 0)
            return;
        else
            ::Sleep(20);
    }
    if (!dialog) return;
    // The dialog fills its controls while it comes up: let it settle before typing.
    ::Sleep(150);

    if (fileName.empty()) {
        PressButton(dialog, IDCANCEL);
        done_ = WaitUntilGone(dialog, 5000);
        return;
    }
    // Explorer style keeps the name in an edit inside the combo box (cmb13); the old style
    // has a plain edit (edt1).
    HWND box = Child(dialog, fileNameCombo, nullptr, true);
    if (!box) box = Child(dialog, fileNameEdit, nullptr, true);
    if (!box) return;
    HWND edit = ::FindWindowExA(box, nullptr, "Edit", nullptr);
    if (!edit) {
        HWND inner = ::FindWindowExA(box, nullptr, "ComboBox", nullptr);
        if (inner) edit = ::FindWindowExA(inner, nullptr, "Edit", nullptr);
    }
    HWND target = edit ? edit : box;
    ::SendMessageA(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
    nameTaken_ = WindowText(target) == fileName;

    if (tickReadOnly) {
        HWND check = Child(dialog, readOnlyBox, "Button", true);
        if (check && ::IsWindowVisible(check)) {
            if (::SendMessageA(check, BM_GETCHECK, 0, 0) != BST_CHECKED)
                ::SendMessageA(check, BM_CLICK, 0, 0);
            readOnlyTicked_ = ::SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        }
    }
    PressButton(dialog, IDOK);
    done_ = WaitUntilGone(dialog, 5000);
}

BoxSequence::BoxSequence(std::vector<std::pair<std::string, int>> answers, int timeoutMs) {
    thread_ = std::thread(
        [this, answers = std::move(answers), timeoutMs]() mutable { Run(std::move(answers), timeoutMs); });
}

BoxSequence::~BoxSequence() {
    Finish();
}

void BoxSequence::Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

std::vector<std::string> BoxSequence::Texts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
}

void BoxSequence::Run(std::vector<std::pair<std::string, int>> answers, int timeoutMs) {
    for (const auto& [caption, button] : answers) {
        DWORD until = ::GetTickCount() + timeoutMs;
        HWND box = nullptr;
        while (!box) {
            std::vector<HWND> boxes = FindDialogs(caption);
            for (HWND candidate : boxes)
                if (Child(candidate, button, "Button", true)) box = candidate;
            if (box) break;
            // Told to stop: finish only a box that is already up.
            if (stop_ || static_cast<int>(until - ::GetTickCount()) <= 0) return;
            ::Sleep(20);
        }
        std::string text;
        ::EnumChildWindows(box, CollectStaticText, reinterpret_cast<LPARAM>(&text));
        {
            std::lock_guard<std::mutex> guard(lock_);
            texts_.push_back(text);
        }
        // A click that reaches a box still being set up is dropped: press again until it goes.
        bool gone = false;
        for (int attempt = 0; attempt < 25 && !gone; ++attempt) {
            if (HWND pressed = Child(box, button, "Button", true)) ::SendMessageA(pressed, BM_CLICK, 0, 0);
            gone = WaitUntilGone(box, 200);
        }
        if (!gone) return;
        ++answered_;
    }
}

} // namespace testing_support
