// The session: the files open when the program closed, reopened at the next start.
#pragma once

class DocumentTabs;

// Writes "Session1".."SessionN" (the paths in tab order, empty for untitled documents) under
// HKCU\Software\Altav\Quillmark and removes "SessionN+1".
void WriteSession(const DocumentTabs& tabs);
// Opens the session's files in order, up to the first missing or malformed value.
void RestoreSession(DocumentTabs& tabs);
