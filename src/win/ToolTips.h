// Answers a tooltip's request for its text (TTN_GETDISPINFOA or TTN_GETDISPINFOW).
#pragma once

#include <windows.h>

#include <string>

// `notification` is the WM_NOTIFY lParam of a TTN_GETDISPINFO request. The text may be longer
// than the request's own buffer.
void AnswerToolTipText(LPARAM notification, const std::string& text);
