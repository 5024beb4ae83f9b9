// SetUpView, fold-margin clicks and bracket highlighting.
#include "php/ViewSetup.h"

#include "config/ApplyViewSettings.h"

void SetUpView(const EditorView& view, const Settings& settings) {
    view.Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    ApplyViewSettings(view, settings);
}

void FoldMarginClick(const EditorView&, const SCNotification&) {}

void BraceHighlight(const EditorView&) {}
