// The built-in table of PHP functions and the lookups behind call tips, completion and keywords.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// One function of the table. The texts are ASCII without line breaks; the description may be
// empty. The three fields are null only in the terminating row.
struct PhpFunctionEntry {
    const char* name;
    const char* prototype;
    const char* description;
};

inline constexpr std::size_t PhpCatalogRowCount = 4404;

// The rows in strcmp order of name, equal names side by side, then one row of nulls so that a
// forward walk can stop without knowing the count. Generated at build time from
// src/php/data/php-functions.tsv.
extern const PhpFunctionEntry PhpCatalog[PhpCatalogRowCount + 1];

// The real rows, without the terminating one.
inline std::span<const PhpFunctionEntry> PhpCatalogRows() noexcept {
    return {PhpCatalog, PhpCatalogRowCount};
}

// The row for exactly this name (case matters), or nullptr. Where a name occurs on several rows
// the one returned is fixed by the search's probe order, and the call tip shows that one.
const PhpFunctionEntry* FindFunction(std::string_view name) noexcept;

// Prototype, a line feed and the description of the row FindFunction finds; the prototype
// alone when the description is empty.
std::optional<std::string> CallTipText(std::string_view name);

// The completion list for a non-empty prefix in the editing component's format: "name?2" items
// (image 2, the function icon) in byte order of the whole item, separated by single spaces.
// None when no name starts with the prefix, or the prefix is empty.
std::optional<std::string> CompletionList(std::string_view prefix);

// Every name of the table in table order, then "return function class", separated by spaces:
// the keyword set of the PHP lexer.
std::string KeywordList();
