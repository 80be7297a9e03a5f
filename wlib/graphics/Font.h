// Fonts: the counted implementation objects (TFontBase, TFontGDIBase) and the
// TFont handle. A font handle never shares its implementation: copying or
// assigning one stores a clone, so a widget that changes its font's height
// changes only its own.
#pragma once

#include "platform/desktop/Font.h"
#include "wlib/base/MemStr.h"
#include "wlib/graphics/AbsBase.h"
#include "wlib/graphics/Geometry.h"

namespace WLib {

class TCanvas;

class TFontBase : public TGraphicBase {
public:
    TFontBase* Clone() override;
    ~TFontBase() override;
    // Text in rect (surface coordinates), vertically centred on one line;
    // align 0 centres, below 0 left-aligns, above 0 right-aligns.
    virtual void DrawTextInRect(TCanvas& canvas, const TRect& rect, int align, const TMemStr& text);
    // Text with its cell's top-left corner at (x, y), surface coordinates.
    virtual void TextOut(TCanvas& canvas, int x, int y, const TMemStr& text);
    // Width and height (the cell height) of the text.
    virtual TSize TextExtent(TCanvas& canvas, const TMemStr& text);
    virtual void SetHeight(int height);
    virtual void SetWeight(int weight);
    virtual int Reserved();
};

class TFontGDIBase : public TFontBase {
public:
    // "Arial" at the platform's default height and weight.
    TFontGDIBase();
    // A heap copy of the description (Owned, made dirty: it makes its own
    // platform font on first use).
    TFontGDIBase* Clone() override;
    ~TFontGDIBase() override;
    void DrawTextInRect(TCanvas& canvas, const TRect& rect, int align, const TMemStr& text) override;
    void TextOut(TCanvas& canvas, int x, int y, const TMemStr& text) override;
    TSize TextExtent(TCanvas& canvas, const TMemStr& text) override;
    void SetHeight(int height) override;
    void SetWeight(int weight) override;
    int Reserved() override;

    // The platform font of the current description, made afresh when dirty.
    Platform::Font* GetHandle();

    Platform::Font* Handle = nullptr;
    Platform::LogFont Desc;
    uint32_t Dirty = 1;
};

class TFont {
public:
    TFont() = default;
    // Takes over impl as its one owner (no reference added).
    explicit TFont(TFontBase* impl) : Impl(impl) {}
    TFont(const TFont& other);
    TFont(TFont&& other) noexcept : Impl(other.Impl) { other.Impl = nullptr; }
    TFont& operator=(const TFont& other);
    TFont& operator=(TFont&& other) noexcept;
    ~TFont();

    // A handle with a new heap default font.
    static TFont NewDefault();

    bool IsEmpty() const { return Impl == nullptr; }
    void Release();

    // Forwarders; an empty handle draws nothing and measures (0, 0).
    void SetHeight(int height);
    void SetWeight(int weight);
    TSize TextExtent(TCanvas& canvas, const TMemStr& text);
    void TextOut(TCanvas& canvas, int x, int y, const TMemStr& text);
    void DrawTextInRect(TCanvas& canvas, const TRect& rect, int align, const TMemStr& text);

    TFontBase* Impl = nullptr;
};

} // namespace WLib
