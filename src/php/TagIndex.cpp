// Running ctags, and the tag cache.
#include "php/TagIndex.h"

#include <windows.h>
#include <shlwapi.h>

#include "win/Handles.h"
#include "win/Strings.h"

std::string CtagsCommandLine(const std::string& ctagsPath, const std::string& fileName) {
    return "\"" + ctagsPath + "\" --file-scope=no -f " + fileName + ".tag " + fileName;
}

void RunCtags(const std::string& ctagsPath, const std::string& documentPath) {
    if (ctagsPath.empty() || documentPath.empty()) return;
    char folder[MAX_PATH];
    lstrcpynA(folder, documentPath.c_str(), MAX_PATH);
    ::PathRemoveFileSpecA(folder);
    ::PathAddBackslashA(folder);
    std::string commandLine = CtagsCommandLine(ctagsPath, ::PathFindFileNameA(documentPath.c_str()));

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, folder,
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

std::optional<std::string> TagIndex::FindUserFunction(const std::string&, const std::string&) { return std::nullopt; }
