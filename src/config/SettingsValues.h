// How values are written in the settings file: integers, colours, wrap modes, style entries and
// their scheme prefixes. The only place that turns attribute text into values and back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TiXmlElement;

// A colour as the editing component and the colour chooser take it: red in bits 0-7, green in
// 8-15, blue in 16-23 (the platform's COLORREF layout).
using PlatformColour = std::uint32_t;

inline constexpr PlatformColour kBlack = 0x000000;
inline constexpr PlatformColour kWhite = 0xFFFFFF;
inline constexpr PlatformColour kRed = 0x0000FF;

// Decimal, read the way strtol reads it: leading blanks, an optional sign, digits up to the first
// non-digit. No digits give 0; values beyond 32 bits stop at the 32-bit limits.
int ParseSettingsInteger(std::string_view text) noexcept;
std::string FormatSettingsInteger(int value);

// The file writes colours as hexadecimal RRGGBB; the same strtol rules apply in base 16, with an
// optional 0x prefix, so "FF" is 0x0000FF (blue) and "#FF0000" has no digits (black).
PlatformColour ParseSettingsColour(std::string_view text) noexcept;
// Six upper-case hex digits, red first, no prefix.
std::string FormatSettingsColour(PlatformColour colour);

// SC_WRAP_NONE, SC_WRAP_WORD or SC_WRAP_CHAR for "none", "word" or "char" in any letter case;
// nothing for any other text.
std::optional<int> ParseWrapMode(std::string_view text) noexcept;

// One Param element decoded; every field has the value that an absent attribute stands for.
struct StyleEntry {
    std::string fontName = "Arial";
    int pointSize = 9;
    PlatformColour foreColour = kBlack;
    PlatformColour backColour = kWhite;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const StyleEntry&) const = default;
};

StyleEntry DecodeStyleEntry(const TiXmlElement& param);
// Writes all seven attributes, defaults included. Existing attributes change in place, new ones go
// to the end, so Name, Title and anything unknown keep their position.
void EncodeStyleEntry(const StyleEntry& entry, TiXmlElement& param);

// The text that labels an entry: its Title, or its Name without one (empty with neither).
std::string StyleEntryTitle(const TiXmlElement& param);

// The leading run of a-z of a style name: "php" for phpWORD. Empty for a name that starts with
// anything else, which then belongs to no scheme.
std::string_view StyleSchemePrefix(std::string_view name) noexcept;
