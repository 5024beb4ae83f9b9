// AnswerToolTipText.
#include "win/ToolTips.h"

#include <commctrl.h>

void AnswerToolTipText(LPARAM notification, const std::string& text) {
    // The tooltip copies the text before the next request: one buffer per thread is enough,
    // and unlike the request's own 80 characters it holds a full path.
    thread_local std::string narrow;
    thread_local std::wstring wide;
    auto* header = reinterpret_cast<NMHDR*>(notification);
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(notification);
        narrow = text;
        info->lpszText = narrow.data();
        info->hinst = nullptr;
    } else if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(notification);
        int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        wide.assign(length > 0 ? length : 1, L'\0');
        ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
        info->lpszText = wide.data();
        info->hinst = nullptr;
    }
}
