// Snippets, colours, find and replace, and the Go To Line dialog.
#include "php/EditingCommands.h"

#include <boost/regex.hpp>

#include "resources/Resource.h"
#include "win/ColourChooser.h"
#include "win/Dialog.h"
#include "win/Strings.h"

std::string SelectedText(const EditorView& view) {
    Sci_Position start = view.Call(SCI_GETSELECTIONSTART), end = view.Call(SCI_GETSELECTIONEND);
    if (end <= start) return std::string();
    std::string text(static_cast<size_t>(end - start) + 1, '\0');
    view.Call(SCI_GETSELTEXT, 0, text.data());
    text.resize(static_cast<size_t>(end - start));
    return text;
}

void InsertSnippet(const EditorView& view, const std::string& text, size_t split, bool closeUndo) {
    split = std::min(split, text.size());
    Sci_Position start = view.Call(SCI_GETSELECTIONSTART), end = view.Call(SCI_GETSELECTIONEND);
    view.Call(SCI_BEGINUNDOACTION);
    if (start == end) {
        view.Call(SCI_INSERTTEXT, static_cast<uptr_t>(-1), text.c_str());
        Sci_Position caret = view.Call(SCI_GETCURRENTPOS) + static_cast<Sci_Position>(split);
        view.Call(SCI_SETSEL, caret, caret);
    } else {
        // The end first: inserting there leaves the start where it was.
        view.Call(SCI_INSERTTEXT, end, text.substr(split).c_str());
        view.Call(SCI_INSERTTEXT, start, text.substr(0, split).c_str());
        view.Call(SCI_SETSEL, start + static_cast<Sci_Position>(split), end + static_cast<Sci_Position>(split));
    }
    if (closeUndo) view.Call(SCI_ENDUNDOACTION);
}

std::string EscapeForDoubleQuotes(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

void InsertTaggedString(const EditorView& view) {
    InsertSnippet(view, "\"\"", 1, false);
    std::string escaped = EscapeForDoubleQuotes(SelectedText(view));
    view.Call(SCI_REPLACESEL, 0, escaped.c_str());
    view.Call(SCI_ENDUNDOACTION);
}

std::optional<COLORREF> FindColourValue(const std::string& text) {
    static const boost::regex colourPattern("#([[:xdigit:]]{2})([[:xdigit:]]{2})([[:xdigit:]]{2})");
    boost::smatch match;
    if (!boost::regex_search(text, match, colourPattern)) return std::nullopt;
    auto component = [&](int group) { return std::stoul(match[group].str(), nullptr, 16); };
    return RGB(component(1), component(2), component(3));
}

std::string FormatColourValue(COLORREF colour) {
    char text[8];
    wsprintfA(text, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

void InsertColour(const EditorView& view, HWND owner) {
    // Without a colour in the selection the chooser starts on black, as it does with no preset.
    COLORREF colour = FindColourValue(SelectedText(view)).value_or(RGB(0, 0, 0));
    if (!ChooseColour(owner, colour)) return;
    view.Call(SCI_REPLACESEL, 0, FormatColourValue(colour).c_str());
}

bool FindNext(const EditorView& view, const SearchState& search, bool fromSelectionEnd) {
    if (search.findText.empty()) return false;
    Sci_TextToFindFull find{};
    find.chrg.cpMin = view.Call(fromSelectionEnd ? SCI_GETSELECTIONEND : SCI_GETSELECTIONSTART);
    find.chrg.cpMax = view.Call(SCI_GETLENGTH);
    find.lpstrText = search.findText.c_str();
    int flags = (search.matchCase ? SCFIND_MATCHCASE : 0) | (search.wholeWord ? SCFIND_WHOLEWORD : 0);
    if (view.Call(SCI_FINDTEXTFULL, flags, &find) < 0) return false;
    view.Call(SCI_SETSEL, find.chrgText.cpMin, find.chrgText.cpMax);
    return true;
}

bool SelectionMatches(const EditorView& view, const SearchState& search) {
    std::string selected = SelectedText(view);
    if (selected.empty()) return false;
    return search.matchCase ? selected == search.findText : EqualNoCase(selected, search.findText);
}

int ReplaceAll(const EditorView& view, const SearchState& search) {
    int count = 0;
    while (FindNext(view, search, false)) {
        view.Call(SCI_REPLACESEL, 0, search.replaceText.c_str());
        ++count;
    }
    return count;
}

namespace {

class GoToLineDialog : public Dialog {
public:
    GoToLineDialog(int current, int lines) : current_(current), lines_(lines) {}
    int Line() const { return chosen_; }

protected:
    bool HandleMessage(Message& msg, LRESULT& result) override {
        if (msg.message == WM_INITDIALOG) {
            char prompt[128];
            wsprintfA(prompt, LoadResourceString(IDS_GOTO_LINE_PROMPT).c_str(), static_cast<unsigned>(lines_));
            ::SetDlgItemTextA(Handle(), IDC_GOTO_LINE_PROMPT, prompt);
            ::SetDlgItemInt(Handle(), IDC_GOTO_LINE_NUMBER, current_, TRUE);
            CenterOnOwner();
            result = TRUE;
            return true;
        }
        if (msg.message != WM_COMMAND) return false;
        if (LOWORD(msg.wParam) == IDCANCEL) {
            ::EndDialog(Handle(), IDCANCEL);
            return true;
        }
        if (LOWORD(msg.wParam) != IDOK) return false;
        BOOL number = FALSE;
        int line = static_cast<int>(::GetDlgItemInt(Handle(), IDC_GOTO_LINE_NUMBER, &number, TRUE));
        if (!number || line < 1 || line > lines_) {
            ::MessageBeep(0xFFFFFFFF);
            ::SetFocus(::GetDlgItem(Handle(), IDC_GOTO_LINE_NUMBER));
            return true;
        }
        chosen_ = line;
        ::EndDialog(Handle(), IDOK);
        return true;
    }

private:
    int current_;
    int lines_;
    int chosen_ = 0;
};

} // namespace

void GoToLine(const EditorView& view, HWND owner) {
    int current = static_cast<int>(view.Call(SCI_LINEFROMPOSITION, view.Call(SCI_GETCURRENTPOS))) + 1;
    GoToLineDialog dialog(current, static_cast<int>(view.Call(SCI_GETLINECOUNT)));
    if (dialog.DoModal(owner, IDD_GOTO_LINE) == IDOK) view.Call(SCI_GOTOLINE, dialog.Line() - 1);
    ::SetFocus(view.Window());
}
