// TPictureKeeper: keeps the decoded pixels of the pictures in view and lets
// the others go. A full-window picture takes almost a megabyte decoded and
// the pages share some twenty of them, of which one page shows two at most;
// a picture let go is decoded again from its file when it is next drawn
// (TBitmapGDIBase::LetGo), which takes a few milliseconds.
//
// The caller tells the keeper after every whole paint (NotePaint) and sweeps
// from time to time (Sweep); the time is the caller's clock. A picture is in
// view when the last whole paint drew it; one out of view is let go once
// HoldMs have passed since it was last drawn, so that going back and forth
// between two pages does not decode their pictures each time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "wlib/graphics/Bitmap.h"

namespace WLib {

class TPictureKeeper {
public:
    static constexpr int64_t kDefaultHoldMs = 3000;

    explicit TPictureKeeper(int64_t holdMs = kDefaultHoldMs) : HoldMs(holdMs) {}

    // Watches the picture the handle shares (a picture that did not come
    // from a JPEG file is never let go). Adding one twice changes nothing.
    void Add(const TBitmap& picture);
    // After a whole paint at nowMs: the pictures it drew are in view, the
    // others not.
    void NotePaint(int64_t nowMs);
    // Lets go every picture out of view that was last drawn HoldMs or more
    // before nowMs (or never since it was added). Returns the bytes given
    // back.
    size_t Sweep(int64_t nowMs);
    // Decodes a watched picture ahead of its page (a page a lit button
    // leads to, say) and holds it as if drawn at nowMs. Returns whether its
    // pixels are in memory.
    bool Keep(const TBitmap& picture, int64_t nowMs);
    // Lets go one watched picture at once, drawn or not (a picture decoded
    // only to check its file, say). Returns the bytes given back.
    size_t LetGo(const TBitmap& picture);
    // Whether a decoded picture is out of view, that is, whether a Sweep
    // may still give something back.
    bool HasPicturesToLetGo() const;
    // The bytes of the watched pictures' pixels in memory.
    size_t DecodedBytes() const;

    const int64_t HoldMs;

private:
    struct TEntry {
        TBitmap Picture;
        uint32_t SeenDraws = 0;
        bool InView = false;
        bool EverDrawn = false;
        int64_t LastDrawnMs = 0;
    };
    static TBitmapGDIBase* PixelsOf(const TBitmap& picture);

    std::vector<TEntry> Entries;
};

} // namespace WLib
