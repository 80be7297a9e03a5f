#include "wlib/base/AString.h"

#include <cstdio>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/platform/TempFolder.h"

using WLib::TAString;
using WLib::TMemStr;

namespace {

struct BlockCase {
    int Length;
    uint32_t Block;
    uint32_t Capacity;
};
void PrintTo(const BlockCase& c, std::ostream* os)
{
    *os << "length " << c.Length;
}

class TAStringBlock : public ::testing::TestWithParam<BlockCase> {};

TEST_P(TAStringBlock, SizesBlockAndCapacityFromLength)
{
    const BlockCase& c = GetParam();
    TAString s;
    s.SetLength(c.Length);
    EXPECT_EQ(TAString::BlockSize(c.Length), c.Block);
    EXPECT_EQ(s.Capacity(), c.Capacity);
    EXPECT_EQ(s.Length(), c.Length);
    // The characters and the two-byte terminator fit the block after its header.
    if (c.Length > 0) {
        EXPECT_GE(c.Block - 12, uint32_t(c.Length) + 2);
    }
    EXPECT_EQ(s.Text()[c.Length], 0);
}

INSTANTIATE_TEST_SUITE_P(Lengths, TAStringBlock,
                         ::testing::Values(BlockCase{0, 0, 0}, BlockCase{1, 16, 2}, BlockCase{2, 32, 18},
                                           BlockCase{17, 32, 18}, BlockCase{18, 48, 34},
                                           BlockCase{34, 64, 50}, BlockCase{1000, 1024, 1010}));

struct SubCase {
    const char* Text;
    int Start;
    int Count;
    const char* Expected;
};
void PrintTo(const SubCase& c, std::ostream* os)
{
    *os << '"' << c.Text << "\" sub(" << c.Start << ", " << c.Count << ")";
}

class TAStringSub : public ::testing::TestWithParam<SubCase> {};

TEST_P(TAStringSub, FollowsNegativeIndexRulesAndStaysInside)
{
    const SubCase& c = GetParam();
    TAString s(c.Text);
    TMemStr sub = s.Sub(c.Start, c.Count);
    EXPECT_EQ(std::string(sub.Ptr(), sub.Length()), c.Expected);
    // The slice type cuts the same way.
    TMemStr slice(c.Text);
    TMemStr sub2 = slice.Sub(c.Start, c.Count);
    EXPECT_EQ(std::string(sub2.Ptr(), sub2.Length()), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TAStringSub,
                         ::testing::Values(SubCase{"abcdef", -3, -1, "def"}, SubCase{"abcdef", 1, 2, "bc"},
                                           SubCase{"abcdef", 0, -1, "abcdef"},
                                           SubCase{"abcdef", 2, -2, "cde"}, SubCase{"abcdef", -1, 1, "f"},
                                           SubCase{"abcdef", 4, 10, "ef"}, SubCase{"abcdef", 9, 2, ""},
                                           SubCase{"abcdef", -9, 2, "ab"}, SubCase{"abcdef", 3, -9, ""},
                                           SubCase{"", 0, -1, ""}));

TEST(TAString, EmptyIsSharedStaticAndNeverCounted)
{
    TAString a, b;
    EXPECT_TRUE(a.SharesBlockWith(b));
    EXPECT_EQ(a.Capacity(), 0u);
    EXPECT_STREQ(a.Text(), "");
    TAString c(a);
    EXPECT_EQ(a.ExtraRefs(), 1u); // the static block's count stays as it is
}

TEST(TAString, CopySharesUntilWritten)
{
    TAString a("hello");
    TAString b(a);
    EXPECT_TRUE(a.SharesBlockWith(b));
    EXPECT_EQ(a.ExtraRefs(), 1u);
    b.Append(" world");
    EXPECT_FALSE(a.SharesBlockWith(b));
    EXPECT_STREQ(a.Text(), "hello");
    EXPECT_STREQ(b.Text(), "hello world");
    EXPECT_EQ(a.ExtraRefs(), 0u);
    EXPECT_EQ(b.ExtraRefs(), 0u);
}

TEST(TAString, WritingThroughBufferCopiesSharedBlock)
{
    TAString a("abc");
    TAString b;
    b = a;
    b.Buffer()[0] = 'X';
    EXPECT_STREQ(a.Text(), "abc");
    EXPECT_STREQ(b.Text(), "Xbc");
}

TEST(TAString, ShrinkingSharedStringLeavesOtherOwner)
{
    TAString a("abcdef");
    TAString b(a);
    b.SetLength(2);
    EXPECT_STREQ(a.Text(), "abcdef");
    EXPECT_STREQ(b.Text(), "ab");
    b.SetLength(0);
    EXPECT_STREQ(a.Text(), "abcdef");
    EXPECT_EQ(b.Length(), 0);
}

TEST(TAString, SetLengthKeepsPrefixAndTerminates)
{
    TAString s("abcdefghij");
    s.SetLength(4);
    EXPECT_STREQ(s.Text(), "abcd");
    s.SetLength(40); // reallocates: prefix kept, new bytes zero
    EXPECT_EQ(s.Length(), 40);
    EXPECT_EQ(std::string(s.Text(), 4), "abcd");
    for (int i = 4; i <= 41; ++i)
        EXPECT_EQ(s.Text()[i], 0) << i;
    s.SetLength(-5);
    EXPECT_EQ(s.Length(), 0);
}

TEST(TAString, AssignmentReleasesOldBlock)
{
    TAString a("one"), b("two");
    TAString c(a);
    c = b;
    EXPECT_EQ(a.ExtraRefs(), 0u);
    EXPECT_EQ(b.ExtraRefs(), 1u);
    const TAString& same = c;
    c = same; // self-assignment keeps the block
    EXPECT_STREQ(c.Text(), "two");
}

TEST(TAString, AppendingItselfCopiesBeforeTheBlockMoves)
{
    TAString s("abcdefghijklmno"); // fills a 32-byte block almost to capacity
    s.Append(s.Text(), s.Length());
    EXPECT_STREQ(s.Text(), "abcdefghijklmnoabcdefghijklmno");
    s.Append(s.Sub(0, 3));
    EXPECT_STREQ(s.Text(), "abcdefghijklmnoabcdefghijklmnoabc");
}

TEST(TAString, ConcatenatesStringsAndText)
{
    TAString a("ab"), b("cd");
    EXPECT_STREQ((a + b).Text(), "abcd");
    EXPECT_STREQ((a + "x").Text(), "abx");
    EXPECT_STREQ(("x" + b).Text(), "xcd");
    EXPECT_STREQ((TAString() + TAString()).Text(), "");
}

TEST(TAString, KeepsEmbeddedZeroBytes)
{
    TAString s("a\0b", 3);
    EXPECT_EQ(s.Length(), 3);
    EXPECT_EQ(s[2], 'b');
    EXPECT_EQ(s[3], 0);
    EXPECT_EQ(s[-1], 0);
}

class TAStringFile : public ::testing::Test {
protected:
    void SetUp() override { Path = Folder.WriteFile("file", ""); }
    void Write(const std::string& bytes)
    {
        FILE* f = std::fopen(Path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    TestSupport::TempFolder Folder{"astring"};
    std::string Path;
};

TEST_F(TAStringFile, LoadsWholeFileWithZeroBytes)
{
    Write(std::string("line1\nline2\0end", 15));
    TAString s;
    EXPECT_TRUE(s.LoadFile(Path.c_str()));
    EXPECT_EQ(std::string(s.Text(), s.Length()), std::string("line1\nline2\0end", 15));
}

TEST_F(TAStringFile, LoadsEmptyFile)
{
    Write("");
    TAString s("old");
    EXPECT_TRUE(s.LoadFile(Path.c_str()));
    EXPECT_EQ(s.Length(), 0);
}

TEST_F(TAStringFile, MissingFileLeavesStringUntouched)
{
    TAString s("keep");
    EXPECT_FALSE(s.LoadFile((Path + ".missing").c_str()));
    EXPECT_STREQ(s.Text(), "keep");
    EXPECT_FALSE(s.LoadFile(Folder.Path().c_str())); // a folder is not a file
    EXPECT_STREQ(s.Text(), "keep");
}

TEST_F(TAStringFile, LoadingDoesNotChangeASharer)
{
    Write("new");
    TAString s("old");
    TAString other(s);
    EXPECT_TRUE(s.LoadFile(Path.c_str()));
    EXPECT_STREQ(s.Text(), "new");
    EXPECT_STREQ(other.Text(), "old");
}

} // namespace
