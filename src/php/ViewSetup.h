// The set-up every new editing view gets (lexer, margins, folding, list images, keywords,
// styles) and the two behaviours that rest on it: fold-margin clicks and bracket highlighting.
#pragma once

#include "win/EditorView.h"

class Settings;

void SetUpView(const EditorView& view, const Settings& settings);

// SCN_MARGINCLICK: a click in the fold margin toggles the fold of its line.
void FoldMarginClick(const EditorView& view, const SCNotification& notification);

// SCN_UPDATEUI: highlights the innermost opening bracket before the caret on its line whose
// partner is not before the caret, looking back a bounded stretch of the line.
void BraceHighlight(const EditorView& view);

// SCN_UPDATEUI after a change of the text: the line-number margin keeps its set-up width ("_9999")
// and grows when the line count needs more digits.
void UpdateLineNumberMargin(const EditorView& view);

// SCN_UPDATEUI, which the component sends while painting, before it draws: colours the lines it is
// about to show when they lie a short stretch past the coloured text (after a jump to a line or a
// found text), so they are never drawn uncoloured and without their fold markers. Lines further
// away are drawn in the background colour until the idle styling has reached them.
void StyleVisibleText(const EditorView& view);
