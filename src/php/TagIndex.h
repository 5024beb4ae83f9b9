// The tag files that ctags writes beside each document, and the cache of parsed ones.
#pragma once

#include <list>
#include <optional>
#include <string>

// Runs ctags on the document at `documentPath`, writing "<file>.tag" beside it, and waits for
// it. Does nothing when `ctagsPath` is empty (ctags.exe is missing) or the path is empty.
void RunCtags(const std::string& ctagsPath, const std::string& documentPath);

// The ctags command line for a document's file name.
std::string CtagsCommandLine(const std::string& ctagsPath, const std::string& fileName);

struct TagCacheEntry {
    std::string path;
    std::string sourceText;
    std::string tagText;
};

// Most recently used first; paths compare without regard to letter case.
class TagIndex {
public:
    explicit TagIndex(int limit = 15) : limit_(limit) {}
    void SetLimit(int limit) { limit_ = limit; }
    int Limit() const { return limit_; }
    // Forgets the cached texts of `path`, after the file or its tag file changed.
    void Invalidate(const std::string& path);
    size_t Size() const { return entries_.size(); }
    // The declaration line of function `name` from the tag files of `path` and of the files it
    // includes, or nothing.
    std::optional<std::string> FindUserFunction(const std::string& name, const std::string& path);

private:
    int limit_;
    std::list<TagCacheEntry> entries_;
};
