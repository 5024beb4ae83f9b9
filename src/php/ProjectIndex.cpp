// Project roots, the listing of a project's PHP files, project indexes and their store.
#include "php/ProjectIndex.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "win/Handles.h"
#include "win/Paths.h"

namespace {

// How many projects and folder-to-root answers a run keeps; beyond that the oldest go.
constexpr size_t maxProjects = 8;
constexpr size_t maxRoots = 4096;
// A project walk reads at most this many folder entries, so a root that turns out to be a whole
// drive costs a bounded time even when it holds no PHP file at all.
constexpr size_t maxEntriesWalked = 200000;

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsPhpFile(const char* name) {
    const char* dot = std::strrchr(name, '.');
    if (!dot) return false;
    for (const char* extension : {".php", ".php3", ".php4", ".php5", ".phtml", ".inc"})
        if (::lstrcmpiA(dot, extension) == 0) return true;
    return false;
}

bool IsSkippedFolder(const char* name) {
    for (const char* skipped : {".", "..", ".git", ".svn", ".hg", "node_modules"})
        if (::lstrcmpiA(name, skipped) == 0) return true;
    return false;
}

} // namespace

ProjectTags::ProjectTags(std::string root, std::vector<FunctionTag> tags) : root_(std::move(root)) {
    std::unordered_map<std::string, uint32_t> fileIndex;
    tags_.reserve(tags.size());
    for (FunctionTag& tag : tags) {
        auto [it, added] = fileIndex.try_emplace(tag.file, static_cast<uint32_t>(files_.size()));
        if (added) files_.push_back(tag.file);
        tags_.push_back(Tag{std::move(tag.name), std::move(tag.declaration), it->second});
    }
    Sort();
}

void ProjectTags::Sort() {
    std::stable_sort(tags_.begin(), tags_.end(), [](const Tag& a, const Tag& b) { return a.name < b.name; });
}

const ProjectTags::Tag* ProjectTags::Find(std::string_view name) const {
    auto it = std::lower_bound(tags_.begin(), tags_.end(), name,
                               [](const Tag& tag, std::string_view wanted) { return tag.name < wanted; });
    return it != tags_.end() && it->name == name ? &*it : nullptr;
}

void ProjectTags::AddNames(std::string_view prefix, std::vector<std::string>& names, size_t limit) const {
    auto it = std::lower_bound(tags_.begin(), tags_.end(), prefix,
                               [](const Tag& tag, std::string_view wanted) { return tag.name < wanted; });
    for (; it != tags_.end() && names.size() < limit && std::string_view(it->name).starts_with(prefix); ++it)
        if (names.empty() || names.back() != it->name) names.push_back(it->name);
}

std::shared_ptr<const ProjectTags> ProjectTags::WithFile(const std::string& file,
                                                         std::vector<FunctionTag> fileTags) const {
    auto copy = std::shared_ptr<ProjectTags>(new ProjectTags(*this));
    std::string lower = LowerPath(file);
    auto known = std::find_if(copy->files_.begin(), copy->files_.end(),
                              [&](const std::string& f) { return LowerPath(f) == lower; });
    uint32_t index = static_cast<uint32_t>(known - copy->files_.begin());
    if (known == copy->files_.end()) copy->files_.push_back(file);
    std::erase_if(copy->tags_, [&](const Tag& tag) { return tag.file == index; });
    for (FunctionTag& tag : fileTags)
        copy->tags_.push_back(Tag{std::move(tag.name), std::move(tag.declaration), index});
    copy->Sort();
    return copy;
}

std::string ProjectRoot(const std::string& documentPath) {
    std::string own = FolderOf(FullPath(documentPath));
    std::string folder = own;
    for (int depth = 0; depth < 64 && !folder.empty(); ++depth) {
        std::string prefix = folder.back() == '\\' ? folder : folder + "\\";
        for (const char* marker : {".git", "composer.json", "wp-config.php", "wp-settings.php"})
            if (Exists(prefix + marker)) return folder;
        std::string parent = FolderOf(folder);
        if (parent == folder) break;
        folder = std::move(parent);
    }
    return own;
}

ProjectFileList ListProjectFiles(const std::string& root, const TagLimits& limits,
                                 const std::atomic<bool>& stop) {
    ProjectFileList list;
    // Breadth first: when the bounds cut the list short, the files nearest the root are in it.
    std::deque<std::string> folders{root.back() == '\\' ? root.substr(0, root.size() - 1) : root};
    size_t walked = 0;
    while (!folders.empty() && !stop && list.files.size() < limits.projectFiles) {
        std::string folder = std::move(folders.front());
        folders.pop_front();
        WIN32_FIND_DATAA data;
        FindHandle find(::FindFirstFileExA((folder + "\\*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, 0));
        if (!find) continue;
        do {
            if (++walked > maxEntriesWalked) return list;
            std::string path = folder + "\\" + data.cFileName;
            // Junctions and links may lead back up the tree or out of the project.
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!IsSkippedFolder(data.cFileName)) folders.push_back(std::move(path));
                continue;
            }
            uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            if (!IsPhpFile(data.cFileName) || size > limits.maxFileSize || path.size() >= MAX_PATH) continue;
            if (list.bytes + size > limits.projectBytes) return list;
            list.bytes += size;
            list.files.push_back(std::move(path));
            if (list.files.size() >= limits.projectFiles) return list;
        } while (::FindNextFileA(find.Get(), &data));
    }
    return list;
}

std::shared_ptr<const ProjectTags> ProjectTagStore::ForDocument(const std::string& documentPath) const {
    std::string folder = LowerPath(FolderOf(documentPath));
    std::lock_guard<std::mutex> hold(lock_);
    auto root = roots_.find(folder);
    if (root == roots_.end()) return nullptr;
    auto project = projects_.find(root->second);
    return project == projects_.end() ? nullptr : project->second;
}

std::vector<std::shared_ptr<const ProjectTags>> ProjectTagStore::All() const {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::shared_ptr<const ProjectTags>> all;
    for (const auto& [root, tags] : projects_)
        all.push_back(tags);
    return all;
}

void ProjectTagStore::SetRoot(const std::string& documentPath, const std::string& root) {
    std::string folder = LowerPath(FolderOf(documentPath));
    std::lock_guard<std::mutex> hold(lock_);
    if (roots_.size() >= maxRoots) roots_.clear();
    roots_[folder] = LowerPath(root);
}

bool ProjectTagStore::ClaimBuild(const std::string& root) {
    std::string lower = LowerPath(root);
    std::lock_guard<std::mutex> hold(lock_);
    if (std::find(claimed_.begin(), claimed_.end(), lower) != claimed_.end()) return false;
    claimed_.push_back(lower);
    return true;
}

std::shared_ptr<const ProjectTags> ProjectTagStore::Get(const std::string& root) const {
    std::lock_guard<std::mutex> hold(lock_);
    auto project = projects_.find(LowerPath(root));
    return project == projects_.end() ? nullptr : project->second;
}

void ProjectTagStore::Publish(std::shared_ptr<const ProjectTags> tags) {
    std::string lower = LowerPath(tags->Root());
    // The state replaced is freed after the lock is let go: freeing thousands of tags must not
    // keep the interface thread's lookup waiting.
    std::shared_ptr<const ProjectTags> replaced, evicted;
    std::lock_guard<std::mutex> hold(lock_);
    if (!projects_.count(lower) && projects_.size() >= maxProjects) {
        // The project claimed longest ago makes room; it is built again if it is needed again.
        for (auto old = claimed_.begin(); old != claimed_.end(); ++old) {
            auto project = projects_.find(*old);
            if (project == projects_.end()) continue;
            evicted = std::move(project->second);
            projects_.erase(project);
            claimed_.erase(old);
            break;
        }
    }
    std::shared_ptr<const ProjectTags>& slot = projects_[lower];
    replaced = std::move(slot);
    slot = std::move(tags);
}

void ProjectTagStore::Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    roots_.clear();
    projects_.clear();
    claimed_.clear();
}
