// The tag files that ctags writes beside each document, the cache of parsed ones, and the
// search for a user function's declaration through a file and the files it includes.
#pragma once

#include <windows.h>

#include <list>
#include <optional>
#include <string>
#include <vector>

#include "win/EditorView.h"

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
    // A negative limit means no bound. The limit is checked before an insertion, so the cache
    // holds up to limit + 1 files.
    void SetLimit(int limit) { limit_ = limit; }
    int Limit() const { return limit_; }
    // Forgets the cached texts of `path`, after the file or its tag file changed.
    void Invalidate(const std::string& path);
    size_t Size() const { return entries_.size(); }
    const std::list<TagCacheEntry>& Entries() const { return entries_; }

    // The declaration line of function `name` from the tag files of `path` and, depth-first in
    // include order, of the files it includes; or nothing.
    std::optional<std::string> FindUserFunction(const std::string& name, const std::string& path);

    // The entry of `path`, read from disk on a miss; nullptr when the file or its tag file
    // cannot be read. Moves the entry to the front.
    const TagCacheEntry* Entry(const std::string& path);

private:
    bool Find(const std::string& name, const std::string& path, std::vector<std::string>& visited,
              std::string& declaration);

    int limit_;
    std::list<TagCacheEntry> entries_;
};

// The declaration text of `name` in a tag file's text, as ctags recorded the line.
std::optional<std::string> FindTagDeclaration(const std::string& tagText, const std::string& name);

// The included paths of a source text, in text order, as written between the quotes.
std::vector<std::string> IncludedPaths(const std::string& sourceText);

// A double-click in a view: when it lands inside an include statement of the caret line whose
// file exists, asks the main window to open that file. True when it did.
bool OpenIncludeAtCaret(const EditorView& view, const std::string& documentPath, POINT click);
