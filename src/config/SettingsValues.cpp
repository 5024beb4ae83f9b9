// Reading and writing the values of the settings file.
#include "config/SettingsValues.h"

#include <cstdio>

#include "tinyxml.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// strtol with the platform's 32-bit long: an out-of-range number saturates at the limit of its
// sign, as the C library does.
std::int32_t ParseLong(std::string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (base == 16 && text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        DigitValue(text[i + 2]) < 16)
        i += 2;
    const std::int64_t limit = negative ? std::int64_t{INT32_MAX} + 1 : INT32_MAX;
    std::int64_t value = 0;
    for (; i < text.size() && DigitValue(text[i]) < base; ++i) {
        value = value * base + DigitValue(text[i]);
        if (value > limit) value = limit;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

// The file's RRGGBB and the platform's colour value hold the same bytes in opposite order.
std::uint32_t SwapRedBlue(std::uint32_t v) {
    return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

} // namespace

int ParseSettingsInteger(std::string_view text) noexcept {
    return ParseLong(text, 10);
}

std::string FormatSettingsInteger(int value) {
    return std::to_string(value);
}

PlatformColour ParseSettingsColour(std::string_view text) noexcept {
    return SwapRedBlue(static_cast<std::uint32_t>(ParseLong(text, 16)));
}

std::string FormatSettingsColour(PlatformColour colour) {
    char text[16];
    std::snprintf(text, sizeof(text), "%06X", static_cast<unsigned>(SwapRedBlue(colour)));
    return text;
}

std::optional<int> ParseWrapMode(std::string_view text) noexcept {
    auto equalsIgnoringCase = [text](std::string_view word) {
        if (text.size() != word.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != word[i]) return false;
        }
        return true;
    };
    if (equalsIgnoringCase("none")) return 0;
    if (equalsIgnoringCase("word")) return 1;
    if (equalsIgnoringCase("char")) return 2;
    return std::nullopt;
}

StyleEntry DecodeStyleEntry(const TiXmlElement& param) {
    StyleEntry entry;
    if (const char* font = param.Attribute("Font")) entry.fontName = font;
    if (const char* size = param.Attribute("Size")) entry.pointSize = ParseSettingsInteger(size);
    if (const char* fore = param.Attribute("Fore")) entry.foreColour = ParseSettingsColour(fore);
    if (const char* back = param.Attribute("Back")) entry.backColour = ParseSettingsColour(back);
    if (const char* bold = param.Attribute("Bold")) entry.bold = ParseSettingsInteger(bold) != 0;
    if (const char* italic = param.Attribute("Italic")) entry.italic = ParseSettingsInteger(italic) != 0;
    if (const char* underline = param.Attribute("Underline"))
        entry.underline = ParseSettingsInteger(underline) != 0;
    return entry;
}

void EncodeStyleEntry(const StyleEntry& entry, TiXmlElement& param) {
    param.SetAttribute("Font", entry.fontName);
    param.SetAttribute("Size", FormatSettingsInteger(entry.pointSize));
    param.SetAttribute("Fore", FormatSettingsColour(entry.foreColour));
    param.SetAttribute("Back", FormatSettingsColour(entry.backColour));
    param.SetAttribute("Bold", entry.bold ? "1" : "0");
    param.SetAttribute("Italic", entry.italic ? "1" : "0");
    param.SetAttribute("Underline", entry.underline ? "1" : "0");
}

std::string StyleEntryTitle(const TiXmlElement& param) {
    if (const char* title = param.Attribute("Title")) return title;
    if (const char* name = param.Attribute("Name")) return name;
    return {};
}

std::string_view StyleSchemePrefix(std::string_view name) noexcept {
    std::size_t length = 0;
    while (length < name.size() && name[length] >= 'a' && name[length] <= 'z')
        ++length;
    return name.substr(0, length);
}
