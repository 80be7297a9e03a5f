#include "wlib/graphics/Font.h"

#include <cstring>

#include "platform/desktop/DeviceContext.h"
#include "wlib/graphics/Canvas.h"

namespace WLib {

namespace {

// Formatted-text flags of every text drawn in a rectangle: vertical centre,
// word break, single line, no clipping, no prefix processing.
constexpr unsigned kRectTextFormat = 0x934;

Platform::DC* DeviceOf(TCanvas& canvas)
{
    auto* gdi = dynamic_cast<TCanvasGDIBase*>(canvas.Impl);
    return gdi ? gdi->DC : nullptr;
}

} // namespace

TFontBase* TFontBase::Clone()
{
    return nullptr;
}
TFontBase::~TFontBase() = default;
void TFontBase::DrawTextInRect(TCanvas&, const TRect&, int, const TMemStr&) {}
void TFontBase::TextOut(TCanvas&, int, int, const TMemStr&) {}
TSize TFontBase::TextExtent(TCanvas&, const TMemStr&)
{
    return TSize();
}
void TFontBase::SetHeight(int) {}
void TFontBase::SetWeight(int) {}
int TFontBase::Reserved()
{
    return 0;
}

TFontGDIBase::TFontGDIBase()
{
    std::strcpy(Desc.FaceName, "Arial");
}

TFontGDIBase* TFontGDIBase::Clone()
{
    auto* copy = new TFontGDIBase();
    copy->Desc = Desc;
    copy->Dirty = 1;
    copy->Owned = 1;
    return copy;
}

TFontGDIBase::~TFontGDIBase()
{
    if (RefCount == 0 && Handle)
        Platform::DeleteFont(Handle);
}

Platform::Font* TFontGDIBase::GetHandle()
{
    if (Dirty) {
        if (Handle)
            Platform::DeleteFont(Handle);
        Handle = Platform::CreateFontIndirect(Desc);
        Dirty = 0;
    }
    return Handle;
}

void TFontGDIBase::DrawTextInRect(TCanvas& canvas, const TRect& rect, int align, const TMemStr& text)
{
    Platform::DC* dc = DeviceOf(canvas);
    if (!dc)
        return;
    Platform::Font* previous = Platform::SelectFont(dc, GetHandle());
    unsigned format = kRectTextFormat | (align == 0  ? Platform::kDtCenter
                                         : align < 0 ? Platform::kDtLeft
                                                     : Platform::kDtRight);
    Platform::DrawText(dc, text.Ptr(), text.Length(), rect.Left, rect.Top, rect.Right, rect.Bottom, format);
    Platform::SelectFont(dc, previous);
}

void TFontGDIBase::TextOut(TCanvas& canvas, int x, int y, const TMemStr& text)
{
    Platform::DC* dc = DeviceOf(canvas);
    if (!dc)
        return;
    Platform::Font* previous = Platform::SelectFont(dc, GetHandle());
    Platform::TextOut(dc, x, y, text.Ptr(), text.Length());
    Platform::SelectFont(dc, previous);
}

TSize TFontGDIBase::TextExtent(TCanvas& canvas, const TMemStr& text)
{
    Platform::DC* dc = DeviceOf(canvas);
    if (!dc)
        return TSize();
    Platform::Font* previous = Platform::SelectFont(dc, GetHandle());
    int w = 0, h = 0;
    Platform::GetTextExtent(dc, text.Ptr(), text.Length(), &w, &h);
    Platform::SelectFont(dc, previous);
    return TSize(w, h);
}

void TFontGDIBase::SetHeight(int height)
{
    if (height != Desc.Height) {
        Desc.Height = height;
        Dirty = 1;
    }
}

void TFontGDIBase::SetWeight(int weight)
{
    if (weight != Desc.Weight) {
        Desc.Weight = weight;
        Dirty = 1;
    }
}

int TFontGDIBase::Reserved()
{
    return 0;
}

TFont::TFont(const TFont& other) : Impl(other.Impl ? other.Impl->Clone() : nullptr) {}

TFont& TFont::operator=(const TFont& other)
{
    // Clone first: the source may be this very handle.
    TFontBase* copy = other.Impl ? other.Impl->Clone() : nullptr;
    Release();
    Impl = copy;
    return *this;
}

TFont& TFont::operator=(TFont&& other) noexcept
{
    if (this != &other) {
        Release();
        Impl = other.Impl;
        other.Impl = nullptr;
    }
    return *this;
}

TFont::~TFont()
{
    Release();
}

TFont TFont::NewDefault()
{
    auto* impl = new TFontGDIBase();
    impl->Owned = 1;
    return TFont(impl);
}

void TFont::Release()
{
    if (Impl)
        Impl->Release();
    Impl = nullptr;
}

void TFont::SetHeight(int height)
{
    if (Impl)
        Impl->SetHeight(height);
}

void TFont::SetWeight(int weight)
{
    if (Impl)
        Impl->SetWeight(weight);
}

TSize TFont::TextExtent(TCanvas& canvas, const TMemStr& text)
{
    return Impl ? Impl->TextExtent(canvas, text) : TSize();
}

void TFont::TextOut(TCanvas& canvas, int x, int y, const TMemStr& text)
{
    if (Impl)
        Impl->TextOut(canvas, x, y, text);
}

void TFont::DrawTextInRect(TCanvas& canvas, const TRect& rect, int align, const TMemStr& text)
{
    if (Impl)
        Impl->DrawTextInRect(canvas, rect, align, text);
}

} // namespace WLib
