// Help while typing PHP: call tips after "(", completion lists on Ctrl+Space and after "$_",
// and automatic indentation on Enter and "}".
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "win/EditorView.h"

// Finds the declaration line of a user function: (name, document path) -> line, or nothing.
using UserFunctionLookup = std::function<std::optional<std::string>(const std::string&, const std::string&)>;

// SCN_CHARADDED on the selected view. True when handled; characters it declines go on to the
// view's automatic indentation.
bool CharAddedHandler(const EditorView& view, int character, const std::string& documentPath,
                      const UserFunctionLookup& findUserFunction);

// The view's own handling of the characters that CharAddedHandler declined.
void AutoIndent(const EditorView& view, int character);
