#include "wlib/graphics/Canvas.h"

#include "wlib/graphics/Bitmap.h"

namespace WLib {

TCanvasBase* TCanvasBase::Clone()
{
    return nullptr;
}

TCanvasBase::~TCanvasBase() = default; // Font releases itself

TCanvasGDIBase::~TCanvasGDIBase()
{
    if (RefCount == 0 && DC && OwnsDC)
        Platform::DeleteDC(DC);
}

void TCanvasGDIBase::Rectangle(const TRect& rect)
{
    Platform::Rectangle(DC, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TCanvasGDIBase::BitBlt(TCanvasBase* source, uint32_t rop, int x, int y, const TRect& sourceRect)
{
    auto* from = dynamic_cast<TCanvasGDIBase*>(source);
    if (!from)
        return;
    Platform::BitBlt(DC, x, y, sourceRect.Width(), sourceRect.Height(), from->DC, sourceRect.Left,
                     sourceRect.Top, rop);
}

void TCanvasGDIBase::MoveTo(int x, int y)
{
    Platform::MoveTo(DC, x, y);
}

void TCanvasGDIBase::LineTo(int x, int y)
{
    Platform::LineTo(DC, x, y);
}

void TCanvasGDIBase::FillRect(const TRect& rect, uint32_t colour)
{
    Platform::SetPen(DC, colour, 0);
    Platform::SetBrush(DC, colour);
    Platform::Rectangle(DC, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TCanvasGDIBase::SetTextColor(uint32_t colour)
{
    Platform::SetBkMode(DC, Platform::kBkTransparent);
    Platform::SetTextColor(DC, colour);
}

TCanvas::TCanvas(TCanvasBase* impl)
{
    SetImpl(impl);
}

TCanvas::TCanvas(const TCanvas& other) : Area(other.Area)
{
    SetImpl(other.Impl);
}

TCanvas& TCanvas::operator=(const TCanvas& other)
{
    if (this != &other) {
        Area = other.Area;
        SetImpl(other.Impl);
    }
    return *this;
}

TCanvas::~TCanvas()
{
    Release();
}

void TCanvas::SetImpl(TCanvasBase* impl)
{
    if (impl)
        impl->AddRef(); // before the release: impl may be the current one
    if (Impl)
        Impl->Release();
    Impl = impl;
    if (impl)
        Font = impl->Font;
    else
        Font.Release();
}

void TCanvas::Release()
{
    Font.Release();
    if (Impl)
        Impl->Release();
    Impl = nullptr;
}

void TCanvas::Draw(const TBitmap& bitmap, uint32_t rop, int x, int y, const TRect& sourceRect)
{
    if (!Impl || !bitmap.Impl)
        return;
    TRect source = sourceRect;
    if (source.IsZero()) {
        TSize size = bitmap.GetSize();
        source = TRect(0, 0, size.Width, size.Height);
    }
    TCanvasBase* from = bitmap.Impl->GetCanvas();
    if (!from)
        return;
    Impl->BitBlt(from, rop, x + Area.Left, y + Area.Top, source);
}

TFont& TCanvas::GetFont()
{
    if (Font.IsEmpty() && Impl)
        Font = Impl->Font;
    return Font;
}

void TCanvas::DrawTextInRect(int align, const TRect& rect, const TMemStr& text)
{
    TFont& font = GetFont();
    font.DrawTextInRect(*this, rect.Offset(Area.Left, Area.Top), align, text);
}

void TCanvas::FillRect(const TRect& rect, uint32_t colour)
{
    if (Impl)
        Impl->FillRect(rect.Offset(Area.Left, Area.Top), colour);
}

TSize TCanvas::TextExtent(const TMemStr& text)
{
    return GetFont().TextExtent(*this, text);
}

void TCanvas::SetTextColor(uint32_t colour)
{
    if (Impl)
        Impl->SetTextColor(colour);
}

} // namespace WLib
