// Text layout and placement with a measuring font of fixed widths: word wrap,
// paragraphs, justification to the widest line, centring and scrolling.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "wlib/GraphText.h"

using namespace WLib;

namespace {

// Every character is 10 pixels wide except 'i' (1 pixel); lines are 20 high.
// Drawn pieces are recorded instead of drawn.
class TRecordingText : public TGraphText {
public:
    struct TPiece {
        int32_t X, Y;
        std::string Text;
        bool operator==(const TPiece& o) const { return X == o.X && Y == o.Y && Text == o.Text; }
    };
    std::vector<TPiece> Drawn;
    int Measures = 0;

    void Setup(const char* text, int32_t width, int32_t height = 1000)
    {
        Text = text;
        Bounds = TRect{0, 0, width, height};
        Layout();
    }

protected:
    int32_t MeasureWidth(const TMemStr& piece) override
    {
        ++Measures;
        int32_t w = 0;
        for (int i = 0; i < piece.Length(); ++i)
            w += piece[i] == 'i' ? 1 : 10;
        return w;
    }
    int32_t MeasureLineHeight() override { return 20; }
    void DrawPiece(int32_t x, int32_t y, const TMemStr& piece) override
    {
        Drawn.push_back({x, y, std::string(piece.Ptr(), piece.Length())});
    }
};

std::ostream& operator<<(std::ostream& os, const TRecordingText::TPiece& p)
{
    return os << "(" << p.X << ", " << p.Y << ") \"" << p.Text << "\"";
}

struct ExpectedLine {
    std::string Text;
    int32_t Width, Words;
    bool Last;
};

struct LayoutCase {
    const char* Name;
    std::string Text;
    int32_t Width;
    std::vector<ExpectedLine> Lines;
};

std::ostream& operator<<(std::ostream& os, const LayoutCase& c)
{
    return os << c.Name << ": \"" << c.Text << "\" in " << c.Width << " px";
}

struct Layout : ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, LinesMatch)
{
    const LayoutCase& c = GetParam();
    TRecordingText text;
    text.Setup(c.Text.c_str(), c.Width);
    ASSERT_EQ(text.Lines.High(), static_cast<int>(c.Lines.size()));
    int32_t widest = 0;
    for (size_t i = 0; i < c.Lines.size(); ++i) {
        const TLine& line = text.Lines[static_cast<int>(i) + 1];
        const ExpectedLine& want = c.Lines[i];
        SCOPED_TRACE("line " + std::to_string(i + 1));
        EXPECT_EQ(std::string(line.Text.Ptr(), line.Text.Length()), want.Text);
        EXPECT_EQ(line.Width, want.Width);
        EXPECT_EQ(line.Words, want.Words);
        EXPECT_EQ(line.Last != 0, want.Last);
        widest = std::max(widest, want.Width);
    }
    EXPECT_EQ(text.ExtentX, widest);
    EXPECT_EQ(text.ExtentY, 20 * static_cast<int32_t>(c.Lines.size()));
}

INSTANTIATE_TEST_SUITE_P(
    GraphText, Layout,
    ::testing::Values(
        LayoutCase{"empty paragraph between two",
                   "A\n\nB",
                   100,
                   {{"A", 10, 1, true}, {"", 0, 0, true}, {"B", 10, 1, true}}},
        LayoutCase{"nothing after the last line feed", "A\n", 100, {{"A", 10, 1, true}}},
        LayoutCase{"empty text", "", 100, {}}, LayoutCase{"one line feed", "\n", 100, {{"", 0, 0, true}}},
        LayoutCase{"wrap at the last word that fits",
                   "aaa bbb ccc",
                   75,
                   {{"aaa bbb", 70, 2, false}, {"ccc", 30, 1, true}}},
        LayoutCase{"exact fit stays on the line", "aaa bbb", 70, {{"aaa bbb", 70, 2, true}}},
        LayoutCase{"word wider than the bounds stays whole",
                   "ab abcdefgh cd",
                   50,
                   {{"ab", 20, 1, false}, {"abcdefgh", 80, 1, false}, {"cd", 20, 1, true}}},
        LayoutCase{"leading separators belong to the first line",
                   "  ab cd",
                   60,
                   {{"  ab", 40, 1, false}, {"cd", 20, 1, true}}},
        LayoutCase{"separators after a cut are dropped",
                   "ab    cd",
                   30,
                   {{"ab", 20, 1, false}, {"cd", 20, 1, true}}},
        LayoutCase{"trailing separators close the paragraph", "ab  ", 100, {{"ab  ", 20, 1, true}}},
        LayoutCase{"white space only draws nothing", "   ", 100, {{"   ", 0, 0, true}}},
        LayoutCase{"control characters separate words", "ab\tcd\rx", 1000, {{"ab\tcd\rx", 70, 3, true}}},
        LayoutCase{"paragraphs wrap on their own",
                   "aa bb\ncc dd ee",
                   50,
                   {{"aa bb", 50, 2, true}, {"cc dd", 50, 2, false}, {"ee", 20, 1, true}}}));

TEST(GraphText, GapSharesSpreadTheRemainderOverTheFirstGaps)
{
    EXPECT_EQ(TGraphText::GapShare(20, 2, 0), 10);
    EXPECT_EQ(TGraphText::GapShare(20, 2, 1), 10);
    EXPECT_EQ(TGraphText::GapShare(19, 3, 0), 7);
    EXPECT_EQ(TGraphText::GapShare(19, 3, 1), 6);
    EXPECT_EQ(TGraphText::GapShare(19, 3, 2), 6);
    EXPECT_EQ(TGraphText::GapShare(5, 0, 0), 0);
}

TEST(GraphText, LineOfThreeWordsIsJustifiedToTheWidestLineTenAndTen)
{
    // Widest line 300 (one 30-letter word); the next paragraph's first line
    // has 3 words in 280 pixels and is not its paragraph's last.
    TRecordingText text;
    text.Setup("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n"
               "xxxxxxxxx xxxxxxxxx xxxxxxxx xxxxxxxxxxxxxxxxxxxx",
               300, 60);
    ASSERT_EQ(text.Lines.High(), 3);
    EXPECT_EQ(text.Lines[2].Width, 280);
    EXPECT_EQ(text.ExtentX, 300);
    text.Draw(0, 0);
    EXPECT_EQ(text.Drawn, (std::vector<TRecordingText::TPiece>{{0, 0, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
                                                               {0, 20, "xxxxxxxxx"},
                                                               {90 + 10, 20, " xxxxxxxxx"},
                                                               {100 + 100 + 10, 20, " xxxxxxxx"},
                                                               {0, 40, "xxxxxxxxxxxxxxxxxxxx"}}));
}

TEST(GraphText, LineOfFourWordsGetsSevenSixAndSix)
{
    // 60 + 70 + 70 + 81 = 281 pixels against a widest line of 300: 19 extra.
    TRecordingText text;
    text.Setup("xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n"
               "xxxxxx xxxxxx xxxxxx xxxxxxxi xxxxxxxxxx",
               300, 60);
    ASSERT_EQ(text.Lines.High(), 3);
    EXPECT_EQ(text.Lines[2].Width, 281);
    EXPECT_EQ(text.Lines[2].Words, 4);
    text.Draw(0, 0);
    ASSERT_EQ(text.Drawn.size(), 6u);
    EXPECT_EQ(text.Drawn[1], (TRecordingText::TPiece{0, 20, "xxxxxx"}));
    EXPECT_EQ(text.Drawn[2], (TRecordingText::TPiece{60 + 7, 20, " xxxxxx"}));
    EXPECT_EQ(text.Drawn[3], (TRecordingText::TPiece{67 + 70 + 6, 20, " xxxxxx"}));
    EXPECT_EQ(text.Drawn[4], (TRecordingText::TPiece{143 + 70 + 6, 20, " xxxxxxxi"}));
    // The paragraph's last line is left-aligned in one piece.
    EXPECT_EQ(text.Drawn[5], (TRecordingText::TPiece{0, 40, "xxxxxxxxxx"}));
}

TEST(GraphText, BlockThatFitsIsCentredAndIgnoresTheScrollOffset)
{
    TRecordingText text;
    text.Setup("ab\nabcd", 105, 51); // extent 40 x 40
    text.Draw(7, 9);
    EXPECT_EQ(text.Drawn, (std::vector<TRecordingText::TPiece>{{32, 5, "ab"}, {32, 25, "abcd"}}));
}

TEST(GraphText, CentringOfABlockWiderThanTheBoundsRoundsTowardZero)
{
    TRecordingText text;
    text.Setup("abcdefgh", 75, 40); // extent 80 x 20: x = -5 / 2 = -2
    text.Draw(0, 0);
    EXPECT_EQ(text.Drawn, (std::vector<TRecordingText::TPiece>{{-2, 10, "abcdefgh"}}));
}

struct ScrollCase {
    int32_t ScrollY;
    std::vector<std::string> Lines; // the lines drawn
    int32_t FirstY;
};

std::ostream& operator<<(std::ostream& os, const ScrollCase& c)
{
    return os << "scroll y " << c.ScrollY;
}

struct Scroll : ::testing::TestWithParam<ScrollCase> {};

TEST_P(Scroll, OnlyWholeLinesAreDrawnAtTheBottom)
{
    // Ten one-word lines of 20 pixels in a box 60 high: three fit.
    const ScrollCase& c = GetParam();
    TRecordingText text;
    text.Setup("l1\nl2\nl3\nl4\nl5\nl6\nl7\nl8\nl9\nlA", 100, 60);
    text.Draw(0, c.ScrollY);
    std::vector<std::string> lines;
    for (const auto& piece : text.Drawn)
        lines.push_back(piece.Text);
    EXPECT_EQ(lines, c.Lines);
    ASSERT_FALSE(text.Drawn.empty());
    EXPECT_EQ(text.Drawn.front().Y, c.FirstY);
    EXPECT_EQ(text.Drawn.front().X, (100 - 20) / 2); // narrower than the box: centred
}

INSTANTIATE_TEST_SUITE_P(GraphText, Scroll,
                         ::testing::Values(ScrollCase{0, {"l1", "l2", "l3"}, 0},
                                           ScrollCase{60, {"l4", "l5", "l6"}, 0},
                                           // partly above the top: still drawn
                                           ScrollCase{50, {"l3", "l4", "l5"}, -10},
                                           ScrollCase{45, {"l3", "l4", "l5"}, -5},
                                           ScrollCase{180, {"lA"}, 0}));

TEST(GraphText, TooWideAndTooTallScrollsBothWays)
{
    TRecordingText text;
    text.Setup("abcdefgh\nab\nab", 50, 40); // extent 80 x 60
    text.Draw(15, 20);
    EXPECT_EQ(text.Drawn, (std::vector<TRecordingText::TPiece>{{-15, 0, "ab"}, {-15, 20, "ab"}}));
}

} // namespace
