// The lexer style names that the settings file may use, with the "hypertext" lexer's style numbers.
#pragma once

#include <optional>
#include <span>
#include <string_view>

struct StyleNameRow {
    std::string_view name;
    int style;
};

// All rows, sorted by the byte order of their names (the order FindStyleNumber relies on).
std::span<const StyleNameRow> StyleNameRows() noexcept;

// Exact, case-sensitive lookup: "phpWORD" is known, "PHPWORD" is not.
std::optional<int> FindStyleNumber(std::string_view name) noexcept;
