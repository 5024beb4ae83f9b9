// The set-up every new editing view gets (lexer, margins, folding, list images, keywords,
// styles) and the two behaviours that rest on it: fold-margin clicks and bracket highlighting.
#pragma once

#include "win/EditorView.h"

class Settings;

void SetUpView(const EditorView& view, const Settings& settings);

// SCN_MARGINCLICK: a click in the fold margin toggles the fold of its line.
void FoldMarginClick(const EditorView& view, const SCNotification& notification);

// SCN_UPDATEUI: highlights the innermost opening bracket before the caret on its line whose
// partner is not before the caret.
void BraceHighlight(const EditorView& view);
