// Text helpers: string resources and the case-insensitive comparison used for paths.
#pragma once

#include <windows.h>

#include <string>

// A string-table entry of the program, empty when missing.
std::string LoadResourceString(UINT id);

// The part of a command string before its line feed (the menu prompt) and after it (the tooltip).
std::string CommandPrompt(const std::string& commandString);
std::string CommandTooltip(const std::string& commandString);

// Case-insensitive comparison that knows the system's multibyte code page (for paths).
bool EqualNoCase(const std::string& a, const std::string& b);
