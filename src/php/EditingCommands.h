// The Insert menu's snippets and colour, finding text, and going to a line: commands that act
// on the selected editing view.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/EditorView.h"

// The remembered find and replace texts and options, for the life of the main window.
struct SearchState {
    std::string findText;
    std::string replaceText;
    bool matchCase = false;
    bool wholeWord = false;
    // The same texts as they were typed, in UTF-8, when the dialog's boxes gave them: the ANSI
    // texts hold look-alikes ("l" for a barred l) of what the code page lacks.
    std::string typedFind;
    std::string typedReplace;
};

// Puts text[0, split) before and text[split, end) after the caret or the selection; a selection
// stays selected, now enclosed. The undo group is left open unless `closeUndo`.
void InsertSnippet(const EditorView& view, const std::string& text, size_t split, bool closeUndo = true);
// PHP Tagged String: the selection as the content of a double-quoted string, one undo step.
void InsertTaggedString(const EditorView& view);
// The selection's text with backslashes doubled, then double quotes escaped.
std::string EscapeForDoubleQuotes(const std::string& text);

// The first "#RRGGBB" in `text` as a platform colour value, or nothing.
std::optional<COLORREF> FindColourValue(const std::string& text);
// "#RRGGBB" in upper-case digits.
std::string FormatColourValue(COLORREF colour);
// Insert > Color: the colour chooser, preset from the selection, and its choice written out.
void InsertColour(const EditorView& view, HWND owner);

// The find text as the view holds it (UTF-8 in a UTF-8 view); nothing when the view's encoding
// cannot hold what was typed.
std::optional<std::string> FindTextInView(const EditorView& view, const SearchState& search);
// The replacement as the view holds it.
std::string ReplaceTextInView(const EditorView& view, const SearchState& search);
// Selects the next match of the remembered text after the selection's end (or from its start);
// no wrap-around. True when found.
bool FindNext(const EditorView& view, const SearchState& search, bool fromSelectionEnd);
// The selection equals the find text (letter case ignored unless matchCase).
bool SelectionMatches(const EditorView& view, const SearchState& search);
// Replace All from the selection's start to the end of the text, as one undo step; returns the
// replacements. Stops at the first replacement the view refuses.
int ReplaceAll(const EditorView& view, const SearchState& search);

// Edit > Go to line: the modal dialog; moves the caret when confirmed.
void GoToLine(const EditorView& view, HWND owner);

// The selected text (empty without a selection).
std::string SelectedText(const EditorView& view);
