// CharAddedHandler and AutoIndent.
#include "php/CallTips.h"

#include "php/PhpCatalog.h"
#include "php/ViewText.h"

namespace {

constexpr const char* superglobalList =
    "$_COOKIE?1 $_ENV?1 $_FILES?1 $_GET?1 $_POST?1 $_REQUEST?1 $_SERVER?1 $_SESSION?1";

// The HTML default style, which is also what unstyled text and the end of the text report,
// and the PHP styles. The complex-variable style (104) is left out.
bool IsAssistStyle(sptr_t style) {
    return style == 0 || (style >= 118 && style <= 127);
}

// Names as PHP spells them. Unlike the view's word characters, "$" and "#" end a word here.
bool IsWordByte(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsBlank(int c) {
    return c == ' ' || c == '\t';
}

Sci_Position LineStartOf(const EditorView& view, Sci_Position position) {
    return view.Call(SCI_POSITIONFROMLINE, view.Call(SCI_LINEFROMPOSITION, position));
}

// The first position of the run of word bytes that ends at `last`.
Sci_Position WordStart(ViewText& text, Sci_Position last) {
    Sci_Position first = last;
    while (IsWordByte(text.At(first - 1)))
        --first;
    return first;
}

std::string TextRange(const EditorView& view, Sci_Position first, Sci_Position last) {
    std::string text(static_cast<size_t>(last - first) + 1, '\0');
    Sci_TextRangeFull range{{first, last}, text.data()};
    view.Call(SCI_GETTEXTRANGEFULL, 0, &range);
    text.resize(static_cast<size_t>(last - first));
    return text;
}

void ShowCallTip(const EditorView& view, Sci_Position caret, const std::string& documentPath,
                 const UserFunctionLookup& findUserFunction) {
    // Only the caret's line before the "(" matters: the name, and blanks between it and "(".
    ViewText line(view, LineStartOf(view, caret), caret - 1);
    Sci_Position last = caret - 2;
    while (IsBlank(line.At(last)))
        --last;
    if (!IsWordByte(line.At(last))) return;
    Sci_Position start = WordStart(line, last);
    std::string name = TextRange(view, start, last + 1);

    std::optional<std::string> tip = CallTipText(name);
    if (!tip && !documentPath.empty() && findUserFunction) tip = findUserFunction(name, documentPath);
    if (!tip || tip->empty()) return;

    view.Call(SCI_CALLTIPSHOW, start, tip->c_str());
    // From the first "(" up to the last ")". A text where no ")" follows the first "(" (a
    // declaration cut short at a line break) gets no highlight rather than a reversed one.
    size_t open = tip->find('(');
    size_t close = tip->rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open)
        view.Call(SCI_CALLTIPSETHLT, open, close);
}

void ShowCompletionList(const EditorView& view, Sci_Position caret) {
    // Ctrl+Space typed a space: it goes before anything is looked at.
    if (caret < 1) return;
    view.Call(SCI_SETSEL, caret - 1, caret);
    view.Call(SCI_REPLACESEL, 0, "");
    caret = view.Call(SCI_GETCURRENTPOS);

    ViewText line(view, LineStartOf(view, caret), caret);
    if (!IsWordByte(line.At(caret - 1))) return;
    Sci_Position start = WordStart(line, caret - 1);
    std::optional<std::string> list = CompletionList(TextRange(view, start, caret));
    if (list) view.Call(SCI_AUTOCSHOW, caret - start, list->c_str());
}

void ShowSuperglobals(const EditorView& view, Sci_Position caret) {
    if (caret <= 1) return;
    if (view.Call(SCI_GETCHARAT, caret - 2) != '$') return;
    // "$_" has to start a word; after "a" or "1" it is part of something else.
    if (caret != 2 && IsWordByte(static_cast<unsigned char>(view.Call(SCI_GETCHARAT, caret - 3)))) return;
    view.Call(SCI_AUTOCSHOW, 2, superglobalList);
}

} // namespace

bool CharAddedHandler(const EditorView& view, int character, const std::string& documentPath,
                      const UserFunctionLookup& findUserFunction) {
    Sci_Position caret = view.Call(SCI_GETCURRENTPOS);
    // The style after the caret: the typed character itself is not styled yet.
    bool assist = IsAssistStyle(view.Call(SCI_GETSTYLEAT, caret));
    switch (character) {
    case '(':
        if (!assist) return false;
        ShowCallTip(view, caret, documentPath, findUserFunction);
        return true;
    case ')':
        if (!assist) return false;
        if (view.Call(SCI_CALLTIPACTIVE)) view.Call(SCI_CALLTIPCANCEL);
        return true;
    case ' ':
        if (::GetKeyState(VK_CONTROL) >= 0 || !assist) return false;
        ShowCompletionList(view, caret);
        return true;
    case '_':
        if (!assist) return false;
        ShowSuperglobals(view, caret);
        return true;
    default:
        return false;
    }
}

void AutoIndent(const EditorView& view, int character) {
    Sci_Position caret = view.Call(SCI_GETCURRENTPOS);
    sptr_t line = view.Call(SCI_LINEFROMPOSITION, caret);
    if (character == '\n') {
        // Only at the end of a line: a break in the middle leaves text that keeps its own place.
        if (line <= 0 || view.Call(SCI_POSITIONFROMLINE, line) != view.Call(SCI_GETLINEENDPOSITION, line))
            return;
        Sci_Position previousStart = view.Call(SCI_POSITIONFROMLINE, line - 1);
        Sci_Position previousEnd = view.Call(SCI_GETLINEENDPOSITION, line - 1);
        ViewText previous(view, previousStart, previousEnd);
        Sci_Position indentEnd = previousStart;
        while (IsBlank(previous.At(indentEnd)))
            ++indentEnd;
        if (indentEnd > previousStart)
            view.Call(SCI_REPLACESEL, 0, TextRange(view, previousStart, indentEnd).c_str());
        Sci_Position last = previousEnd - 1;
        while (IsBlank(previous.At(last)))
            --last;
        if (previous.At(last) == '{') view.Call(SCI_REPLACESEL, 0, "\t");
    } else if (character == '}') {
        if (line <= 0 || caret <= 1) return;
        if (!IsBlank(ViewText(view, caret - 2, caret - 1).At(caret - 2))) return;
        view.Call(SCI_SETSEL, caret - 2, caret);
        view.Call(SCI_REPLACESEL, 0, "}");
    }
}
