// Lookups over the PHP function table: exact search, call-tip text, completion list, keywords.
#include "php/PhpCatalog.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

// strcmp of the key against a row's name, with the key's end as its terminating zero.
int CompareExact(std::string_view key, const char* name) noexcept {
    for (std::size_t i = 0;; ++i) {
        unsigned char k = i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
        unsigned char n = static_cast<unsigned char>(name[i]);
        if (k != n) return k < n ? -1 : 1;
        if (k == 0) return 0;
    }
}

// strncmp(key, name, key length): zero when the name starts with the key.
int ComparePrefix(std::string_view key, const char* name) noexcept {
    for (std::size_t i = 0; i < key.size(); ++i) {
        unsigned char k = static_cast<unsigned char>(key[i]);
        unsigned char n = static_cast<unsigned char>(name[i]);
        if (k != n) return k < n ? -1 : 1;
        if (k == 0) return 0;
    }
    return 0;
}

// Names repeat, so which of several equal rows is found depends on the exact probe sequence;
// the program has always shown the row this sequence lands on (close finds its seventh row),
// and a "cleaner" binary search would change the call tips. Do not replace it.
template <class Compare> const PhpFunctionEntry* ProbeSearch(Compare compare) noexcept {
    std::ptrdiff_t lo = 0;
    std::ptrdiff_t hi = PhpCatalogRowCount - 1;
    std::ptrdiff_t n = PhpCatalogRowCount;
    while (lo <= hi) {
        std::ptrdiff_t half = n / 2;
        if (half == 0) return n == 1 && compare(PhpCatalog[lo]) == 0 ? &PhpCatalog[lo] : nullptr;
        bool odd = (n & 1) != 0;
        std::ptrdiff_t mid = odd ? lo + half : lo + half - 1;
        int result = compare(PhpCatalog[mid]);
        if (result == 0) return &PhpCatalog[mid];
        if (result < 0) {
            hi = mid - 1;
            n = odd ? half : half - 1;
        } else {
            lo = mid + 1;
            n = half;
        }
    }
    return nullptr;
}

// Orders two completion items, name + "?2", by their bytes without building them. The suffix
// matters: "?" sorts after the digits, so "atan2?2" comes before "atan?2".
bool ItemLess(const char* a, const char* b) noexcept {
    static constexpr char suffix[] = "?2";
    bool aInSuffix = false;
    bool bInSuffix = false;
    for (;;) {
        if (*a == 0 && !aInSuffix) {
            a = suffix;
            aInSuffix = true;
        }
        if (*b == 0 && !bInSuffix) {
            b = suffix;
            bInSuffix = true;
        }
        unsigned char x = static_cast<unsigned char>(*a);
        unsigned char y = static_cast<unsigned char>(*b);
        if (x != y) return x < y;
        if (x == 0) return false;
        ++a;
        ++b;
    }
}

constexpr std::string_view itemSuffix = "?2";
constexpr std::string_view languageWords = "return function class";

} // namespace

const PhpFunctionEntry* FindFunction(std::string_view name) noexcept {
    return ProbeSearch([name](const PhpFunctionEntry& row) { return CompareExact(name, row.name); });
}

std::optional<std::string> CallTipText(std::string_view name) {
    const PhpFunctionEntry* row = FindFunction(name);
    if (!row) return std::nullopt;
    std::size_t prototypeLength = std::strlen(row->prototype);
    std::size_t descriptionLength = std::strlen(row->description);
    std::string text;
    text.reserve(prototypeLength + (descriptionLength ? 1 + descriptionLength : 0));
    text.append(row->prototype, prototypeLength);
    if (descriptionLength) {
        text += '\n';
        text.append(row->description, descriptionLength);
    }
    return text;
}

std::optional<std::string> CompletionList(std::string_view prefix) {
    // An empty prefix would match the whole table; nobody asks for that list.
    if (prefix.empty()) return std::nullopt;
    auto compare = [prefix](const PhpFunctionEntry& row) { return ComparePrefix(prefix, row.name); };
    const PhpFunctionEntry* found = ProbeSearch(compare);
    if (!found) return std::nullopt;

    const PhpFunctionEntry* first = found;
    while (first != PhpCatalog && compare(first[-1]) == 0)
        --first;
    const PhpFunctionEntry* end = found + 1;
    while (end->name && compare(*end) == 0)
        ++end;
    std::size_t count = static_cast<std::size_t>(end - first);

    // The rows already come in name order, which differs from item order only where a name
    // continues a shorter one with a digit, so insertion sort does almost no moves. Indices and
    // lengths on the stack keep the result string the only allocation (names are at most 45
    // characters, which the generator checks).
    std::array<std::uint16_t, PhpCatalogRowCount> order;
    std::array<std::uint8_t, PhpCatalogRowCount> lengths;
    std::size_t length = count - 1;
    for (std::size_t i = 0; i < count; ++i) {
        const char* name = first[i].name;
        lengths[i] = static_cast<std::uint8_t>(std::strlen(name));
        length += lengths[i] + itemSuffix.size();
        std::size_t j = i;
        for (; j > 0 && ItemLess(name, first[order[j - 1]].name); --j)
            order[j] = order[j - 1];
        order[j] = static_cast<std::uint16_t>(i);
    }

    // Filled with the separators up front, then each item copied into its place.
    std::string list(length, ' ');
    char* out = list.data();
    for (std::size_t i = 0; i < count; ++i) {
        if (i) ++out;
        out = std::copy_n(first[order[i]].name, lengths[order[i]], out);
        out = std::copy(itemSuffix.begin(), itemSuffix.end(), out);
    }
    return list;
}

std::string KeywordList() {
    std::size_t length = languageWords.size();
    for (const PhpFunctionEntry* row = PhpCatalog; row->name; ++row)
        length += std::strlen(row->name) + 1;
    std::string words;
    words.reserve(length);
    for (const PhpFunctionEntry* row = PhpCatalog; row->name; ++row) {
        words += row->name;
        words += ' ';
    }
    words += languageWords;
    return words;
}
