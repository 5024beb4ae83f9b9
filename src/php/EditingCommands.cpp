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
        view.Call(SCI_SETSEL, start + static_cast<Sci_Position>(split),
                  end + static_cast<Sci_Position>(split));
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

namespace {

bool IsUtf8View(const EditorView& view) {
    return view.Call(SCI_GETCODEPAGE) == SC_CP_UTF8;
}

// The next match of `text` (as the view holds it) in [from, to), or nothing.
std::optional<Sci_CharacterRangeFull> FindIn(const EditorView& view, const std::string& text, bool matchCase,
                                             bool wholeWord, Sci_Position from, Sci_Position to) {
    if (text.empty()) return std::nullopt;
    Sci_TextToFindFull find{};
    find.chrg.cpMin = from;
    find.chrg.cpMax = to;
    find.lpstrText = text.c_str();
    int flags = (matchCase ? SCFIND_MATCHCASE : 0) | (wholeWord ? SCFIND_WHOLEWORD : 0);
    if (view.Call(SCI_FINDTEXTFULL, flags, &find) < 0) return std::nullopt;
    return find.chrgText;
}

// The next match of the remembered text at or after `from`, up to the end (no wrap-around).
std::optional<Sci_CharacterRangeFull> FindFrom(const EditorView& view, const SearchState& search,
                                               const std::string& text, Sci_Position from) {
    return FindIn(view, text, search.matchCase, search.wholeWord, from, view.Call(SCI_GETLENGTH));
}

// `ansi` as the view holds it, or what was typed (`typed`, UTF-8) where that is known.
std::optional<std::string> InView(const EditorView& view, const std::string& ansi, const std::string& typed) {
    if (IsUtf8View(view)) return typed.empty() ? NarrowText(WideText(ansi, CP_ACP), CP_UTF8) : typed;
    if (typed.empty()) return ansi;
    BOOL lossy = FALSE;
    std::string bytes = NarrowText(WideText(typed, CP_UTF8), CP_ACP, WC_NO_BEST_FIT_CHARS, &lossy);
    if (lossy) return std::nullopt;
    return bytes;
}

} // namespace

std::optional<std::string> FindTextInView(const EditorView& view, const SearchState& search) {
    return InView(view, search.findText, search.typedFind);
}

std::string ReplaceTextInView(const EditorView& view, const SearchState& search) {
    // What an ANSI document cannot hold goes in as the look-alike the dialog chose.
    return InView(view, search.replaceText, search.typedReplace).value_or(search.replaceText);
}

bool FindNext(const EditorView& view, const SearchState& search, bool fromSelectionEnd) {
    std::optional<std::string> text = FindTextInView(view, search);
    if (!text) return false;
    auto match = FindFrom(view, search, *text,
                          view.Call(fromSelectionEnd ? SCI_GETSELECTIONEND : SCI_GETSELECTIONSTART));
    if (!match) return false;
    view.Call(SCI_SETSEL, match->cpMin, match->cpMax);
    return true;
}

bool SelectionMatches(const EditorView& view, const SearchState& search) {
    // The component compares as its search does, so Replace takes only what Find would find.
    Sci_Position start = view.Call(SCI_GETSELECTIONSTART), end = view.Call(SCI_GETSELECTIONEND);
    if (end <= start) return false;
    std::optional<std::string> text = FindTextInView(view, search);
    auto match = text ? FindIn(view, *text, search.matchCase, false, start, end) : std::nullopt;
    return match && match->cpMin == start && match->cpMax == end;
}

int ReplaceAll(const EditorView& view, const SearchState& search) {
    const std::string findText = FindTextInView(view, search).value_or(std::string());
    const std::string replaceText = ReplaceTextInView(view, search);
    const auto replacement = static_cast<Sci_Position>(replaceText.size());
    Sci_Position from = view.Call(SCI_GETSELECTIONSTART);
    int count = 0;
    view.Call(SCI_BEGINUNDOACTION);
    while (auto match = FindFrom(view, search, findText, from)) {
        Sci_Position length = view.Call(SCI_GETLENGTH);
        view.Call(SCI_SETTARGETRANGE, match->cpMin, match->cpMax);
        view.Call(SCI_REPLACETARGET, replaceText.size(), replaceText.c_str());
        // A replacement the component refused (a read-only view, say) leaves the match in place,
        // and searching on would find it again forever.
        if (view.Call(SCI_GETLENGTH) != length - (match->cpMax - match->cpMin) + replacement ||
            view.Call(SCI_GETTARGETEND) != match->cpMin + replacement)
            break;
        // Past the inserted text: a replacement that contains the find text is not replaced again.
        from = match->cpMin + replacement;
        ++count;
    }
    view.Call(SCI_ENDUNDOACTION);
    if (count > 0) view.Call(SCI_SETSEL, from, from);
    return count;
}

namespace {

class GoToLineDialog : public Dialog {
  public:
    GoToLineDialog(int current, int lines) : current_(current), lines_(lines) {}
    int Line() const { return chosen_; }

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;

  private:
    LRESULT OnInitDialog(Message&) {
        char prompt[128];
        wsprintfA(prompt, LoadResourceString(IDS_GOTO_LINE_PROMPT).c_str(), static_cast<unsigned>(lines_));
        ::SetDlgItemTextA(Handle(), IDC_GOTO_LINE_PROMPT, prompt);
        ::SetDlgItemInt(Handle(), IDC_GOTO_LINE_NUMBER, current_, TRUE);
        CenterOnOwner();
        return TRUE;
    }

    // A number outside the document keeps the dialog open.
    LRESULT OnOk(Message&) {
        BOOL number = FALSE;
        int line = static_cast<int>(::GetDlgItemInt(Handle(), IDC_GOTO_LINE_NUMBER, &number, TRUE));
        if (!number || line < 1 || line > lines_) {
            ::MessageBeep(0xFFFFFFFF);
            ::SetFocus(::GetDlgItem(Handle(), IDC_GOTO_LINE_NUMBER));
            return 0;
        }
        chosen_ = line;
        ::EndDialog(Handle(), IDOK);
        return 0;
    }

    LRESULT OnCancel(Message&) {
        ::EndDialog(Handle(), IDCANCEL);
        return 0;
    }

    int current_;
    int lines_;
    int chosen_ = 0;

    static const MessageRow<GoToLineDialog> messageTable[];
};

const MessageRow<GoToLineDialog> GoToLineDialog::messageTable[] = {
    MessageHandler(WM_INITDIALOG, &GoToLineDialog::OnInitDialog),
    CommandHandler(IDOK, &GoToLineDialog::OnOk),
    CommandHandler(IDCANCEL, &GoToLineDialog::OnCancel),
};

bool GoToLineDialog::HandleMessage(Message& msg, LRESULT& result) {
    return DispatchToTable(this, messageTable, msg, result);
}

} // namespace

void GoToLine(const EditorView& view, HWND owner) {
    int current = static_cast<int>(view.Call(SCI_LINEFROMPOSITION, view.Call(SCI_GETCURRENTPOS))) + 1;
    GoToLineDialog dialog(current, static_cast<int>(view.Call(SCI_GETLINECOUNT)));
    if (dialog.DoModal(owner, IDD_GOTO_LINE) == IDOK) view.Call(SCI_GOTOLINE, dialog.Line() - 1);
    ::SetFocus(view.Window());
}
