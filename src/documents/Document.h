// One open file, or one untitled buffer, and the editing view that shows it.
#pragma once

#include <windows.h>

#include <string>

#include "win/EditorView.h"
#include "win/Window.h"

class DocumentHost;

enum class DiskState { unchanged = 0, deleted = 1, changed = 2 };

// The text, code page, modified and read-only flags live in the editing component; the
// Document holds the path, the file time and whether the file began with the UTF-8 byte order
// mark (the component knows only the code page). It deletes itself when its view is destroyed.
class Document : public Window {
  public:
    // Creates the view hidden as a child of `tabs` and sets it up; nullptr on failure.
    static Document* Create(HWND tabs, DocumentHost& host);
    // Destroys the view, which deletes this object.
    void Destroy();

    const EditorView& View() const { return view_; }
    HWND ViewWindow() const { return view_.Window(); }
    const std::string& Path() const { return path_; }
    // A new name, before anything is written under it: the file there now is what later
    // changes on disk are measured against.
    void SetPath(const std::string& path);
    FILETIME LastWriteTime() const { return lastWriteTime_; }

    // Tells documents apart even where a closed one's address is reused by a new one.
    unsigned Serial() const { return serial_; }
    // A question or dialog about this document is up (its modal loop still works on it): a close
    // that arrives meanwhile must not destroy it.
    bool IsAskedAbout() const { return askedAbout_ > 0; }
    class AskingAbout {
      public:
        explicit AskingAbout(Document& document) : document_(document) { ++document_.askedAbout_; }
        ~AskingAbout() { --document_.askedAbout_; }
        AskingAbout(const AskingAbout&) = delete;
        AskingAbout& operator=(const AskingAbout&) = delete;

      private:
        Document& document_;
    };

    bool IsModified() const;
    bool IsReadOnly() const;
    // The user's choice (the Open dialog's box, Save As): it outlasts a reload, whatever the
    // file's own attribute says then.
    void SetReadOnly(bool readOnly);
    int CodePage() const;
    // Only how the bytes are read and typed text is stored: the next save writes the same bytes.
    void SetCodePage(int codePage);
    // The file began with EF BB BF, which the next save writes again; new documents have none.
    bool HasByteOrderMark() const { return byteOrderMark_; }
    // The file name and "*" when modified; "(untitled)" without a path.
    std::string TabText() const;

    // Replaces the text by the file's bytes. UTF-8 when they start with EF BB BF (not put into
    // the text) or are all valid UTF-8 with at least one non-ASCII byte, else ANSI. Only files
    // on a disk are read; a file that cannot be read to its end leaves the text, the encoding,
    // the modified state and the undo history as they were, and returns false.
    bool LoadFromFile(const std::string& path);
    // Writes the byte order mark when the file had one, then the text, without ever leaving a
    // damaged file. On failure GetLastError() tells why.
    bool SaveToFile(const std::string& path);
    // The text and the file hold the same bytes now (after a load, a reload or a save): ctags
    // reads the file again, the tag cache forgets it, and its write time becomes the one that
    // outside changes are measured against.
    void OnTextMatchesFile();
    DiskState GetDiskState() const;

  protected:
    bool HandleMessage(Message& msg, LRESULT& result) override;
    void OnFinalMessage() override;

  private:
    explicit Document(DocumentHost& host);
    bool ReadText(HANDLE file, ULONGLONG size, bool& byteOrderMark, bool& utf8);
    int LineEndMode() const;
    bool WriteText(HANDLE file) const;
    bool WriteInPlace(const std::string& target) const;
    bool RefreshWriteTime();

    DocumentHost& host_;
    EditorView view_;
    std::string path_;
    FILETIME lastWriteTime_{};
    unsigned serial_;
    bool byteOrderMark_ = false;
    bool readOnlyChosen_ = false;
    int askedAbout_ = 0;
};

// True for a name that can only mean a file on a disk: not a pipe, a mailslot, a port or
// another device, in any spelling ("\\.\", "\\?\", "COM1", "C:\x\nul.php", "\\host\pipe\x").
bool IsDiskFileName(const std::string& path);

// The last-write time of the file at `path`, or false when it cannot be found.
bool ReadLastWriteTime(const std::string& path, FILETIME& time);
