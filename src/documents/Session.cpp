// Session values in the registry.
#include "documents/Session.h"

#include "config/Registry.h"
#include "documents/DocumentTabs.h"

namespace {
std::string ValueName(int d) {
    return "Session" + std::to_string(d);
}
} // namespace

void WriteSession(const DocumentTabs& tabs) {
    RegKey key = OpenProgramKey(nullptr, true);
    if (!key) return;
    int count = tabs.Count();
    for (int d = 1; d <= count; ++d) {
        const Document* document = tabs.DocumentAt(d - 1);
        WriteRegistryString(key.Get(), ValueName(d).c_str(), document ? document->Path() : std::string());
    }
    DeleteRegistryValue(key.Get(), ValueName(count + 1).c_str());
}

void RestoreSession(DocumentTabs& tabs) {
    RegKey key = OpenProgramKey();
    if (!key) return;
    for (int d = 1;; ++d) {
        std::optional<std::string> path = ReadRegistryString(key.Get(), ValueName(d).c_str(), MAX_PATH + 1);
        if (!path) break;
        // Untitled documents of the last run left empty values: they open nothing.
        if (!path->empty()) tabs.OpenDocument(*path, false);
    }
}
