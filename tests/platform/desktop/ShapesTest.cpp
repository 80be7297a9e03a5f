#include "platform/desktop/DeviceContext.h"

#include <string>

#include <gtest/gtest.h>

using namespace Platform;

namespace {

class Shapes : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bm = CreateCompatibleBitmap(8, 6);
        Dc = CreateMemoryDC();
        SelectBitmap(Dc, Bm);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                Bm->SetPixel(x, y, kBack);
    }
    void TearDown() override
    {
        DeleteDC(Dc);
        DeleteBitmap(Bm);
    }
    // One character per pixel: '.' background, '#' black, 'o' white, '?' other.
    std::string Picture() const
    {
        std::string s;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 8; ++x) {
                uint16_t p = Bm->Pixel(x, y);
                s += p == kBack ? '.' : p == 0 ? '#' : p == 0xFFFF ? 'o' : '?';
            }
            s += '\n';
        }
        return s;
    }
    static constexpr uint16_t kBack = 0x1111;
    Bitmap* Bm = nullptr;
    DC* Dc = nullptr;
};

TEST_F(Shapes, RectangleUsesDefaultBlackPenAndWhiteBrush)
{
    Rectangle(Dc, 1, 1, 6, 5);
    EXPECT_EQ(Picture(), "........\n"
                         ".#####..\n"
                         ".#ooo#..\n"
                         ".#ooo#..\n"
                         ".#####..\n"
                         "........\n");
}

TEST_F(Shapes, RectangleIsClippedAtTheEdges)
{
    Rectangle(Dc, -2, 4, 20, 9);
    EXPECT_EQ(Picture(), "........\n"
                         "........\n"
                         "........\n"
                         "........\n"
                         "########\n"
                         "oooooooo\n");
}

TEST_F(Shapes, LinesLeaveOutTheirEndPoint)
{
    MoveTo(Dc, 0, 0);
    LineTo(Dc, 5, 0);
    LineTo(Dc, 5, 3);
    MoveTo(Dc, 0, 5);
    LineTo(Dc, 3, 2);
    EXPECT_EQ(Picture(), "######..\n"
                         ".....#..\n"
                         ".....#..\n"
                         "..#.....\n"
                         ".#......\n"
                         "#.......\n");
}

TEST_F(Shapes, LinesOutsideTheBitmapAreClipped)
{
    MoveTo(Dc, -5, 2);
    LineTo(Dc, 100, 2);
    MoveTo(Dc, -100000, -100000);
    LineTo(Dc, -99990, -99000);
    EXPECT_EQ(Picture(), "........\n"
                         "........\n"
                         "########\n"
                         "........\n"
                         "........\n"
                         "........\n");
}

} // namespace
