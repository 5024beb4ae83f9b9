// The cache of parsed tag files, and the search for a user function's declaration through a
// file, the files it includes, the other open documents and the document's project.
#pragma once

#include <windows.h>

#include <functional>
#include <list>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "php/ProjectIndex.h"
#include "php/TagFiles.h"
#include "php/TagText.h"
#include "php/TagWorker.h"
#include "win/EditorView.h"

// One file as the index read it: the files its include statements name, and its functions.
struct TagCacheEntry {
    std::string path;
    std::vector<std::string> includes;  // full paths, in text order
    std::vector<FunctionTag> functions; // by name; equal names in the order of the tag file
    FileStamp sourceStamp;
    FileStamp tagStamp;
    uint64_t bytes = 0;
};

// Most recently used first; paths compare without regard to letter case. Used on the interface
// thread only; it reads what the worker has finished and never waits for it.
class TagIndex {
  public:
    explicit TagIndex(int limit = 15) { limits_.cacheEntries = limit; }
    // A negative limit means no bound. The limit is checked before an insertion, so the cache
    // holds up to limit + 1 files.
    void SetLimit(int limit) { limits_.cacheEntries = limit; }
    int Limit() const { return limits_.cacheEntries; }
    // The entry and byte bounds of the cache, and the size above which a file is not read.
    void SetLimits(const TagLimits& limits) { limits_ = limits; }
    // Where project indexes come from; the shared worker's by default.
    void SetProjects(const ProjectTagStore* projects) { projects_ = projects; }

    // Forgets the cached reading of `path`, after the file or its tag file changed.
    void Invalidate(const std::string& path);
    size_t Size() const { return entries_.size(); }
    uint64_t Bytes() const { return bytes_; }
    const std::list<TagCacheEntry>& Entries() const { return entries_; }

    // The declaration line of function `name`: from the tag files of `path` and, depth-first in
    // include order, of the files it includes; then of the other open documents; then from the
    // project index of `path`. Nothing for PHP's own words and untitled documents.
    std::optional<std::string> FindUserFunction(const std::string& name, const std::string& path,
                                                const std::vector<std::string>& openDocuments = {});

    // The distinct user function names that start with `prefix`, from the same places, in byte
    // order, at most `limit`.
    std::vector<std::string> UserFunctionNames(const std::string& prefix, const std::string& path,
                                               const std::vector<std::string>& openDocuments = {},
                                               size_t limit = 256);

    // The entry of `path`, read again when the file or its tag file changed on disk; nullptr
    // when either cannot be read or the file is above the size bound. Moves it to the front.
    const TagCacheEntry* Entry(const std::string& path);

  private:
    using Visitor = std::function<bool(const TagCacheEntry&)>;
    // Visits `path` and its includes depth-first until `visit` returns true.
    bool Walk(const std::string& path, std::unordered_set<std::string>& visited, const Visitor& visit);
    std::shared_ptr<const ProjectTags> Project(const std::string& path) const;

    TagLimits limits_;
    const ProjectTagStore* projects_ = &SharedTagWorker().Projects();
    std::list<TagCacheEntry> entries_;
    uint64_t bytes_ = 0;
};

// A double-click in a view: the file of the include statement under the caret, when the click
// was on text and that file exists. The first statement of the caret line counts.
std::optional<std::string> IncludeAtCaret(const EditorView& view, const std::string& documentPath,
                                          POINT click);
