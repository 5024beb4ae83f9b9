// Text helpers: string resources, code page conversions and the case-insensitive comparison
// used for paths.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

// A string-table entry of the program, empty when missing.
std::string LoadResourceString(UINT id);
// A string-table entry with each "%s" replaced by the next of `texts`, in order. The texts are
// taken as they are: a "%" in a path or a search text is not read as a format.
std::string FormatResourceString(UINT id, std::initializer_list<std::string_view> texts);

// The system's text for an error code, without its line end ("Error 1234" when it has none).
std::string SystemMessage(DWORD error);

// The part of a command string before its line feed (the menu prompt) and after it (the tooltip).
std::string CommandPrompt(const std::string& commandString);
std::string CommandTooltip(const std::string& commandString);

// Case-insensitive comparison that knows the system's multibyte code page (for paths).
bool EqualNoCase(const std::string& a, const std::string& b);

// `text` in code page `codePage` as UTF-16, and back. `flags` and `lossy` are those of
// WideCharToMultiByte: WC_NO_BEST_FIT_CHARS with `lossy` tells a text the code page cannot hold.
std::wstring WideText(std::string_view text, UINT codePage);
std::string NarrowText(std::wstring_view text, UINT codePage, DWORD flags = 0, BOOL* lossy = nullptr);
