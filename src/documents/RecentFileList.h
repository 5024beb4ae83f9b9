// The recent-file list behind File > Recent Files, kept in the registry between runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RecentFileList {
  public:
    static constexpr int maxEntries = 16;
    static constexpr UINT firstCommand = 57616;

    // The submenu that holds the items (borrowed from the menu bar) and the text of its item
    // while the list is empty.
    void BindMenu(HMENU menu, std::string emptyText);
    void SetBound(int bound) { bound_ = bound; }
    int Bound() const { return bound_; }

    // Oldest first, newest last.
    const std::vector<std::string>& Entries() const { return entries_; }
    // The entry of a menu command (57616 is the newest), or nullptr.
    const std::string* EntryForCommand(UINT command) const;

    void Add(const std::string& path);
    void RemoveForCommand(UINT command);
    void RebuildMenu();

    // Registry: HKCU\Software\Altav\Quillmark\Recent Document List.
    void Read();
    void Write() const;

  private:
    std::vector<std::string> entries_;
    int bound_ = 4;
    HMENU menu_ = nullptr;
    std::string emptyText_ = "(empty)";
};
