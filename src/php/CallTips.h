// Help while typing PHP: call tips after "(", completion lists on Ctrl+Space and after "$_",
// and automatic indentation on Enter and "}".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win/EditorView.h"

// Finds the declaration line of a user function: (name, document path) -> line, or nothing.
using UserFunctionLookup = std::function<std::optional<std::string>(const std::string&, const std::string&)>;
// The user function names that start with a prefix: (prefix, document path) -> names.
using UserFunctionNameLookup =
    std::function<std::vector<std::string>(const std::string&, const std::string&)>;

// What the tag index knows of the user's own functions, for call tips and Ctrl+Space.
struct UserFunctionLookups {
    UserFunctionLookup find;
    UserFunctionNameLookup names;
};

// SCN_CHARADDED on the selected view. True when handled; characters it declines go on to the
// view's automatic indentation.
bool CharAddedHandler(const EditorView& view, int character, const std::string& documentPath,
                      const UserFunctionLookups& userFunctions);
inline bool CharAddedHandler(const EditorView& view, int character, const std::string& documentPath,
                             const UserFunctionLookup& findUserFunction) {
    return CharAddedHandler(view, character, documentPath, UserFunctionLookups{findUserFunction, {}});
}

// The view's own handling of the characters that CharAddedHandler declined.
void AutoIndent(const EditorView& view, int character);
