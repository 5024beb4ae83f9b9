// The index of a document's project: the function tags of every PHP file under the project's
// root, built by one ctags run off the interface thread and read without waiting.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "php/TagFiles.h"
#include "php/TagText.h"

// One published state of a project's index. Never changed once published: a new state replaces
// it, so a reader keeps a consistent one for as long as it holds it.
class ProjectTags {
  public:
    struct Tag {
        std::string name;
        std::string declaration;
        uint32_t file; // index into Files()
    };

    ProjectTags(std::string root, std::vector<FunctionTag> tags);

    const std::string& Root() const { return root_; }
    const std::vector<std::string>& Files() const { return files_; }
    size_t Count() const { return tags_.size(); }
    // The first tag of that name, or nullptr.
    const Tag* Find(std::string_view name) const;
    // Appends the distinct names that start with `prefix`, in byte order, at most `limit` in all.
    void AddNames(std::string_view prefix, std::vector<std::string>& names, size_t limit) const;
    // This state with the tags of the file `file` replaced by `fileTags` (none for a file that
    // is gone).
    std::shared_ptr<const ProjectTags> WithFile(const std::string& file,
                                                std::vector<FunctionTag> fileTags) const;

  private:
    ProjectTags() = default;
    void Sort();

    std::string root_;
    std::vector<std::string> files_;
    std::vector<Tag> tags_; // by name; equal names in the order ctags wrote them
};

// The nearest folder at or above the document's folder that holds .git, composer.json,
// wp-config.php or wp-settings.php; else the document's own folder. Reads the disk.
std::string ProjectRoot(const std::string& documentPath);

// The PHP files under `root`, nearest first, within the file count, byte and file size bounds.
// Folders of version control and node_modules, and links to other folders, are not entered.
struct ProjectFileList {
    std::vector<std::string> files;
    uint64_t bytes = 0;
};
ProjectFileList ListProjectFiles(const std::string& root, const TagLimits& limits,
                                 const std::atomic<bool>& stop);

// The project indexes of the run, shared between the worker that builds them and the interface
// thread that reads them. Every call holds the lock only for a copy of a pointer or a map lookup.
class ProjectTagStore {
  public:
    // The index of the document's project, when its root is known and an index is published.
    std::shared_ptr<const ProjectTags> ForDocument(const std::string& documentPath) const;
    // Every published index.
    std::vector<std::shared_ptr<const ProjectTags>> All() const;

    // The root found for a document's folder, remembered for the lookups above.
    void SetRoot(const std::string& documentPath, const std::string& root);
    // True once per root and run: the first caller builds the index.
    bool ClaimBuild(const std::string& root);
    std::shared_ptr<const ProjectTags> Get(const std::string& root) const;
    void Publish(std::shared_ptr<const ProjectTags> tags);
    void Clear();

  private:
    mutable std::mutex lock_;
    std::map<std::string, std::string> roots_;                           // lower-case folder -> root
    std::map<std::string, std::shared_ptr<const ProjectTags>> projects_; // lower-case root -> index
    std::vector<std::string> claimed_;                                   // lower-case roots
};
