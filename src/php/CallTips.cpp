// CharAddedHandler and AutoIndent.
#include "php/CallTips.h"

bool CharAddedHandler(const EditorView&, int, const std::string&, const UserFunctionLookup&) { return false; }

void AutoIndent(const EditorView&, int) {}
