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

// Save (57603): true when the document was written. Untitled documents get Save As.
bool SaveDocument(Document& document, DocumentHost& host);
// Save As (57604): true when the document was written under the chosen name.
bool SaveDocumentAs(Document& document, DocumentHost& host);
// Save All (32772): every document that is not read-only, in tab order, until one fails.
bool SaveAllDocuments(DocumentTabs& tabs, DocumentHost& host);
// Open (57601): the open dialog, then the chosen file in a tab.
void OpenWithDialog(DocumentTabs& tabs, HWND owner);
// ANSI (code page 0) or UTF-8 (65001): takes effect at the next save; the bytes stay.
void SetEncoding(Document& document, int codePage);

// Asks about every document whose file was changed or deleted by another program.
void CheckExternalChanges(DocumentTabs& tabs, DocumentHost& host);

// The save dialog; false on Cancel.
bool AskSavePath(HWND owner, const std::string& initialName, std::string& chosen);
