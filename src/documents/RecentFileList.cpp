// RecentFileList: order, menu items and registry values.
#include "documents/RecentFileList.h"

#include <algorithm>

#include "config/Registry.h"
#include "win/Strings.h"

namespace {
const char* const listKey = "Recent Document List";
const char* const countValue = "DocumentCount";

std::string ValueName(int i) {
    return "Document" + std::to_string(i);
}
} // namespace

void RecentFileList::BindMenu(HMENU menu, std::string emptyText) {
    menu_ = menu;
    if (!emptyText.empty()) emptyText_ = std::move(emptyText);
}

const std::string* RecentFileList::EntryForCommand(UINT command) const {
    if (command < firstCommand) return nullptr;
    size_t fromNewest = command - firstCommand;
    if (fromNewest >= entries_.size()) return nullptr;
    return &entries_[entries_.size() - 1 - fromNewest];
}

void RecentFileList::Add(const std::string& path) {
    std::erase_if(entries_, [&](const std::string& entry) { return EqualNoCase(entry, path); });
    while (!entries_.empty() && static_cast<int>(entries_.size()) >= std::max(bound_, 1))
        entries_.erase(entries_.begin());
    entries_.push_back(path.substr(0, MAX_PATH));
    RebuildMenu();
}

void RecentFileList::RemoveForCommand(UINT command) {
    if (const std::string* entry = EntryForCommand(command)) {
        entries_.erase(entries_.begin() + (entry - entries_.data()));
        RebuildMenu();
    }
}

void RecentFileList::RebuildMenu() {
    if (!menu_) return;
    int count = ::GetMenuItemCount(menu_);
    int position = -1;
    for (int i = 0; i < count; ++i)
        if (::GetMenuItemID(menu_, i) == firstCommand) position = i;
    if (position < 0) return;
    for (UINT id = firstCommand + 1; id < firstCommand + maxEntries; ++id)
        ::DeleteMenu(menu_, id, MF_BYCOMMAND);

    if (entries_.empty()) {
        ::InsertMenuA(menu_, position, MF_BYPOSITION | MF_STRING | MF_GRAYED, firstCommand,
                      emptyText_.c_str());
    } else {
        int k = 0;
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it, ++k) {
            // A "&" in a path would turn the next letter into a mnemonic: double it.
            std::string text = "&";
            text += std::to_string(k + 1);
            text += ' ';
            for (char c : *it) {
                text += c;
                if (c == '&') text += '&';
            }
            ::InsertMenuA(menu_, position + k, MF_BYPOSITION | MF_STRING, firstCommand + k, text.c_str());
        }
    }
    // The old first item now follows the new ones.
    int inserted = entries_.empty() ? 1 : static_cast<int>(entries_.size());
    ::DeleteMenu(menu_, position + inserted, MF_BYPOSITION);
}

void RecentFileList::Read() {
    RegKey key = OpenProgramKey(listKey);
    if (!key) return;
    std::optional<DWORD> count = ReadRegistryDword(key.Get(), countValue);
    if (!count) return;
    bound_ = static_cast<int>(std::clamp<DWORD>(*count, 2, maxEntries));
    entries_.clear();
    for (int i = bound_; i >= 1; --i) {
        if (std::optional<std::string> path = ReadRegistryString(key.Get(), ValueName(i).c_str(), MAX_PATH)) {
            if (!path->empty()) entries_.push_back(*path);
        }
    }
    RebuildMenu();
}

void RecentFileList::Write() const {
    RegKey key = OpenProgramKey(listKey, true);
    if (!key) return;
    WriteRegistryDword(key.Get(), countValue, static_cast<DWORD>(bound_));
    int count = static_cast<int>(entries_.size());
    for (int i = count; i >= 1; --i)
        WriteRegistryString(key.Get(), ValueName(i).c_str(), entries_[count - i]);
    for (int i = count + 1; i <= maxEntries; ++i)
        DeleteRegistryValue(key.Get(), ValueName(i).c_str());
}
