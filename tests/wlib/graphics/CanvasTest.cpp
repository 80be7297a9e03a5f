#include "wlib/graphics/Canvas.h"

#include <cstdio>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "JpegFixture.h"
#include "tests/platform/TempFolder.h"
#include "wlib/graphics/Bitmap.h"

using namespace WLib;

namespace {

// A surface bitmap with a canvas handle on it, as the window's back buffer
// is; the canvas gets a default font, as the main window gives it.
struct Surface {
    Surface(int w, int h)
    {
        Bitmap.Create(w, h);
        Impl = Bitmap.Impl->GetCanvas();
        Impl->Font = TFont::NewDefault();
        Canvas.SetImpl(Impl);
    }
    uint16_t Pixel(int x, int y) const { return Bitmap.Pixels()->Pixel(x, y); }
    void Fill(uint16_t value)
    {
        Platform::Bitmap* b = Bitmap.Pixels();
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x)
                b->SetPixel(x, y, value);
    }
    TRect Ink(uint16_t background = 0) const
    {
        TRect r(1 << 30, 1 << 30, -1, -1);
        Platform::Bitmap* b = Bitmap.Pixels();
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x)
                if (b->Pixel(x, y) != background) {
                    r.Left = std::min(r.Left, x);
                    r.Top = std::min(r.Top, y);
                    r.Right = std::max(r.Right, x + 1);
                    r.Bottom = std::max(r.Bottom, y + 1);
                }
        return r;
    }
    TBitmap Bitmap;
    TCanvasBase* Impl;
    TCanvas Canvas;
};

// A bitmap of the given size whose pixel (x, y) is 1 + x + 64 * y.
TBitmap Numbered(int w, int h)
{
    TBitmap b;
    b.Create(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Pixels()->SetPixel(x, y, uint16_t(1 + x + 64 * y));
    return b;
}

class Counted : public TGraphicBase {
public:
    explicit Counted(int* destroyed) : Destroyed(destroyed) {}
    ~Counted() override { ++*Destroyed; }
    int* Destroyed;
};

TEST(TAbsBase, ReleaseFollowsCountAndOwnership)
{
    int destroyed = 0;
    {
        Counted embedded(&destroyed);
        embedded.Release(); // count 0, not owned: left alone
        EXPECT_EQ(destroyed, 0);
        embedded.AddRef();
        embedded.Release();
        EXPECT_EQ(embedded.RefCount, 0u);
    }
    EXPECT_EQ(destroyed, 1);
    auto* heap = new Counted(&destroyed);
    heap->Owned = 1;
    heap->AddRef();
    heap->Release();
    EXPECT_EQ(destroyed, 1);
    heap->Release(); // count 0 and owned: destroys itself
    EXPECT_EQ(destroyed, 2);
}

TEST(TFont, AssignmentGivesTheTargetItsOwnFont)
{
    TFont source = TFont::NewDefault();
    source.SetHeight(18);
    TFont target;
    target = source;
    ASSERT_FALSE(target.IsEmpty());
    EXPECT_NE(target.Impl, source.Impl);
    target.SetHeight(30);
    auto* s = static_cast<TFontGDIBase*>(source.Impl);
    auto* t = static_cast<TFontGDIBase*>(target.Impl);
    EXPECT_EQ(s->Desc.Height, 18);
    EXPECT_EQ(t->Desc.Height, 30);
    EXPECT_STREQ(t->Desc.FaceName, "Arial");
    EXPECT_EQ(t->Owned, 1u);
    EXPECT_EQ(t->Dirty, 1u);
    TFont copy(target);
    EXPECT_NE(copy.Impl, target.Impl);
    const TFont& same = copy;
    copy = same; // self-assignment keeps a working font
    ASSERT_FALSE(copy.IsEmpty());
    EXPECT_EQ(static_cast<TFontGDIBase*>(copy.Impl)->Desc.Height, 30);
}

TEST(TFont, ChangesMarkDirtyOnlyWhenValuesChange)
{
    TFontGDIBase font;
    EXPECT_EQ(font.Desc.Height, 0);
    EXPECT_EQ(font.Dirty, 1u);
    Platform::Font* first = font.GetHandle();
    EXPECT_EQ(font.Dirty, 0u);
    font.SetHeight(0);
    font.SetWeight(0);
    EXPECT_EQ(font.Dirty, 0u);
    EXPECT_EQ(font.GetHandle(), first);
    font.SetWeight(700);
    EXPECT_EQ(font.Dirty, 1u);
    EXPECT_NE(std::string(Platform::FontFacePath(font.GetHandle())).find("Bold"), std::string::npos);
}

TEST(TFont, AbstractBaseDoesNothing)
{
    TFontBase base;
    TCanvas canvas;
    EXPECT_EQ(base.Clone(), nullptr);
    EXPECT_EQ(base.TextExtent(canvas, "abc"), TSize(0, 0));
    EXPECT_EQ(base.Reserved(), 0);
    TFont empty;
    EXPECT_EQ(empty.TextExtent(canvas, "abc"), TSize(0, 0));
}

TEST(TFont, CellHeight24MeasuresTwentyFourHigh)
{
    Surface s(10, 10);
    TFont& font = s.Canvas.GetFont();
    font.SetHeight(24);
    TSize size = font.TextExtent(s.Canvas, "0123456");
    EXPECT_EQ(size.Height, 24);
    EXPECT_EQ(size.Width, 7 * font.TextExtent(s.Canvas, "0").Width);
}

TEST(TBitmap, CopiesShareOneObject)
{
    TBitmap a;
    a.Create(4, 4);
    TBitmap b(a);
    EXPECT_EQ(a.Impl, b.Impl);
    EXPECT_EQ(a.Impl->RefCount, 1u);
    TBitmap c;
    c = b;
    EXPECT_EQ(a.Impl->RefCount, 2u);
    const auto& same = c;
    c = same;
    EXPECT_EQ(a.Impl->RefCount, 2u);
    b.Release();
    c.Release();
    EXPECT_EQ(a.Impl->RefCount, 0u);
    EXPECT_EQ(a.GetSize(), TSize(4, 4));
}

TEST(TBitmap, EveryLoadStartsFromAFreshObject)
{
    TBitmap a;
    a.Create(4, 4);
    TBitmap shared(a);
    a.LoadJpegFile("/nonexistent/skin.jpg");
    EXPECT_NE(a.Impl, shared.Impl);
    EXPECT_EQ(shared.GetSize(), TSize(4, 4)); // the other holder keeps the old picture
    EXPECT_EQ(a.GetSize(), TSize(0, 0));      // a failed load leaves a fresh, empty bitmap
    EXPECT_EQ(a.Pixels(), nullptr);
    EXPECT_EQ(TBitmap().GetSize(), TSize(0, 0));
}

TEST(TBitmap, JpegLoadSetsSizeAndBmpLoadDoesNot)
{
    std::vector<uint8_t> jpeg = JpegFixture::Busy(30, 20);
    TestSupport::TempFolder folder("skin");
    const std::string name = folder.WriteFile("skin.jpg", std::string(jpeg.begin(), jpeg.end()));
    TBitmap b;
    EXPECT_TRUE(b.LoadJpegFile(name.c_str()));
    EXPECT_EQ(b.GetSize(), TSize(30, 20));
    auto* gdi = static_cast<TBitmapGDIBase*>(b.Impl);
    EXPECT_EQ(gdi->Info.Width, 30);
    EXPECT_EQ(gdi->Info.Stride, 60);

    // A 2 x 1 24-bit BMP: black, white.
    std::vector<uint8_t> bmp(62, 0);
    const uint8_t header[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, // file header
                              40,  0,   0,  0, 2, 0, 0, 0, 1, 0, 0,  0, 1, 0,
                              24}; // width 2, height 1, 1 plane, 24 bits
    std::copy(std::begin(header), std::end(header), bmp.begin());
    bmp[57] = bmp[58] = bmp[59] = 255;
    const std::string bmpName = folder.WriteFile("mask.bmp", std::string(bmp.begin(), bmp.end()));
    TBitmap mask;
    EXPECT_TRUE(mask.LoadBmpFile(bmpName.c_str()));
    EXPECT_EQ(mask.GetSize(), TSize(0, 0));
    ASSERT_TRUE(mask.Pixels());
    EXPECT_EQ(mask.Pixels()->Pixel(0, 0), 0);
    EXPECT_EQ(mask.Pixels()->Pixel(1, 0), 0xFFFF);
}

TEST(TBitmap, FailedCreateKeepsSize)
{
    TBitmapGDIBase b;
    EXPECT_TRUE(b.Create(3, 2));
    EXPECT_FALSE(b.Create(0, 5));
    EXPECT_EQ(b.Handle, nullptr);
    EXPECT_EQ(b.Size, TSize(3, 2));
}

TEST(TBitmap, ResourceLoadFindsNothing)
{
    TBitmap b;
    EXPECT_FALSE(b.LoadJpegResource(100));
    EXPECT_FALSE(b.IsEmpty());
}

TEST(TCanvas, DrawWithAllZeroSourceCopiesWholeBitmap)
{
    Surface s(20, 20);
    TBitmap pic = Numbered(5, 4);
    s.Canvas.Draw(pic, kRopSrcCopy, 3, 2, TRect());
    EXPECT_EQ(s.Ink(), TRect(3, 2, 8, 6));
    EXPECT_EQ(s.Pixel(3, 2), 1);
    EXPECT_EQ(s.Pixel(7, 5), 1 + 4 + 64 * 3);
}

TEST(TCanvas, SourceRectOfWidthZeroCopiesNothing)
{
    Surface s(20, 20);
    TBitmap pic = Numbered(15, 25);
    s.Canvas.Draw(pic, kRopSrcCopy, 0, 0, TRect(10, 10, 10, 20));
    EXPECT_EQ(s.Ink().Right, -1);
}

TEST(TCanvas, SourceRectPicksTheRegion)
{
    Surface s(20, 20);
    TBitmap pic = Numbered(10, 10);
    s.Canvas.Draw(pic, kRopSrcCopy, 1, 1, TRect(2, 3, 5, 7));
    EXPECT_EQ(s.Ink(), TRect(1, 1, 4, 5));
    EXPECT_EQ(s.Pixel(1, 1), 1 + 2 + 64 * 3);
}

TEST(TCanvas, DrawingIsOffsetByTheArea)
{
    Surface s(300, 200);
    s.Canvas.Area = TRect(239, 180, 300, 200);
    TBitmap pic = Numbered(4, 4);
    s.Canvas.Draw(pic, kRopSrcCopy, 0, 0, TRect());
    EXPECT_EQ(s.Pixel(239, 180), 1); // the bitmap's top-left pixel
    EXPECT_EQ(s.Ink(), TRect(239, 180, 243, 184));
}

TEST(TCanvas, EmptyOrPixelLessBitmapDrawsNothing)
{
    Surface s(10, 10);
    TBitmap none;
    s.Canvas.Draw(none, kRopSrcCopy, 0, 0, TRect(0, 0, 5, 5));
    TBitmap failed;
    failed.LoadJpegFile("/nonexistent.jpg");
    s.Canvas.Draw(failed, kRopSrcCopy, 0, 0, TRect(0, 0, 5, 5));
    EXPECT_EQ(s.Ink().Right, -1);
    TCanvas unattached;
    unattached.Draw(Numbered(2, 2), kRopSrcCopy, 0, 0, TRect());
}

TEST(TCanvas, TransparentOverlayDrawsPictureOnTop)
{
    Surface s(8, 4);
    s.Fill(0x1234);
    s.Canvas.Area = TRect(2, 1, 8, 4);
    TBitmap mask, image;
    mask.Create(3, 2);
    image.Create(3, 2);
    // Opaque pixel at (0, 0) and (2, 1) of the picture.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            bool opaque = (x == 0 && y == 0) || (x == 2 && y == 1);
            mask.Pixels()->SetPixel(x, y, opaque ? 0x0000 : 0xFFFF);
            image.Pixels()->SetPixel(x, y, opaque ? 0xF800 : 0x0000);
        }
    s.Canvas.SetTextColor(0);
    TRect source(0, 0, image.Width(), image.Height());
    s.Canvas.Draw(mask, kRopSrcAnd, 1, 1, source);
    s.Canvas.Draw(image, kRopSrcPaint, 1, 1, source);
    std::string picture;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x)
            picture += s.Pixel(x, y) == 0x1234 ? '.' : s.Pixel(x, y) == 0xF800 ? 'R' : '?';
        picture += '\n';
    }
    EXPECT_EQ(picture, "........\n"
                       "........\n"
                       "...R....\n"
                       ".....R..\n");
}

TEST(TCanvas, CentredTextLandsInTheCentreOfItsSurfaceRectangle)
{
    Surface s(800, 600);
    s.Canvas.Area = TRect(297, 46, 505, 542);
    s.Canvas.GetFont().SetHeight(24);
    s.Canvas.SetTextColor(0xFFFFFF);
    s.Canvas.DrawTextInRect(0, TRect(0, 0, 208, 496), "1234567");
    TRect ink = s.Ink();
    ASSERT_GT(ink.Right, 0);
    TSize extent = s.Canvas.GetFont().TextExtent(s.Canvas, "1234567");
    int x0 = (297 + 505 - extent.Width) / 2, y0 = 46 + (542 - 46) / 2 - 24 / 2;
    EXPECT_GE(ink.Left, x0);
    EXPECT_LE(ink.Right, x0 + extent.Width);
    EXPECT_GE(ink.Top, y0);
    EXPECT_LE(ink.Bottom, y0 + 24);
    EXPECT_NEAR((ink.Left + ink.Right) / 2.0, (297 + 505) / 2.0, 2.0);
    EXPECT_NEAR((ink.Top + ink.Bottom) / 2.0, (46 + 542) / 2.0, 4.0);
}

struct AlignCase {
    int Align;
    const char* Expect; // "left", "centre" or "right"
};
void PrintTo(const AlignCase& c, std::ostream* os)
{
    *os << "align " << c.Align;
}
class TextAlign : public ::testing::TestWithParam<AlignCase> {};

TEST_P(TextAlign, SignOfAlignChoosesTheSide)
{
    Surface s(400, 100);
    s.Canvas.Area = TRect(10, 10, 400, 100);
    s.Canvas.SetTextColor(0xFFFFFF);
    const TRect rect(20, 10, 320, 60); // surface 30..330
    s.Canvas.DrawTextInRect(GetParam().Align, rect, "Words that never wrap onto a second line at all");
    TRect ink = s.Ink();
    ASSERT_GT(ink.Right, 0);
    std::string expect = GetParam().Expect;
    TSize extent = s.Canvas.GetFont().TextExtent(s.Canvas, "Words that never wrap onto a second line at all");
    int x0 = expect == "left" ? 30 : expect == "right" ? 330 - extent.Width : (30 + 330 - extent.Width) / 2;
    EXPECT_NEAR(ink.Left, x0, 3);
    EXPECT_LT(ink.Bottom - ink.Top, 17); // one line of the default cell
}

INSTANTIATE_TEST_SUITE_P(Values, TextAlign,
                         ::testing::Values(AlignCase{-5, "left"}, AlignCase{-1, "left"},
                                           AlignCase{0, "centre"}, AlignCase{1, "right"},
                                           AlignCase{7, "right"}));

TEST(TCanvas, HandleFontIsAClonePerHandle)
{
    Surface s(10, 10);
    TCanvas widget(s.Canvas);
    EXPECT_EQ(widget.Impl, s.Impl);
    EXPECT_EQ(s.Impl->RefCount, 3u); // the bitmap's, s.Canvas's and widget's references
    widget.GetFont().SetHeight(40);
    EXPECT_EQ(static_cast<TFontGDIBase*>(s.Impl->Font.Impl)->Desc.Height, 0);
    EXPECT_NE(widget.Font.Impl, s.Canvas.Font.Impl);
}

TEST(TCanvas, ShapesUseSurfaceCoordinates)
{
    Surface s(10, 10);
    s.Canvas.Area = TRect(5, 5, 10, 10);
    s.Impl->Rectangle(TRect(1, 1, 4, 4));
    EXPECT_EQ(s.Pixel(1, 1), 0x0000); // black pen
    EXPECT_EQ(s.Pixel(2, 2), 0xFFFF); // white brush
    s.Impl->MoveTo(0, 8);
    s.Impl->LineTo(5, 8);
    EXPECT_EQ(s.Ink(), TRect(2, 2, 3, 3)); // only the white inside shows on black
    s.Fill(0x1111);
    s.Impl->MoveTo(0, 8);
    s.Impl->LineTo(5, 8);
    EXPECT_EQ(s.Ink(0x1111), TRect(0, 8, 5, 9));
}

TEST(TCanvas, SetTextColorMakesTextTransparent)
{
    Surface s(4, 4);
    auto* gdi = static_cast<TCanvasGDIBase*>(s.Impl);
    s.Canvas.SetTextColor(0x00FF00);
    EXPECT_EQ(gdi->DC->BkMode, Platform::kBkTransparent);
    EXPECT_EQ(gdi->DC->TextColor, 0x00FF00u);
}

TEST(TCanvas, EmbeddedWindowCanvasLeavesTheWindowsContextAlone)
{
    Platform::DC* windowDc = Platform::CreateMemoryDC();
    {
        TCanvasGDIBase windowCanvas;
        windowCanvas.DC = windowDc;
        windowCanvas.Font = TFont::NewDefault();
        TCanvas pages(&windowCanvas);
        pages.Release();
        windowCanvas.Release(); // embedded: never deleted by counting
    }
    Platform::DeleteDC(windowDc); // still ours: a double free would show here
}

TEST(Geometry, RectanglesAndPoints)
{
    TRect r(10, 20, 30, 60);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_EQ(r.Height(), 40);
    EXPECT_TRUE(r.Contains(TPoint(10, 20)));
    EXPECT_TRUE(r.Contains(TPoint(30, 60))); // edges included
    EXPECT_FALSE(r.Contains(TPoint(31, 60)));
    EXPECT_FALSE(r.Contains(TPoint(9, 30)));
    EXPECT_TRUE(TRect().IsZero());
    EXPECT_FALSE(TRect(10, 10, 10, 20).IsZero());
    EXPECT_EQ(TPoint(3, 4) + TPoint(1, 1), TPoint(4, 5));
    EXPECT_EQ(TPoint(3, 4) - TPoint(1, 1), TPoint(2, 3));
    EXPECT_EQ(TPoint(-7, 9) / 2, TPoint(-3, 4));
    EXPECT_EQ(TPoint(7, 9) / 0, TPoint(0, 0));
    EXPECT_EQ(TSize(2, 3) * TSize(16, 16), TSize(32, 48));
    EXPECT_EQ(r.Offset(1, 2), TRect(11, 22, 31, 62));
}

} // namespace
