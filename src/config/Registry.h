// The one checked path to the per-user registry: every value read is validated for type,
// size and terminator, because anything in the registry may have been written by someone else.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win/Handles.h"

// HKEY_CURRENT_USER\Software\Altav\Quillmark
extern const char* const programRegistryKey;

// Opens (optionally creating) a key below HKEY_CURRENT_USER with read and write access.
RegKey OpenProgramKey(const char* subKey = nullptr, bool create = false);

// A REG_SZ or REG_EXPAND_SZ value (used unexpanded) of at most `maxBytes` bytes including its
// terminating NUL. Nothing when the value is missing, of another type, larger, or not
// terminated inside its data.
std::optional<std::string> ReadRegistryString(HKEY key, const char* name, DWORD maxBytes);
// A REG_DWORD value; nothing when missing or of another type or size.
std::optional<DWORD> ReadRegistryDword(HKEY key, const char* name);

bool WriteRegistryString(HKEY key, const char* name, const std::string& value);
bool WriteRegistryDword(HKEY key, const char* name, DWORD value);
void DeleteRegistryValue(HKEY key, const char* name);
