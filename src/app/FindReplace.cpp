// FindReplace: the modeless find and replace dialogs over the selected document.
#include "app/FindReplace.h"

#include <dlgs.h>

#include <algorithm>
#include <string>

#include "app/FrameBars.h"
#include "resources/Resource.h"
#include "win/Strings.h"

UINT FindReplace::DialogMessage() {
    static const UINT message = ::RegisterWindowMessageA(FINDMSGSTRINGA);
    return message;
}

bool FindReplace::IsForDialog(const MSG& msg) const {
    return dialog_ && (msg.hwnd == dialog_ || ::IsChild(dialog_, msg.hwnd));
}

void FindReplace::OnCommand(HWND owner, UINT id) {
    if (id == ID_EDIT_REPEAT)
        Repeat(owner);
    else
        Open(owner, id == ID_EDIT_FIND);
}

void FindReplace::Close() {
    if (dialog_ && ::IsWindow(dialog_)) ::DestroyWindow(dialog_);
    dialog_ = nullptr;
}

void FindReplace::Open(HWND owner, bool find) {
    if (!tabs_.SelectedDocument()) return;
    if (dialog_ && dialogIsFind_ == find) {
        ::SetFocus(dialog_);
        return;
    }
    Close();
    lstrcpynA(findBuffer_, search_.findText.c_str(), sizeof(findBuffer_));
    lstrcpynA(replaceBuffer_, search_.replaceText.c_str(), sizeof(replaceBuffer_));
    request_ = FINDREPLACEA{};
    request_.lStructSize = sizeof(request_);
    request_.hwndOwner = owner;
    request_.Flags =
        FR_HIDEUPDOWN | (search_.matchCase ? FR_MATCHCASE : 0) | (search_.wholeWord ? FR_WHOLEWORD : 0);
    request_.lpstrFindWhat = findBuffer_;
    request_.wFindWhatLen = sizeof(findBuffer_);
    request_.lpstrReplaceWith = replaceBuffer_;
    request_.wReplaceWithLen = sizeof(replaceBuffer_);
    dialog_ = find ? ::FindTextA(&request_) : ::ReplaceTextA(&request_);
    dialogIsFind_ = find;
    // The dialog keeps the focus, so the text to find can be typed at once. Handing the focus
    // back to the view would activate the frame, and Wine then stacks the frame over its own
    // dialog: the dialog would be open but out of sight.
    if (!dialog_) return;
    // The ANSI seed holds look-alikes of what the code page lacks: the boxes get what was typed.
    SetTypedText(edt1, search_.typedFind);
    if (!find) SetTypedText(edt2, search_.typedReplace);
    ::ShowWindow(dialog_, SW_SHOW);
}

// The box's text as typed, in UTF-8, if the dialog's ANSI text `ansi` came from it; else empty.
std::string FindReplace::TypedText(int box, const std::string& ansi) const {
    HWND control = dialog_ ? ::GetDlgItem(dialog_, box) : nullptr;
    if (!control) return {};
    wchar_t text[256] = L"";
    std::wstring_view typed(text, static_cast<size_t>(std::max(::GetWindowTextW(control, text, 256), 0)));
    return !typed.empty() && NarrowText(typed, CP_ACP) == ansi ? NarrowText(typed, CP_UTF8) : std::string();
}

void FindReplace::SetTypedText(int box, const std::string& typed) const {
    if (!typed.empty()) ::SetDlgItemTextW(dialog_, box, WideText(typed, CP_UTF8).c_str());
}

void FindReplace::Repeat(HWND owner) {
    Document* document = tabs_.SelectedDocument();
    if (!document) return;
    if (search_.findText.empty()) {
        Open(owner, true);
        return;
    }
    ShowResult(FindNext(document->View(), search_, true));
    ::SetFocus(document->ViewWindow());
}

// The search does not wrap around, so reaching the end must be told: silence reads as a command
// that did not run. A later match clears the message again.
void FindReplace::ShowResult(bool found) {
    if (found) {
        bars_.ShowStatusText(LoadResourceString(IDS_IDLE_MESSAGE));
        return;
    }
    ::MessageBeep(0xFFFFFFFF);
    bars_.ShowStatusText(FormatResourceString(IDS_TEXT_NOT_FOUND, {search_.findText}));
}

void FindReplace::OnDialogMessage(const FINDREPLACEA& request) {
    if (request.Flags & FR_DIALOGTERM) {
        dialog_ = nullptr;
        return;
    }
    search_.findText = request.lpstrFindWhat ? request.lpstrFindWhat : "";
    search_.typedFind = TypedText(edt1, search_.findText);
    search_.matchCase = (request.Flags & FR_MATCHCASE) != 0;
    search_.wholeWord = (request.Flags & FR_WHOLEWORD) != 0;
    Document* document = tabs_.SelectedDocument();
    if (!document) return;
    const EditorView& view = document->View();
    if (request.Flags & FR_FINDNEXT) {
        ShowResult(FindNext(view, search_, true));
        return;
    }
    if (!(request.Flags & (FR_REPLACE | FR_REPLACEALL))) return;
    search_.replaceText = request.lpstrReplaceWith ? request.lpstrReplaceWith : "";
    search_.typedReplace = TypedText(edt2, search_.replaceText);
    // The view refuses every change: there is nothing to replace, and nothing to move on to.
    if (view.Call(SCI_GETREADONLY)) return;
    if (request.Flags & FR_REPLACE) {
        if (SelectionMatches(view, search_))
            view.Call(SCI_REPLACESEL, 0, ReplaceTextInView(view, search_).c_str());
        ShowResult(FindNext(view, search_, true));
    } else {
        HCURSOR previous = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
        int replaced = ReplaceAll(view, search_);
        ::SetCursor(previous);
        bars_.ShowStatusText(FormatResourceString(IDS_REPLACED_COUNT, {std::to_string(replaced)}));
    }
}
