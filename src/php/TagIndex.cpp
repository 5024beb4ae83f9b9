// Running ctags, the tag cache, the user-function search and include statements.
#include "php/TagIndex.h"

#include <shlwapi.h>

#include <boost/regex.hpp>

#include "app/OpenRequest.h"
#include "win/Handles.h"
#include "win/Paths.h"
#include "win/Strings.h"

namespace {

// include 'x.php'; require("lib/y.php"); include_once ... The two quotes may differ.
const char* const includeExpression =
    "(?:include|require|include_once|require_once)\\s*\\(?\\s*['\"](.*?)['\"]\\s*\\)?\\s*;";

// Multi-line: ^ and $ at every line, and "." never crosses a line end.
const boost::regex& IncludePattern() {
    static const boost::regex pattern(includeExpression, boost::regex::perl | boost::regex::no_mod_s);
    return pattern;
}

// Over a single line, where "." may also take a line's own line-end characters.
const boost::regex& IncludeLinePattern() {
    static const boost::regex pattern(includeExpression, boost::regex::perl | boost::regex::mod_s);
    return pattern;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    text.clear();
    char block[8192];
    DWORD read = 0;
    while (::ReadFile(file.Get(), block, sizeof(block), &read, nullptr) && read > 0) text.append(block, read);
    return true;
}


// The included path resolved against the including file's folder ("." and ".." resolved, an
// absolute path taken as it is).
std::string ResolveInclude(const std::string& folder, std::string included) {
    std::replace(included.begin(), included.end(), '/', '\\');
    char full[MAX_PATH] = "";
    if (!::PathCombineA(full, folder.empty() ? nullptr : folder.c_str(), included.c_str())) return std::string();
    return full;
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

} // namespace

std::string CtagsCommandLine(const std::string& ctagsPath, const std::string& fileName) {
    return "\"" + ctagsPath + "\" --file-scope=no -f " + fileName + ".tag " + fileName;
}

void RunCtags(const std::string& ctagsPath, const std::string& documentPath) {
    if (ctagsPath.empty() || documentPath.empty()) return;
    // The working folder with its trailing backslash, as the tool expects it.
    std::string folder = FolderOf(documentPath);
    if (!folder.empty()) folder += '\\';
    std::string commandLine = CtagsCommandLine(ctagsPath, ::PathFindFileNameA(documentPath.c_str()));

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          folder.empty() ? nullptr : folder.c_str(),
                          &startup, &process))
        return;
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    // The tag file must be complete before anyone reads it: the interface waits for ctags.
    ::WaitForSingleObject(processHandle.Get(), INFINITE);
}

void TagIndex::Invalidate(const std::string& path) {
    entries_.remove_if([&](const TagCacheEntry& entry) { return EqualNoCase(entry.path, path); });
}

const TagCacheEntry* TagIndex::Entry(const std::string& path) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!EqualNoCase(it->path, path)) continue;
        if (it != entries_.begin()) entries_.splice(entries_.begin(), entries_, it);
        return &entries_.front();
    }
    TagCacheEntry entry{path, {}, {}};
    // A file without its tag file is not cached: it is read again at the next request, by
    // when ctags may have written the tag file.
    if (!ReadWholeFile(path, entry.sourceText) || !ReadWholeFile(path + ".tag", entry.tagText)) return nullptr;
    if (limit_ >= 0 && static_cast<int>(entries_.size()) > limit_) entries_.pop_back();
    entries_.push_front(std::move(entry));
    return &entries_.front();
}

std::optional<std::string> FindTagDeclaration(const std::string& tagText, const std::string& name) {
    // Only names the lookup can produce: they need no escaping inside the pattern.
    if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameCharacter)) return std::nullopt;
    std::string expression = "^" + name + "\t([^\t]+)\t/\\^\\s*(.*?)\\s*;?\\s*\\$/;\"\tf";
    boost::regex pattern(expression, boost::regex::perl | boost::regex::no_mod_s);
    boost::smatch match;
    if (!boost::regex_search(tagText, match, pattern)) return std::nullopt;
    return match[2].str();
}

std::vector<std::string> IncludedPaths(const std::string& sourceText) {
    std::vector<std::string> paths;
    for (boost::sregex_iterator it(sourceText.begin(), sourceText.end(), IncludePattern()), end; it != end; ++it)
        paths.push_back((*it)[1].str());
    return paths;
}

bool TagIndex::Find(const std::string& name, const std::string& path, std::vector<std::string>& visited,
                    std::string& declaration) {
    // Exact text comparison: two spellings of one path are two visits, but each ends.
    if (std::find(visited.begin(), visited.end(), path) != visited.end()) return false;
    visited.push_back(path);
    const TagCacheEntry* entry = Entry(path);
    if (!entry) return false;
    if (std::optional<std::string> found = FindTagDeclaration(entry->tagText, name)) {
        declaration = *found;
        return true;
    }
    // The entry may move or go while the includes are searched: work on copies.
    std::vector<std::string> includes = IncludedPaths(entry->sourceText);
    std::string folder = FolderOf(path);
    for (const std::string& included : includes) {
        std::string full = ResolveInclude(folder, included);
        if (full.empty() || !::PathFileExistsA(full.c_str())) continue;
        if (Find(name, full, visited, declaration)) return true;
    }
    return false;
}

std::optional<std::string> TagIndex::FindUserFunction(const std::string& name, const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::vector<std::string> visited;
    std::string declaration;
    if (!Find(name, path, visited, declaration)) return std::nullopt;
    return declaration;
}

bool OpenIncludeAtCaret(const EditorView& view, const std::string& documentPath, POINT click) {
    if (view.Call(SCI_POSITIONFROMPOINTCLOSE, static_cast<short>(click.x), static_cast<short>(click.y)) < 0)
        return false;
    Sci_Position caret = view.Call(SCI_GETCURRENTPOS);
    Sci_Position line = view.Call(SCI_LINEFROMPOSITION, caret);
    Sci_Position start = view.Call(SCI_POSITIONFROMLINE, line);
    Sci_Position end = view.Call(SCI_GETLINEENDPOSITION, line);
    std::vector<char> buffer(static_cast<size_t>(end - start) + 1);
    Sci_TextRangeFull range{{start, end}, buffer.data()};
    view.Call(SCI_GETTEXTRANGEFULL, 0, &range);
    std::string text(buffer.data(), buffer.size() - 1);

    boost::smatch match;
    if (!boost::regex_search(text, match, IncludeLinePattern())) return false;
    Sci_Position offset = caret - start;
    Sci_Position first = match.position(std::size_t{0}), past = first + static_cast<Sci_Position>(match[0].length());
    if (offset < first || offset >= past) return false;

    std::string full = ResolveInclude(FolderOf(documentPath), match[1].str());
    if (full.empty() || !::PathFileExistsA(full.c_str())) return false;
    HWND top = view.Window();
    while (HWND parent = ::GetParent(top)) top = parent;
    SendOpenRequest(top, view.Window(), full, OpenMode::openOnly);
    return true;
}
