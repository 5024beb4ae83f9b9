// The file commands on documents: save prompt, Open, Save, Save As, Save All, encodings, and
// the check for changes made by other programs.
#pragma once

#include <windows.h>

#include <string>

class Document;
class DocumentHost;
class DocumentTabs;

// The save prompt: true when the document may go (saved, unchanged or changes dropped).
bool ConfirmClose(Document& document, DocumentHost& host);
// Closes the document of tab `index` after the save prompt; false when it stays (the answer was
// Cancel, the save failed, a question about it is still up, or there is no such tab).
bool CloseDocument(DocumentTabs& tabs, int index, DocumentHost& host);
// The save prompt for every document in tab order, each asked exactly once even when tabs open
// or close while a question is up; false at the first refusal.
bool ConfirmCloseAll(DocumentTabs& tabs, DocumentHost& host);

// Save (57603): true when the document was written. Untitled documents get Save As.
bool SaveDocument(Document& document, DocumentHost& host);
// Save As (57604): true when the document was written under the chosen name.
bool SaveDocumentAs(Document& document, DocumentHost& host);
// Save All (32772): every modified document that is not read-only, in tab order, until one fails.
bool SaveAllDocuments(DocumentTabs& tabs, DocumentHost& host);
// Open (57601): the open dialog, starting in the selected document's folder, then the chosen
// file in a tab.
void OpenWithDialog(DocumentTabs& tabs, HWND owner);
// ANSI (code page 0) or UTF-8 (65001): how the bytes are shown and typed text is stored. No
// byte changes, the byte order mark included, so the document stays as modified as it was.
void SetEncoding(Document& document, int codePage);

// The save dialog; false on Cancel. It leaves the current folder where it was.
bool AskSavePath(HWND owner, const std::string& initialName, std::string& chosen);

// The check for files that other programs changed or deleted, run when the program becomes the
// active application. Never over another prompt or inside the close sequence: two questions
// about one file would stack, and an answer could close a document that the other prompt still
// works on. Such a check waits and runs once, when the frame is free again.
class ExternalChangeCheck {
  public:
    ExternalChangeCheck(DocumentTabs& tabs, DocumentHost& host) : tabs_(tabs), host_(host) {}

    // The program became the active application: check now, or once the frame is free.
    void OnActivated();
    // The program's own message loop is idle, so no modal loop runs: a check that waited runs
    // now. (A message posted to run it could be taken and dropped by the ending dialog's loop.)
    void RunWaiting();

    // While one lives (the close sequence, the question at the end of the session) checks wait.
    class Hold {
      public:
        explicit Hold(ExternalChangeCheck& check) : check_(check) { ++check_.holds_; }
        ~Hold() { --check_.holds_; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        ExternalChangeCheck& check_;
    };

  private:
    // A modal loop owned by the frame (a message box, a file dialog, a dialog box) disables it.
    bool FrameBusy() const;
    void Run();

    DocumentTabs& tabs_;
    DocumentHost& host_;
    bool running_ = false;
    bool waiting_ = false;
    int holds_ = 0;
};
