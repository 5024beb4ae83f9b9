// CharAddedHandler and AutoIndent.
#include "php/CallTips.h"

#include <algorithm>

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

// The catalogue's items and the user's function names in one list, in the catalogue's item
// order (byte order of the whole "name?2" item), each name once.
std::optional<std::string> MergedCompletionList(std::optional<std::string> catalogue,
                                                const std::vector<std::string>& userNames) {
    if (userNames.empty()) return catalogue;
    std::vector<std::string> items;
    if (catalogue) {
        for (size_t start = 0; start <= catalogue->size();) {
            size_t end = std::min(catalogue->find(' ', start), catalogue->size());
            items.push_back(catalogue->substr(start, end - start));
            start = end + 1;
        }
    }
    for (const std::string& name : userNames)
        items.push_back(name + "?2");
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    std::string list;
    for (const std::string& item : items) {
        if (!list.empty()) list += ' ';
        list += item;
    }
    return list;
}

void ShowCompletionList(const EditorView& view, Sci_Position caret, const std::string& documentPath,
                        const UserFunctionNameLookup& userNames) {
    // Ctrl+Space typed a space: it goes before anything is looked at.
    if (caret < 1) return;
    view.Call(SCI_SETSEL, caret - 1, caret);
    view.Call(SCI_REPLACESEL, 0, "");
    caret = view.Call(SCI_GETCURRENTPOS);

    ViewText line(view, LineStartOf(view, caret), caret);
    if (!IsWordByte(line.At(caret - 1))) return;
    Sci_Position start = WordStart(line, caret - 1);
    std::string prefix = TextRange(view, start, caret);
    std::optional<std::string> list = CompletionList(prefix);
    if (userNames && !documentPath.empty())
        list = MergedCompletionList(std::move(list), userNames(prefix, documentPath));
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
                      const UserFunctionLookups& userFunctions) {
    Sci_Position caret = view.Call(SCI_GETCURRENTPOS);
    // The style after the caret: the typed character itself is not styled yet.
    bool assist = IsAssistStyle(view.Call(SCI_GETSTYLEAT, caret));
    switch (character) {
    case '(':
        if (!assist) return false;
        ShowCallTip(view, caret, documentPath, userFunctions.find);
        return true;
    case ')':
        if (!assist) return false;
        if (view.Call(SCI_CALLTIPACTIVE)) view.Call(SCI_CALLTIPCANCEL);
        return true;
    case ' ':
        if (::GetKeyState(VK_CONTROL) >= 0 || !assist) return false;
        ShowCompletionList(view, caret, documentPath, userFunctions.names);
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
    // Enter adds a CR alone where lines end so.
    bool enter = character == '\n' || (character == '\r' && view.Call(SCI_GETEOLMODE) == SC_EOL_CR);
    if (enter) {
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
