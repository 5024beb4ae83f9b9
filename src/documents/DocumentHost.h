// What documents and their commands need from the main window that holds them.
#pragma once

#include <windows.h>

#include <string>

class DocumentTabs;
class Settings;

class DocumentHost {
  public:
    virtual ~DocumentHost() = default;
    // Owner of the save prompts and file dialogs.
    virtual HWND MainWindow() const = 0;
    // The settings every new view is styled with.
    virtual const Settings& ViewSettings() const = 0;
    // Full path of ctags.exe, empty when it is missing.
    virtual const std::string& CtagsPath() const = 0;
    virtual void InvalidateTagCache(const std::string& path) = 0;
    virtual void AddRecentFile(const std::string& path) = 0;
    // Opens the file that an include statement of a document names (a double-click on it).
    virtual void OpenIncludedFile(const std::string& path) = 0;
    // Closes the find/replace dialog if it is open.
    virtual void CloseFindDialog() = 0;
    // A tab's close box, or a command, asks for the document of tab `index` to go. Unless a host
    // decides otherwise, the file commands' CloseDocument: the save prompt, then the tab closes.
    virtual void CloseRequested(DocumentTabs& tabs, int index);
};
