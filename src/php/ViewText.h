// Byte-wise reading of a view's text in blocks, for the scans around the caret.
#pragma once

#include <algorithm>

#include "win/EditorView.h"

// Reads bytes of the range [first, last) of the view's text through a small block cache, so a
// scan costs what it looks at however long the line is, and nothing outside the range (or the
// document) is ever asked for. Suited to walking left or right one byte at a time.
class ViewText {
  public:
    ViewText(const EditorView& view, Sci_Position first, Sci_Position last) noexcept
        : view_(view), first_(std::max<Sci_Position>(first, 0)),
          last_(std::clamp<Sci_Position>(last, first_, view.Call(SCI_GETLENGTH))) {}

    bool Contains(Sci_Position position) const noexcept { return position >= first_ && position < last_; }

    // The byte at `position` as an unsigned value, or -1 outside the range.
    int At(Sci_Position position) {
        if (!Contains(position)) return -1;
        if (position < blockStart_ || position >= blockEnd_) Load(position);
        return static_cast<unsigned char>(block_[position - blockStart_]);
    }

  private:
    static constexpr Sci_Position blockSize = 512;

    void Load(Sci_Position position) {
        // Leftwards the block ends at the position asked for, rightwards it starts there; the
        // first block lies around it, the direction being unknown yet.
        if (blockStart_ == blockEnd_) {
            blockStart_ = std::max(first_, position - blockSize / 2);
            blockEnd_ = std::min(last_, blockStart_ + blockSize);
        } else if (position < blockStart_) {
            blockEnd_ = position + 1;
            blockStart_ = std::max(first_, blockEnd_ - blockSize);
        } else {
            blockStart_ = position;
            blockEnd_ = std::min(last_, blockStart_ + blockSize);
        }
        Sci_TextRangeFull range{{blockStart_, blockEnd_}, block_};
        view_.Call(SCI_GETTEXTRANGEFULL, 0, &range);
    }

    const EditorView& view_;
    Sci_Position first_;
    Sci_Position last_;
    Sci_Position blockStart_ = 0;
    Sci_Position blockEnd_ = 0;
    char block_[blockSize + 1] = {}; // the component adds a terminating zero
};
