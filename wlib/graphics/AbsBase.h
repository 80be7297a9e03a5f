// TAbsBase: the counted root of the graphics objects. RefCount is the number
// of extra references (0 = one owner). Objects made on the heap by a factory
// or a clone are Owned and delete themselves when released with no extra
// reference left; embedded objects (Owned = 0) are never deleted by counting.
// Counts are plain integers: all drawing happens on the window's thread.
#pragma once

#include <cstdint>

namespace WLib {

class TAbsBase {
public:
    TAbsBase() = default;
    TAbsBase(const TAbsBase&) = delete;
    TAbsBase& operator=(const TAbsBase&) = delete;

    // A new object of the same kind, or null.
    virtual TAbsBase* Clone();
    virtual ~TAbsBase();

    void AddRef() { RefCount += 1; }
    void Release();

    uint32_t RefCount = 0;
    uint32_t Owned = 0;
};

// The common base of canvases, bitmaps and fonts.
class TGraphicBase : public TAbsBase {
public:
    TGraphicBase* Clone() override;
    ~TGraphicBase() override;
};

} // namespace WLib
