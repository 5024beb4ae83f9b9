// Where tag files live (a per-user cache folder, never beside the documents), how ctags is asked
// to write one, and the bounds of everything the tag index reads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class Settings;

// The bounds of the tag index, from the Tags element of the settings file.
struct TagLimits {
    int cacheEntries = 15;               // Cache: files held parsed (+ 1), negative for no bound
    uint64_t cacheBytes = 16u << 20;     // CacheSize: bytes held parsed
    uint64_t maxFileSize = 4u << 20;     // MaxSize: larger files are not indexed
    uint64_t projectFiles = 5000;        // ProjectFiles: files of a project index
    uint64_t projectBytes = 64ull << 20; // ProjectSize: bytes of source of a project index
};

// The attributes of Tags that are present, over the defaults above.
TagLimits ReadTagLimits(const Settings& settings);

// How long ctags may take over `bytes` of source before it is ended: 10 s, and 5 s more for
// every started megabyte (it reads about one megabyte a second under load).
DWORD CtagsTimeLimitMs(uint64_t bytes);

// The folder of the tag files, "<local application data>\Quillmark\Tags", created on first use;
// empty when it cannot be made (then nothing is indexed).
const std::string& TagCacheFolder();

// The tag file of a document: in the cache folder, named from the document's full path (a hash
// of it in lower case, so two spellings share one file) followed by the file name, for people
// who look into the folder. "" when the path is empty or there is no cache folder.
std::string TagFilePath(const std::string& documentPath);

// The same for a project's index, from its root folder.
std::string ProjectTagFilePath(const std::string& root);

// The ctags command line that reads `sourcePath` and writes `tagPath`. Both are full paths in
// quotes: a blank or a leading "-" cannot make them options. Option files and the CTAGS variable
// are not read, so the tag lines keep the format that the index reads.
std::string CtagsCommandLine(const std::string& ctagsPath, const std::string& sourcePath,
                             const std::string& tagPath);

// Size and last write of a file; equal stamps mean a cached reading is still good.
struct FileStamp {
    uint64_t size = 0;
    uint64_t writeTime = 0;
    bool operator==(const FileStamp&) const = default;
};
bool ReadFileStamp(const std::string& path, FileStamp& stamp);

// The whole file, read while others may replace or delete it; false when it cannot be opened or
// is larger than `maxBytes`.
bool ReadWholeFile(const std::string& path, std::string& text, uint64_t maxBytes);

// The path with its letters in lower case, as the platform's case-insensitive compare sees it.
std::string LowerPath(const std::string& path);
