// The tag cache folder, tag file names, the ctags command line and careful file reading.
#include "php/TagFiles.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>

#include "config/Settings.h"
#include "config/SettingsValues.h"
#include "win/Handles.h"
#include "win/Paths.h"

namespace {

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// A size attribute: absent keeps the default, a negative value means no bound.
void ReadBound(const TiXmlElement* tags, const char* name, uint64_t& bound) {
    const char* text = tags ? tags->Attribute(name) : nullptr;
    if (!text) return;
    int value = ParseSettingsInteger(text);
    bound = value < 0 ? UINT64_MAX : static_cast<uint64_t>(value);
}

std::string CacheFileName(const char* prefix, const std::string& path, const char* suffix) {
    std::string full = LowerPath(FullPath(path));
    // The readable part: the last name of the path, cut short so the whole stays a short path.
    std::string name = ::PathFindFileNameA(full.c_str());
    if (name.size() > 64) name.resize(64);
    char hash[24];
    std::snprintf(hash, sizeof(hash), "%016llx", static_cast<unsigned long long>(Fnv1a(full)));
    return TagCacheFolder() + "\\" + prefix + hash + "-" + name + suffix;
}

} // namespace

TagLimits ReadTagLimits(const Settings& settings) {
    TagLimits limits;
    limits.cacheEntries = ReadTagCacheLimit(settings);
    const TiXmlElement* tags = SettingsChild(settings.Root(), "Tags");
    ReadBound(tags, "CacheSize", limits.cacheBytes);
    ReadBound(tags, "MaxSize", limits.maxFileSize);
    ReadBound(tags, "ProjectFiles", limits.projectFiles);
    ReadBound(tags, "ProjectSize", limits.projectBytes);
    return limits;
}

DWORD CtagsTimeLimitMs(uint64_t bytes) {
    uint64_t megabytes = (bytes + (1u << 20) - 1) >> 20;
    uint64_t limit = 10000 + 5000 * megabytes;
    return static_cast<DWORD>(std::min<uint64_t>(limit, 60 * 60 * 1000));
}

const std::string& TagCacheFolder() {
    static const std::string folder = [] {
        char base[MAX_PATH] = "";
        if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                                      SHGFP_TYPE_CURRENT, base)))
            return std::string();
        std::string program = std::string(base) + "\\Quillmark";
        std::string tags = program + "\\Tags";
        ::CreateDirectoryA(program.c_str(), nullptr);
        ::CreateDirectoryA(tags.c_str(), nullptr);
        DWORD attributes = ::GetFileAttributesA(tags.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::string();
        return tags;
    }();
    return folder;
}

std::string TagFilePath(const std::string& documentPath) {
    if (documentPath.empty() || TagCacheFolder().empty()) return std::string();
    return CacheFileName("", documentPath, ".tag");
}

std::string ProjectTagFilePath(const std::string& root) {
    if (root.empty() || TagCacheFolder().empty()) return std::string();
    return CacheFileName("project-", root, ".tag");
}

std::string CtagsCommandLine(const std::string& ctagsPath, const std::string& sourcePath,
                             const std::string& tagPath) {
    return "\"" + ctagsPath + "\" --options=NONE --file-scope=no -f \"" + tagPath + "\" \"" + sourcePath +
           "\"";
}

bool ReadFileStamp(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    stamp.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.writeTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& text, uint64_t maxBytes) {
    // Shared for writing and deleting too: ctags' worker replaces tag files while they are read.
    KernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || static_cast<uint64_t>(size.QuadPart) > maxBytes) return false;
    text.clear();
    text.reserve(static_cast<size_t>(size.QuadPart));
    char block[8192];
    DWORD read = 0;
    while (::ReadFile(file.Get(), block, sizeof(block), &read, nullptr) && read > 0) {
        // A file that grows while it is read stops at the bound all the same.
        if (text.size() + read > maxBytes) return false;
        text.append(block, read);
    }
    return true;
}

std::string LowerPath(const std::string& path) {
    std::string lower = path;
    if (!lower.empty()) ::CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    return lower;
}
