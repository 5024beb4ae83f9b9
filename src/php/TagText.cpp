// Tag lines and include statements, read by hand: the backtracking patterns that did this
// before took seconds, or gave up with an exception, on long blank runs and minified lines.
#include "php/TagText.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <array>

#include "win/Paths.h"

namespace {

// What Perl's \s takes: the blanks and line ends around a declaration or inside a statement.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// PHP names: ASCII letters, digits, "_" and every byte from 0x80 on.
bool IsNameByte(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
           u >= 0x80;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimDeclaration(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.back() == ';') text.remove_suffix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// ctags writes the declaration line after "/^" with "\" and "/" escaped by a backslash, and ends
// it with "$" when the whole line fits, then "/". The text with the escapes taken out, and
// where it ends; npos when no unescaped "/" closes it.
size_t ReadSearchPattern(std::string_view line, size_t first, std::string& text) {
    for (size_t i = first; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            text += line[++i];
        } else if (c == '/') {
            return i;
        } else if (c == '$' && i + 1 < line.size() && line[i + 1] == '/') {
            // the anchor of the line's end
        } else {
            text += c;
        }
    }
    return std::string_view::npos;
}

// The longest path a statement may name: the platform's limit.
constexpr size_t maxIncludePath = MAX_PATH;
// How far past its keyword a statement may reach; a statement is a few dozen bytes.
constexpr size_t maxStatementLength = 1024;
// dirname(dirname(...)) deeper than this is not taken apart.
constexpr int maxDirnameNesting = 8;

// A forward reader over one candidate statement, never past `limit`.
class StatementReader {
  public:
    StatementReader(std::string_view text, size_t position, size_t limit)
        : text_(text), position_(position), limit_(limit) {}

    size_t Position() const { return position_; }
    bool AtEnd() const { return position_ >= limit_; }
    char Peek() const { return AtEnd() ? '\0' : text_[position_]; }

    void SkipBlanks() {
        while (!AtEnd() && IsSpace(text_[position_]))
            ++position_;
    }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++position_;
        return true;
    }
    // A whole word, without regard to case.
    bool TakeWord(std::string_view word) {
        if (limit_ - std::min(limit_, position_) < word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if (Lower(text_[position_ + i]) != word[i]) return false;
        size_t after = position_ + word.size();
        if (after < text_.size() && IsNameByte(text_[after])) return false;
        position_ = after;
        return true;
    }
    // Blanks, an optional ")" and blanks, then the ";" that ends the statement.
    bool TakeEnd(bool closeParenthesis) {
        SkipBlanks();
        if (!Take(')') && closeParenthesis) return false;
        SkipBlanks();
        return Take(';');
    }

    // __DIR__, __FILE__ or dirname(X) or dirname(X, n): how many parts it removes from the
    // including file's path.
    std::optional<int> TakeAnchor(int nesting) {
        if (TakeWord("__dir__")) return 1;
        if (TakeWord("__file__")) return 0;
        if (nesting >= maxDirnameNesting || !TakeWord("dirname")) return std::nullopt;
        SkipBlanks();
        if (!Take('(')) return std::nullopt;
        SkipBlanks();
        std::optional<int> inner = TakeAnchor(nesting + 1);
        if (!inner) return std::nullopt;
        SkipBlanks();
        int levels = 1;
        if (Take(',')) {
            SkipBlanks();
            levels = 0;
            for (int digits = 0; Peek() >= '0' && Peek() <= '9' && digits < 2; ++digits)
                levels = levels * 10 + (text_[position_++] - '0');
            if (levels < 1) return std::nullopt;
            SkipBlanks();
        }
        if (!Take(')')) return std::nullopt;
        return *inner + levels;
    }

    // A quoted text that PHP takes as written: no line break, no escape, no variable.
    std::optional<std::string> TakeExactString() {
        char quote = Peek();
        if (quote != '\'' && quote != '"') return std::nullopt;
        size_t first = position_ + 1;
        for (size_t i = first; i < limit_ && i - first <= maxIncludePath; ++i) {
            char c = text_[i];
            if (c == quote) {
                position_ = i + 1;
                return std::string(text_.substr(first, i - first));
            }
            if (c == '\n' || c == '\r' || c == '\\' || (quote == '"' && (c == '$' || c == '{'))) break;
        }
        return std::nullopt;
    }

    // The path of include 'x.php'; as the platform reads it: up to the first quote of either
    // kind that the end of a statement follows, on the same line.
    std::optional<std::string> TakeQuotedPath() {
        size_t first = position_ + 1;
        for (size_t i = first; i < limit_ && i - first <= maxIncludePath; ++i) {
            char c = text_[i];
            if (c == '\n' || c == '\r') break;
            if (c != '\'' && c != '"') continue;
            StatementReader end(text_, i + 1, limit_);
            if (end.TakeEnd(false)) {
                position_ = end.Position();
                return std::string(text_.substr(first, i - first));
            }
        }
        return std::nullopt;
    }

  private:
    std::string_view text_;
    size_t position_;
    size_t limit_;
};

constexpr std::array<std::string_view, 4> includeKeywords = {"include_once", "include", "require_once",
                                                             "require"};

// Whether a keyword at `position` starts a word of its own, not the tail of a name, a variable
// or a method ($x->include(...)).
bool StartsWord(std::string_view text, size_t position) {
    if (position == 0) return true;
    char before = text[position - 1];
    if (IsNameByte(before) || before == '$') return false;
    if (position >= 2 &&
        ((text[position - 2] == '-' && before == '>') || (text[position - 2] == ':' && before == ':')))
        return false;
    return true;
}

std::optional<IncludeStatement> ReadStatement(std::string_view text, size_t start) {
    size_t limit = std::min(text.size(), start + maxStatementLength);
    StatementReader reader(text, start, limit);
    bool keyword = false;
    for (std::string_view word : includeKeywords)
        if ((keyword = reader.TakeWord(word))) break;
    if (!keyword) return std::nullopt;
    reader.SkipBlanks();
    bool parenthesis = reader.Take('(');
    reader.SkipBlanks();

    IncludeStatement statement;
    statement.start = start;
    if (reader.Peek() == '\'' || reader.Peek() == '"') {
        std::optional<std::string> path = reader.TakeQuotedPath();
        if (!path) return std::nullopt;
        statement.path = std::move(*path);
    } else {
        std::optional<int> parents = reader.TakeAnchor(0);
        // __FILE__ . 'x' names nothing that exists.
        if (!parents || *parents == 0) return std::nullopt;
        reader.SkipBlanks();
        // require (__DIR__) . '/x.php';
        if (parenthesis && reader.Take(')')) {
            parenthesis = false;
            reader.SkipBlanks();
        }
        if (!reader.Take('.')) return std::nullopt;
        reader.SkipBlanks();
        std::optional<std::string> path = reader.TakeExactString();
        if (!path || !reader.TakeEnd(parenthesis)) return std::nullopt;
        statement.parents = *parents;
        statement.path = std::move(*path);
    }
    statement.end = reader.Position();
    return statement;
}

} // namespace

std::optional<FunctionTag> ParseFunctionTag(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t nameEnd = line.find('\t');
    if (nameEnd == 0 || nameEnd == std::string_view::npos) return std::nullopt;
    size_t fileEnd = line.find('\t', nameEnd + 1);
    if (fileEnd == std::string_view::npos || line.substr(fileEnd + 1, 2) != "/^") return std::nullopt;
    std::string declaration;
    size_t patternEnd = ReadSearchPattern(line, fileEnd + 3, declaration);
    // Then ;" (the extension marker), a TAB and the kind, alone in its field.
    if (patternEnd == std::string_view::npos || line.substr(patternEnd, 4) != "/;\"\t") return std::nullopt;
    std::string_view kind = line.substr(patternEnd + 4);
    kind = kind.substr(0, kind.find('\t'));
    if (kind != "f") return std::nullopt;
    return FunctionTag{std::string(line.substr(0, nameEnd)),
                       std::string(line.substr(nameEnd + 1, fileEnd - nameEnd - 1)),
                       std::string(TrimDeclaration(declaration))};
}

std::vector<FunctionTag> FunctionTags(std::string_view tagText) {
    std::vector<FunctionTag> tags;
    for (size_t start = 0; start < tagText.size();) {
        size_t end = std::min(tagText.find('\n', start), tagText.size());
        if (std::optional<FunctionTag> tag = ParseFunctionTag(tagText.substr(start, end - start)))
            tags.push_back(std::move(*tag));
        start = end + 1;
    }
    return tags;
}

std::optional<std::string> FindTagDeclaration(std::string_view tagText, std::string_view name) {
    if (name.empty()) return std::nullopt;
    for (size_t start = 0; start < tagText.size();) {
        size_t end = std::min(tagText.find('\n', start), tagText.size());
        std::string_view line = tagText.substr(start, end - start);
        if (line.size() > name.size() && line[name.size()] == '\t' && line.substr(0, name.size()) == name)
            if (std::optional<FunctionTag> tag = ParseFunctionTag(line)) return std::move(tag->declaration);
        start = end + 1;
    }
    return std::nullopt;
}

bool IsLanguageWord(std::string_view name) {
    // Sorted, lower case.
    static constexpr std::string_view words[] = {"__halt_compiler",
                                                 "abstract",
                                                 "and",
                                                 "array",
                                                 "as",
                                                 "break",
                                                 "callable",
                                                 "case",
                                                 "catch",
                                                 "class",
                                                 "clone",
                                                 "const",
                                                 "continue",
                                                 "declare",
                                                 "default",
                                                 "die",
                                                 "do",
                                                 "echo",
                                                 "else",
                                                 "elseif",
                                                 "empty",
                                                 "enddeclare",
                                                 "endfor",
                                                 "endforeach",
                                                 "endif",
                                                 "endswitch",
                                                 "endwhile",
                                                 "enum",
                                                 "eval",
                                                 "exit",
                                                 "extends",
                                                 "final",
                                                 "finally",
                                                 "fn",
                                                 "for",
                                                 "foreach",
                                                 "function",
                                                 "global",
                                                 "goto",
                                                 "if",
                                                 "implements",
                                                 "include",
                                                 "include_once",
                                                 "instanceof",
                                                 "insteadof",
                                                 "interface",
                                                 "isset",
                                                 "list",
                                                 "match",
                                                 "namespace",
                                                 "new",
                                                 "or",
                                                 "parent",
                                                 "print",
                                                 "private",
                                                 "protected",
                                                 "public",
                                                 "readonly",
                                                 "require",
                                                 "require_once",
                                                 "return",
                                                 "self",
                                                 "static",
                                                 "switch",
                                                 "throw",
                                                 "trait",
                                                 "try",
                                                 "unset",
                                                 "use",
                                                 "var",
                                                 "while",
                                                 "xor",
                                                 "yield"};
    if (name.empty() || name.size() > 16) return false;
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return std::binary_search(std::begin(words), std::end(words), std::string_view(lower));
}

std::vector<IncludeStatement> FindIncludeStatements(std::string_view text) {
    std::vector<IncludeStatement> statements;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = Lower(text[i]);
        if ((c != 'i' && c != 'r') || !StartsWord(text, i)) continue;
        if (std::optional<IncludeStatement> statement = ReadStatement(text, i)) {
            i = statement->end - 1;
            statements.push_back(std::move(*statement));
        }
    }
    return statements;
}

std::vector<std::string> IncludedPaths(std::string_view text) {
    std::vector<std::string> paths;
    for (IncludeStatement& statement : FindIncludeStatements(text))
        paths.push_back(std::move(statement.path));
    return paths;
}

std::string ResolveInclude(const IncludeStatement& statement, const std::string& includingPath) {
    std::string included = statement.path;
    if (included.empty() || included.size() >= MAX_PATH) return std::string();
    std::replace(included.begin(), included.end(), '/', '\\');
    char full[MAX_PATH] = "";
    if (statement.parents == 0) {
        // Against the including file's folder; "." and ".." resolved, an absolute path kept.
        std::string folder = FolderOf(includingPath);
        if (!::PathCombineA(full, folder.empty() ? nullptr : folder.c_str(), included.c_str()))
            return std::string();
        return full;
    }
    // PHP appends the text to the folder as it is: __DIR__ . 'x.php' names "...\dirx.php".
    // An untitled document has no folder to start from.
    if (includingPath.empty()) return std::string();
    std::string base = includingPath;
    for (int i = 0; i < statement.parents && !base.empty(); ++i) {
        std::string folder = FolderOf(base);
        if (folder == base) break; // a drive's root has no parent
        base = std::move(folder);
    }
    if (!base.empty() && base.back() == '\\' && included.front() == '\\') base.pop_back();
    std::string joined = base + included;
    if (joined.size() >= MAX_PATH) return std::string();
    // The platform's full path of an absolute path resolves "." and "..".
    return FullPath(joined);
}
