// EditorView: direct calls into the editing component.
#include "win/EditorView.h"

EditorView::EditorView(HWND window) noexcept : window_(window) {
    if (!window) return;
    function_ = reinterpret_cast<SciFnDirect>(::SendMessageA(window, SCI_GETDIRECTFUNCTION, 0, 0));
    pointer_ = static_cast<sptr_t>(::SendMessageA(window, SCI_GETDIRECTPOINTER, 0, 0));
}

sptr_t EditorView::Call(unsigned int message, uptr_t wParam, sptr_t lParam) const {
    if (function_) return function_(pointer_, message, wParam, lParam);
    if (window_) return ::SendMessageA(window_, message, wParam, lParam);
    return 0;
}
