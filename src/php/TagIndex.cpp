// The tag cache, the user-function search and the include statement under the caret.
#include "php/TagIndex.h"

#include <shlwapi.h>

#include <algorithm>

#include "win/Paths.h"
#include "win/Strings.h"

namespace {

// Include chains deeper than this are not followed, and one search reads at most so many files:
// a keystroke must not wait for a whole tree to be read.
constexpr size_t maxIncludeDepth = 32;
constexpr size_t maxFilesPerSearch = 256;
// A file names at most so many includes that the index follows.
constexpr size_t maxIncludesPerFile = 1024;

uint64_t EntryBytes(const TagCacheEntry& entry) {
    uint64_t bytes = sizeof(TagCacheEntry) + entry.path.size();
    for (const std::string& include : entry.includes)
        bytes += sizeof(std::string) + include.size();
    for (const FunctionTag& tag : entry.functions)
        bytes += sizeof(FunctionTag) + tag.name.size() + tag.declaration.size() + tag.file.size();
    return bytes;
}

std::vector<FunctionTag>::const_iterator FirstFrom(const std::vector<FunctionTag>& functions,
                                                   std::string_view name) {
    return std::lower_bound(
        functions.begin(), functions.end(), name,
        [](const FunctionTag& tag, std::string_view wanted) { return tag.name < wanted; });
}

const FunctionTag* FindIn(const TagCacheEntry& entry, std::string_view name) {
    auto it = FirstFrom(entry.functions, name);
    return it != entry.functions.end() && it->name == name ? &*it : nullptr;
}

void AddNamesFrom(const TagCacheEntry& entry, std::string_view prefix, std::vector<std::string>& names) {
    for (auto it = FirstFrom(entry.functions, prefix);
         it != entry.functions.end() && std::string_view(it->name).starts_with(prefix); ++it)
        names.push_back(it->name);
}

} // namespace

void TagIndex::Invalidate(const std::string& path) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (EqualNoCase(it->path, path)) {
            bytes_ -= it->bytes;
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
}

const TagCacheEntry* TagIndex::Entry(const std::string& path) {
    std::string tagPath = TagFilePath(path);
    if (tagPath.empty()) return nullptr;
    FileStamp source, tags;
    // Both stamps are taken before anything is read: a file that changes while it is read then
    // has a newer stamp than its entry, and is read again next time.
    if (!ReadFileStamp(path, source) || source.size > limits_.maxFileSize || !ReadFileStamp(tagPath, tags)) {
        Invalidate(path);
        return nullptr;
    }
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!EqualNoCase(it->path, path)) continue;
        if (it->sourceStamp == source && it->tagStamp == tags) {
            if (it != entries_.begin()) entries_.splice(entries_.begin(), entries_, it);
            return &entries_.front();
        }
        // ctags finished a newer tag file, or the file changed: read both again.
        bytes_ -= it->bytes;
        entries_.erase(it);
        break;
    }

    TagCacheEntry entry{path, {}, {}, source, tags, 0};
    std::string text;
    if (!ReadWholeFile(tagPath, text, std::max<uint64_t>(limits_.maxFileSize, 1u << 20) * 4)) return nullptr;
    entry.functions = FunctionTags(text);
    for (FunctionTag& tag : entry.functions)
        tag.file.clear(); // the entry's own path says it
    std::stable_sort(entry.functions.begin(), entry.functions.end(),
                     [](const FunctionTag& a, const FunctionTag& b) { return a.name < b.name; });
    if (!ReadWholeFile(path, text, limits_.maxFileSize)) return nullptr;
    for (const IncludeStatement& statement : FindIncludeStatements(text)) {
        if (entry.includes.size() >= maxIncludesPerFile) break;
        std::string full = ResolveInclude(statement, path);
        if (!full.empty()) entry.includes.push_back(std::move(full));
    }
    entry.bytes = EntryBytes(entry);

    // The entry bound is checked once before an insertion, so the cache holds limit + 1 files;
    // the byte bound makes room for the new entry, which stays even when it alone is larger.
    if (limits_.cacheEntries >= 0 && entries_.size() > static_cast<size_t>(limits_.cacheEntries)) {
        bytes_ -= entries_.back().bytes;
        entries_.pop_back();
    }
    while (!entries_.empty() && bytes_ + entry.bytes > limits_.cacheBytes) {
        bytes_ -= entries_.back().bytes;
        entries_.pop_back();
    }
    bytes_ += entry.bytes;
    entries_.push_front(std::move(entry));
    return &entries_.front();
}

bool TagIndex::Walk(const std::string& path, std::unordered_set<std::string>& visited, const Visitor& visit) {
    // Depth-first in include order on a stack of our own: the depth of an include chain is the
    // files' doing, and must not become the depth of this thread's stack.
    struct Level {
        std::vector<std::string> includes; // a copy: the entry may leave the cache meanwhile
        size_t next = 0;
    };
    std::vector<Level> levels;
    auto enter = [&](const std::string& file) {
        // Exact text: two spellings of one path are two visits, but each ends.
        if (visited.size() >= maxFilesPerSearch || !visited.insert(file).second) return false;
        const TagCacheEntry* entry = Entry(file);
        if (!entry) return false;
        if (visit(*entry)) return true;
        if (levels.size() < maxIncludeDepth && !entry->includes.empty())
            levels.push_back(Level{entry->includes});
        return false;
    };
    if (enter(path)) return true;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next >= level.includes.size()) {
            levels.pop_back();
            continue;
        }
        std::string next = level.includes[level.next++];
        if (enter(next)) return true;
    }
    return false;
}

std::shared_ptr<const ProjectTags> TagIndex::Project(const std::string& path) const {
    return projects_ ? projects_->ForDocument(FullPath(path)) : nullptr;
}

std::optional<std::string> TagIndex::FindUserFunction(const std::string& name, const std::string& path,
                                                      const std::vector<std::string>& openDocuments) {
    if (path.empty() || name.empty() || IsLanguageWord(name)) return std::nullopt;
    std::unordered_set<std::string> visited;
    std::optional<std::string> declaration;
    auto search = [&](const TagCacheEntry& entry) {
        if (const FunctionTag* tag = FindIn(entry, name)) declaration = tag->declaration;
        return declaration.has_value();
    };
    if (Walk(path, visited, search)) return declaration;
    for (const std::string& document : openDocuments) {
        if (document.empty() || !visited.insert(document).second) continue;
        if (const TagCacheEntry* entry = Entry(document); entry && search(*entry)) return declaration;
    }
    if (std::shared_ptr<const ProjectTags> project = Project(path))
        if (const ProjectTags::Tag* tag = project->Find(name)) return tag->declaration;
    return std::nullopt;
}

std::vector<std::string> TagIndex::UserFunctionNames(const std::string& prefix, const std::string& path,
                                                     const std::vector<std::string>& openDocuments,
                                                     size_t limit) {
    std::vector<std::string> names;
    if (path.empty() || prefix.empty()) return names;
    std::unordered_set<std::string> visited;
    Walk(path, visited, [&](const TagCacheEntry& entry) {
        AddNamesFrom(entry, prefix, names);
        return false;
    });
    for (const std::string& document : openDocuments) {
        if (document.empty() || !visited.insert(document).second) continue;
        if (const TagCacheEntry* entry = Entry(document)) AddNamesFrom(*entry, prefix, names);
    }
    if (std::shared_ptr<const ProjectTags> project = Project(path))
        project->AddNames(prefix, names, names.size() + limit);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    if (names.size() > limit) names.resize(limit);
    return names;
}

std::optional<std::string> IncludeAtCaret(const EditorView& view, const std::string& documentPath,
                                          POINT click) {
    if (view.Call(SCI_POSITIONFROMPOINTCLOSE, static_cast<short>(click.x), static_cast<short>(click.y)) < 0)
        return std::nullopt;
    Sci_Position caret = view.Call(SCI_GETCURRENTPOS);
    Sci_Position line = view.Call(SCI_LINEFROMPOSITION, caret);
    Sci_Position start = view.Call(SCI_POSITIONFROMLINE, line);
    Sci_Position end = view.Call(SCI_GETLINEENDPOSITION, line);
    std::string text(static_cast<size_t>(end - start) + 1, '\0');
    Sci_TextRangeFull range{{start, end}, text.data()};
    view.Call(SCI_GETTEXTRANGEFULL, 0, &range);
    text.pop_back();

    std::vector<IncludeStatement> statements = FindIncludeStatements(text);
    if (statements.empty()) return std::nullopt;
    const IncludeStatement& statement = statements.front();
    size_t offset = static_cast<size_t>(caret - start);
    if (offset < statement.start || offset >= statement.end) return std::nullopt;
    std::string full = ResolveInclude(statement, documentPath);
    if (full.empty() || !::PathFileExistsA(full.c_str())) return std::nullopt;
    return full;
}
