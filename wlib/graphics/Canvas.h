// Canvases: the counted implementation objects (TCanvasBase, TCanvasGDIBase)
// and the TCanvas handle. A handle carries its owner's Area: the region of the
// surface given to one page or widget, whose top-left corner is the origin of
// that owner's drawing coordinates for Draw and DrawTextInRect.
#pragma once

#include <cstdint>

#include "platform/desktop/DeviceContext.h"
#include "wlib/base/MemStr.h"
#include "wlib/graphics/AbsBase.h"
#include "wlib/graphics/Font.h"
#include "wlib/graphics/Geometry.h"

namespace WLib {

class TBitmap;

// Raster operations used by the system.
constexpr uint32_t kRopSrcCopy = 0xCC0020;
constexpr uint32_t kRopSrcAnd = 0x8800C6;
constexpr uint32_t kRopSrcPaint = 0xEE0086;

class TCanvasBase : public TGraphicBase {
public:
    TCanvasBase* Clone() override;
    ~TCanvasBase() override;
    // All in surface coordinates.
    virtual void Rectangle(const TRect& rect) = 0;
    // Copies source rect of the source canvas to (x, y) with the raster operation.
    virtual void BitBlt(TCanvasBase* source, uint32_t rop, int x, int y, const TRect& sourceRect) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Fills the rectangle with one colour (0x00BBGGRR).
    virtual void FillRect(const TRect& rect, uint32_t colour) = 0;
    // Text colour (0x00BBGGRR); text is always drawn without a background.
    virtual void SetTextColor(uint32_t colour) = 0;

    TFont Font;
};

class TCanvasGDIBase : public TCanvasBase {
public:
    ~TCanvasGDIBase() override;
    void Rectangle(const TRect& rect) override;
    void BitBlt(TCanvasBase* source, uint32_t rop, int x, int y, const TRect& sourceRect) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void FillRect(const TRect& rect, uint32_t colour) override;
    void SetTextColor(uint32_t colour) override;

    Platform::DC* DC = nullptr;
    // Set for the memory contexts a bitmap makes for itself: only those are
    // deleted with the canvas. A window's canvas draws on a context that
    // belongs to the window.
    bool OwnsDC = false;
};

class TCanvas {
public:
    TCanvas() = default;
    // Refers to impl (adding a reference) with its font's clone.
    explicit TCanvas(TCanvasBase* impl);
    TCanvas(const TCanvas& other);
    TCanvas& operator=(const TCanvas& other);
    ~TCanvas();

    // Refers to another implementation: releases the old one, adds a
    // reference to the new one and takes a clone of its font.
    void SetImpl(TCanvasBase* impl);
    void Release();
    bool IsEmpty() const { return Impl == nullptr; }

    // Draws a bitmap at (x, y) of the owner's coordinates. An all-zero source
    // rect means the whole bitmap; otherwise its width and height are those
    // of the source rect, with no stretching.
    void Draw(const TBitmap& bitmap, uint32_t rop, int x, int y, const TRect& sourceRect);
    // Text in a rectangle of the owner's coordinates, in the handle's font:
    // vertically centred, one line, not clipped; align 0 centres, below 0
    // left-aligns, above 0 right-aligns.
    void DrawTextInRect(int align, const TRect& rect, const TMemStr& text);
    // Fills a rectangle of the owner's coordinates with one colour (0x00BBGGRR).
    void FillRect(const TRect& rect, uint32_t colour);
    // Width and height of the text in the handle's font.
    TSize TextExtent(const TMemStr& text);
    void SetTextColor(uint32_t colour);
    // The handle's own font, cloned from the implementation's when empty.
    TFont& GetFont();

    TRect Area;
    TCanvasBase* Impl = nullptr;
    TFont Font;
};

} // namespace WLib
