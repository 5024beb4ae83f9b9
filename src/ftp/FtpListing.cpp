#include "ftp/FtpListing.h"

#include <array>
#include <cctype>
#include <vector>

namespace {

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

// ASCII case only: these are protocol words ("type", "<DIR>", month names), not file names,
// so the code page must not take part as it does in EqualNoCase for paths.
bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Decimal digits only, without overflow; false for anything else.
bool ParseSize(std::string_view text, std::uint64_t& value) {
    if (text.empty()) return false;
    std::uint64_t result = 0;
    constexpr std::uint64_t limit = ~std::uint64_t{0};
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (result > (limit - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

// A name that stands for an entry of this folder: not "." or "..", and no path of its own.
bool IsEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

struct Token {
    std::string_view text;
    size_t end = 0; // offset just past the token in the line
};

// The first `count` blank-separated words of a line and where each ends.
std::vector<Token> Words(std::string_view line, size_t count) {
    std::vector<Token> words;
    size_t pos = 0;
    while (words.size() < count) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos >= line.size()) break;
        size_t start = pos;
        while (pos < line.size() && line[pos] != ' ')
            ++pos;
        words.push_back({line.substr(start, pos - start), pos});
    }
    return words;
}

bool IsMonth(std::string_view word) {
    static constexpr std::array<std::string_view, 12> months = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::string_view month : months) {
        if (EqualsNoCase(word, month)) return true;
    }
    return false;
}

bool IsDay(std::string_view word) {
    std::uint64_t day = 0;
    return word.size() <= 2 && ParseSize(word, day) && day >= 1 && day <= 31;
}

// "12:00" or a year such as "2024".
bool IsTimeOrYear(std::string_view word) {
    std::uint64_t value = 0;
    size_t colon = word.find(':');
    if (colon == std::string_view::npos) return word.size() == 4 && ParseSize(word, value);
    return colon >= 1 && colon <= 2 && word.size() == colon + 3 && ParseSize(word.substr(0, colon), value) &&
           ParseSize(word.substr(colon + 1), value);
}

// "2024-01-31", as "ls --time-style=long-iso" writes the date.
bool IsIsoDate(std::string_view word) {
    std::uint64_t year = 0, month = 0, day = 0;
    return word.size() == 10 && word[4] == '-' && word[7] == '-' && ParseSize(word.substr(0, 4), year) &&
           ParseSize(word.substr(5, 2), month) && ParseSize(word.substr(8, 2), day) && month >= 1 &&
           month <= 12 && day >= 1 && day <= 31;
}

// "09:15", or "09:15:42.000000000" of the full form.
bool IsIsoTime(std::string_view word) {
    std::uint64_t value = 0;
    return word.size() >= 5 && word[2] == ':' && ParseSize(word.substr(0, 2), value) &&
           ParseSize(word.substr(3, 2), value) && (word.size() == 5 || word[5] == ':');
}

// "+0100", the zone of the full form.
bool IsZone(std::string_view word) {
    std::uint64_t value = 0;
    return word.size() == 5 && (word[0] == '+' || word[0] == '-') && ParseSize(word.substr(1), value);
}

// Where the date at `i` ends: the index of its last word, or 0 when no date starts there.
size_t DateEnd(const std::vector<Token>& words, size_t i) {
    if (i + 2 < words.size() && IsMonth(words[i].text) && IsDay(words[i + 1].text) &&
        IsTimeOrYear(words[i + 2].text))
        return i + 2;
    if (i + 1 < words.size() && IsIsoDate(words[i].text) && IsIsoTime(words[i + 1].text))
        return i + 2 < words.size() && words[i + 1].text.size() > 5 && IsZone(words[i + 2].text) ? i + 2
                                                                                                 : i + 1;
    return 0;
}

bool ParseUnixLine(std::string_view line, FtpListEntry& entry) {
    char kind = line.empty() ? '\0' : line[0];
    if (kind != '-' && kind != 'd' && kind != 'l') return false;
    // Permissions, links, owner, group (some servers leave it out; Windows servers give names
    // with blanks), size, then the date: month, day and time or year, or the ISO forms.
    std::vector<Token> words = Words(line, 12);
    for (size_t i = 2; i + 1 < words.size(); ++i) {
        size_t dateEnd = DateEnd(words, i);
        if (!dateEnd) continue;
        std::uint64_t size = 0;
        if (!ParseSize(words[i - 1].text, size)) return false;
        size_t nameStart = words[dateEnd].end + 1;
        if (nameStart >= line.size()) return false;
        std::string_view name = line.substr(nameStart);
        if (kind == 'l') {
            size_t arrow = name.find(" -> ");
            if (arrow != std::string_view::npos) {
                entry.linkTarget.assign(name.substr(arrow + 4));
                name = name.substr(0, arrow);
            }
        }
        if (!IsEntryName(name)) return false;
        entry.name.assign(name);
        entry.isDirectory = kind == 'd';
        entry.isLink = kind == 'l';
        // A link's size is that of its target's name: what it points to is not known yet.
        entry.size = kind == '-' ? size : 0;
        return true;
    }
    return false;
}

// "01-31-24  09:15PM       <DIR>          images" or "...  1234 index.php".
bool ParseDosLine(std::string_view line, FtpListEntry& entry) {
    std::vector<Token> words = Words(line, 3);
    if (words.size() < 3 || words[0].text.size() < 8 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
        words[0].text.find('-') == std::string_view::npos ||
        words[1].text.find(':') == std::string_view::npos)
        return false;
    bool isDirectory = EqualsNoCase(words[2].text, "<DIR>");
    std::uint64_t size = 0;
    if (!isDirectory && !ParseSize(words[2].text, size)) return false;
    size_t nameStart = words[2].end;
    while (nameStart < line.size() && line[nameStart] == ' ')
        ++nameStart;
    std::string_view name = line.substr(nameStart);
    if (!IsEntryName(name)) return false;
    entry.name.assign(name);
    entry.isDirectory = isDirectory;
    entry.size = size;
    return true;
}

// The next "key=value" of a machine listing's facts ("type=file;size=12;"), taken off `facts`.
std::string_view TakeFact(std::string_view& facts) {
    size_t end = facts.find(';');
    std::string_view fact = facts.substr(0, end);
    facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
    return fact;
}

// What a machine listing's type fact names: the kinds a transfer takes, or another.
enum class MlsdKind { file, folder, link, other };
MlsdKind KindOf(std::string_view type) {
    if (EqualsNoCase(type, "file")) return MlsdKind::file;
    if (EqualsNoCase(type, "dir")) return MlsdKind::folder;
    if (type.size() >= 13 && EqualsNoCase(type.substr(0, 13), "OS.unix=slink")) return MlsdKind::link;
    return MlsdKind::other; // cdir, pdir and kinds of the server's own
}

} // namespace

bool ParseMlsdLine(std::string_view line, FtpListEntry& entry) {
    line = TrimLineEnd(line);
    size_t space = line.find(' ');
    if (space == std::string_view::npos || space + 1 >= line.size()) return false;
    std::string_view facts = line.substr(0, space);
    std::string_view name = line.substr(space + 1);
    bool haveType = false;
    bool isDirectory = false;
    bool isLink = false;
    std::string_view linkTarget;
    std::uint64_t size = 0;
    while (!facts.empty()) {
        std::string_view fact = TakeFact(facts);
        size_t equals = fact.find('=');
        if (equals == std::string_view::npos) continue;
        std::string_view key = fact.substr(0, equals);
        std::string_view value = fact.substr(equals + 1);
        if (EqualsNoCase(key, "type")) {
            MlsdKind kind = KindOf(value);
            if (kind == MlsdKind::other) return false;
            haveType = true;
            isDirectory = kind == MlsdKind::folder;
            isLink = kind == MlsdKind::link;
            // "OS.unix=slink:/home/site/www/sub": a link, and where it leads on the server.
            if (isLink && value.size() > 13 && value[13] == ':') linkTarget = value.substr(14);
        } else if (EqualsNoCase(key, "size") && !ParseSize(value, size)) {
            return false;
        }
    }
    if (!haveType || !IsEntryName(name)) return false;
    entry.name.assign(name);
    entry.isDirectory = isDirectory;
    entry.isLink = isLink;
    entry.linkTarget.assign(linkTarget);
    entry.size = isDirectory || isLink ? 0 : size;
    return true;
}

bool ParseListLine(std::string_view line, FtpListEntry& entry) {
    line = TrimLineEnd(line);
    return ParseUnixLine(line, entry) || ParseDosLine(line, entry);
}

bool IsUnreadEntry(std::string_view line, bool machineListing) {
    line = TrimLineEnd(line);
    // A machine listing's name is all after the facts, a LIST line's the last word.
    size_t space = machineListing ? line.find(' ') : line.rfind(' ');
    std::string_view name = space == std::string_view::npos ? line : line.substr(space + 1);
    if (name == "." || name == "..") return false;
    if (!machineListing) return !line.empty() && (line[0] == '-' || line[0] == 'd' || line[0] == 'l');
    for (std::string_view facts = line.substr(0, space); !facts.empty();) {
        std::string_view fact = TakeFact(facts);
        if (fact.size() >= 5 && EqualsNoCase(fact.substr(0, 5), "type="))
            return KindOf(fact.substr(5)) != MlsdKind::other;
    }
    return false;
}
