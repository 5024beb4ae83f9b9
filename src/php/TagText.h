// Reading what ctags writes and what PHP sources include: tag lines split by their TAB fields
// and include statements found by a forward scan, both in time linear in the text.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One function of a tag file: its name, the file ctags read it from and its declaration line as
// ctags recorded it, without leading blanks and without trailing blanks and ";".
struct FunctionTag {
    std::string name;
    std::string file;
    std::string declaration;
};

// The function tag of one line of a tag file (without its line end), or nothing for any other
// line: another kind, a header line, a line that is not in ctags' format.
std::optional<FunctionTag> ParseFunctionTag(std::string_view line);

// Every function tag of a tag file's text, in file order.
std::vector<FunctionTag> FunctionTags(std::string_view tagText);

// The declaration of the first function tag named `name` (case matters) in a tag file's text.
std::optional<std::string> FindTagDeclaration(std::string_view tagText, std::string_view name);

// PHP's own words that are followed by "(" without being functions (if, foreach, isset...):
// looking them up would walk every include for nothing on each keystroke. Without regard to
// case, as PHP reads them.
bool IsLanguageWord(std::string_view name);

// One include or require statement of a source text whose file can be known without running it:
// a quoted path ("include 'x.php';", the two quotes may differ), or a quoted path appended to
// the including file's folder ("__DIR__ . '/x.php'", "dirname(__FILE__) . '/x.php'",
// "dirname(__DIR__, 2) . '/x.php'"), each also inside parentheses.
struct IncludeStatement {
    size_t start = 0; // offset of the keyword
    size_t end = 0;   // offset just past the ";"
    // 0: the path is relative to the including file's folder (or absolute). Otherwise the path
    // is appended to the including file's path with this many trailing parts removed (1 for
    // __DIR__, 2 for dirname(__DIR__)).
    int parents = 0;
    std::string path; // as written between the quotes
};

// The statements of a text in text order; a statement never starts inside an earlier one.
std::vector<IncludeStatement> FindIncludeStatements(std::string_view text);

// The quoted paths of a text's include statements, in text order.
std::vector<std::string> IncludedPaths(std::string_view text);

// The full path a statement of the file `includingPath` names ("." and ".." resolved); empty
// when it cannot be formed.
std::string ResolveInclude(const IncludeStatement& statement, const std::string& includingPath);
