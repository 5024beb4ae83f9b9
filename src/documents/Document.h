// One open file, or one untitled buffer, and the editing view that shows it.
#pragma once

#include <windows.h>

#include <string>

#include "win/EditorView.h"
#include "win/Window.h"

class DocumentHost;

enum class DiskState { unchanged = 0, deleted = 1, changed = 2 };

// The text, code page, modified and read-only flags live in the editing component; the
// Document holds the path and the file time. It deletes itself when its view is destroyed.
class Document : public Window {
public:
    // Creates the view hidden as a child of `tabs` and sets it up; nullptr on failure.
    static Document* Create(HWND tabs, DocumentHost& host);
    // Destroys the view, which deletes this object.
    void Destroy();

    const EditorView& View() const { return view_; }
    HWND ViewWindow() const { return view_.Window(); }
    const std::string& Path() const { return path_; }
    void SetPath(const std::string& path) { path_ = path; }
    FILETIME LastWriteTime() const { return lastWriteTime_; }

    bool IsModified() const;
    bool IsReadOnly() const;
    void SetReadOnly(bool readOnly);
    int CodePage() const;
    void SetCodePage(int codePage);
    // The file name and "*" when modified; "(untitled)" without a path.
    std::string TabText() const;

    // Replaces the text by the file's bytes; the encoding follows the EF BB BF prefix.
    bool LoadFromFile(const std::string& path);
    // Writes the text, prefixed by EF BB BF in UTF-8, without ever leaving a damaged file.
    bool SaveToFile(const std::string& path);
    // SaveToFile, then ctags and the remembered write time.
    bool SaveTo(const std::string& path);
    bool RefreshWriteTime();
    DiskState GetDiskState() const;

protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;
    void OnFinalMessage() override;

private:
    explicit Document(DocumentHost& host) : host_(host) {}

    DocumentHost& host_;
    EditorView view_;
    std::string path_;
    FILETIME lastWriteTime_{};
};

// The last-write time of the file at `path`, or false when it cannot be found.
bool ReadLastWriteTime(const std::string& path, FILETIME& time);
