// A handle on one editing-component window that sends messages through the component's direct
// function, bypassing the window procedure.
#pragma once

#include <windows.h>

#include "Scintilla.h"

class EditorView {
  public:
    EditorView() noexcept = default;
    // Borrows the window; the view stays owned by whoever created it.
    explicit EditorView(HWND window) noexcept;

    HWND Window() const noexcept { return window_; }
    explicit operator bool() const noexcept { return window_ != nullptr; }

    sptr_t Call(unsigned int message, uptr_t wParam = 0, sptr_t lParam = 0) const;
    // For messages whose lParam is a text or a buffer.
    template <class T> sptr_t Call(unsigned int message, uptr_t wParam, T* lParam) const {
        return Call(message, wParam, reinterpret_cast<sptr_t>(lParam));
    }

  private:
    HWND window_ = nullptr;
    SciFnDirect function_ = nullptr;
    sptr_t pointer_ = 0;
};
