// The settings file format: parsing, writing, round trips, damage.

#include "platform/SettingsFile.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

using Platform::kSettingsBinary;
using Platform::kSettingsNumber;
using Platform::kSettingsText;
using Platform::TSettingsFile;

namespace {

const std::string kKey = "HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Options";

std::string Section(const std::string& body)
{
    return "[" + kKey + "]\n" + body;
}

struct TParseCase {
    const char* What;
    std::string Text;
    bool Found; // the value "V" exists in kKey
    std::uint32_t Kind;
    std::string Data;
    int Damaged; // lines dropped
};

std::ostream& operator<<(std::ostream& out, const TParseCase& c)
{
    return out << c.What << ": " << ::testing::PrintToString(c.Text);
}

class SettingsFileParse : public ::testing::TestWithParam<TParseCase> {};

TEST_P(SettingsFileParse, ReadsTheValueOrDropsTheLine)
{
    const TParseCase& c = GetParam();
    TSettingsFile file = TSettingsFile::Parse(c.Text);
    EXPECT_EQ(file.DamagedLineCount(), c.Damaged);
    const Platform::TSettingsValue* v = file.FindValue(kKey, "V");
    ASSERT_EQ(v != nullptr, c.Found);
    if (v != nullptr) {
        EXPECT_EQ(v->Kind, c.Kind);
        EXPECT_EQ(v->Data, c.Data);
    }
}

const std::string kOne("\x1e\0\0\0", 4);

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsFileParse,
    ::testing::Values(
        TParseCase{"number", Section("\"V\"=dword:0000001e\n"), true, kSettingsNumber, kOne, 0},
        TParseCase{"number, short digits", Section("\"V\"=dword:1E\n"), true, kSettingsNumber, kOne, 0},
        TParseCase{"number, negative", Section("\"V\"=dword:ffffffff\n"), true, kSettingsNumber,
                   std::string(4, '\xff'), 0},
        TParseCase{"number, nine digits", Section("\"V\"=dword:000000001\n"), false, 0, "", 1},
        TParseCase{"number, no digits", Section("\"V\"=dword:\n"), false, 0, "", 1},
        TParseCase{"number, junk", Section("\"V\"=dword:12g4\n"), false, 0, "", 1},
        TParseCase{"text", Section("\"V\"=\"Anonymous\"\n"), true, kSettingsText,
                   std::string("Anonymous\0", 10), 0},
        TParseCase{"empty text", Section("\"V\"=\"\"\n"), true, kSettingsText, std::string(1, '\0'), 0},
        TParseCase{"text escapes", Section("\"V\"=\"a\\\"b\\\\c\\x41\\xe9\"\n"), true, kSettingsText,
                   std::string("a\"b\\cA\xe9\0", 8), 0},
        TParseCase{"text, raw high byte", Section("\"V\"=\"\xe9\"\n"), true, kSettingsText,
                   std::string("\xe9\0", 2), 0},
        TParseCase{"text, unknown escape", Section("\"V\"=\"a\\nb\"\n"), false, 0, "", 1},
        TParseCase{"text, short hex escape", Section("\"V\"=\"\\x4\"\n"), false, 0, "", 1},
        TParseCase{"text, not closed", Section("\"V\"=\"abc\n"), false, 0, "", 1},
        TParseCase{"text, junk after", Section("\"V\"=\"abc\" x\n"), false, 0, "", 1},
        TParseCase{"bytes", Section("\"V\"=hex:de,ad,0,7\n"), true, kSettingsBinary,
                   std::string("\xde\xad\x00\x07", 4), 0},
        TParseCase{"bytes, empty", Section("\"V\"=hex:\n"), true, kSettingsBinary, "", 0},
        TParseCase{"bytes, continued", Section("\"V\"=hex:01,02,\\\n  03,\\\n  04\n"), true, kSettingsBinary,
                   "\x01\x02\x03\x04", 0},
        TParseCase{"bytes, three digits", Section("\"V\"=hex:123\n"), false, 0, "", 1},
        TParseCase{"bytes, empty item", Section("\"V\"=hex:01,,02\n"), false, 0, "", 1},
        TParseCase{"bytes, continued past the end", Section("\"V\"=hex:01,\\\n"), false, 0, "", 1},
        TParseCase{"other kind kept", Section("\"V\"=hex(b):01,00,00,00,00,00,00,00\n"), true, 0xb,
                   std::string("\x01\0\0\0\0\0\0\0", 8), 0},
        TParseCase{"text kind in hex", Section("\"V\"=hex(1):41,00\n"), true, kSettingsText,
                   std::string("A\0", 2), 0},
        TParseCase{"CRLF line ends", "[" + kKey + "]\r\n\"V\"=dword:0000001e\r\n", true, kSettingsNumber,
                   kOne, 0},
        TParseCase{"blanks around", Section("  \"V\" = dword:0000001e  \n"), true, kSettingsNumber, kOne, 0},
        TParseCase{"name in any case", Section("\"v\"=dword:0000001e\n"), true, kSettingsNumber, kOne, 0},
        TParseCase{"later line wins", Section("\"V\"=dword:00000001\n\"V\"=dword:0000001e\n"), true,
                   kSettingsNumber, kOne, 0},
        TParseCase{"comments and header",
                   "Windows Registry Editor Version 5.00\n; note\n\n" + Section("; x\n\"V\"=dword:1e\n"),
                   true, kSettingsNumber, kOne, 0},
        TParseCase{"value before any key", "\"V\"=dword:1\n" + Section(""), false, 0, "", 1},
        TParseCase{"value under a bad key", "[A\\\\B]\n\"V\"=dword:1\n", false, 0, "", 2},
        TParseCase{"unknown line", Section("garbage\n\"V\"=dword:1e\n"), true, kSettingsNumber, kOne, 1},
        TParseCase{"value deletion line", Section("\"V\"=-\n"), false, 0, "", 1},
        TParseCase{"no equals sign", Section("\"V\" dword:1\n"), false, 0, "", 1},
        TParseCase{"no final line feed", Section("\"V\"=dword:1e"), true, kSettingsNumber, kOne, 0},
        TParseCase{"empty file", "", false, 0, "", 0}));

TEST(SettingsFile, KeyDeletionLineIsKeptAsAKeyNamedWithTheDash)
{
    // "[-path]" is import syntax for deleting a key; here it is just a name
    // that starts with a dash, kept like any other unknown key.
    TSettingsFile file = TSettingsFile::Parse("[-A\\B]\n");
    EXPECT_FALSE(file.Damaged());
    EXPECT_NE(file.FindKey("-A\\B"), nullptr);
}

TEST(SettingsFile, FormatsInTheExportStyle)
{
    TSettingsFile file;
    file.SetValue(kKey, "ZPlaySound", kSettingsNumber, std::string("\x01\0\0\0", 4));
    file.SetValue(kKey, "Name", kSettingsText, std::string("Ann \"Q\" \\ \xe9\0", 12));
    file.SetValue(kKey, "", kSettingsBinary, "\xde\xad");
    file.SetValue("HKEY_CURRENT_USER\\Other", "Big", 0xb, std::string(27, '\x01'));
    EXPECT_EQ(file.Format(),
              "; Tumbletown settings. Lines that cannot be read are dropped.\n"
              "\n[" +
                  kKey +
                  "]\n"
                  "\"ZPlaySound\"=dword:00000001\n"
                  "\"Name\"=\"Ann \\\"Q\\\" \\\\ \\xe9\"\n"
                  "@=hex:de,ad\n"
                  "\n[HKEY_CURRENT_USER\\Other]\n"
                  "\"Big\"=hex(b):01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,01,"
                  "01,01,01,\\\n  01,01\n");
}

TEST(SettingsFile, EveryByteOfTextAndNamesSurvivesARoundTrip)
{
    TSettingsFile file;
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    for (int b = 0; b < 256; ++b) {
        std::string name = "N" + std::string(1, static_cast<char>(b));
        file.SetValue(kKey, name, kSettingsText, std::string(1, static_cast<char>(b)) + '\0');
    }
    file.SetValue(kKey, "All", kSettingsText, all + '\0');
    file.SetValue(kKey, "Zero inside", kSettingsText, std::string("a\0b\0", 4));
    file.SetValue(kKey, "No terminator", kSettingsText, "abc");
    file.SetValue(kKey, "Short number", kSettingsNumber, "\x01\x02");
    std::string text = file.Format();
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        ASSERT_TRUE(c == '\n' || (u >= 0x20 && u < 0x7F)) << "unescaped byte " << int(u);
    }
    TSettingsFile again = TSettingsFile::Parse(text);
    EXPECT_FALSE(again.Damaged());
    EXPECT_TRUE(again == file);
    EXPECT_EQ(again.Format(), text);
}

TEST(SettingsFile, UnknownKeysAndValuesAreKeptInOrder)
{
    std::string text = "[HKEY_CURRENT_USER\\Zeta]\n\"b\"=dword:00000002\n\"a\"=hex(7):41,00,00,00\n"
                       "[HKEY_LOCAL_MACHINE\\Alpha]\n@=\"x\"\n";
    TSettingsFile file = TSettingsFile::Parse(text);
    TSettingsFile again = TSettingsFile::Parse(file.Format());
    ASSERT_EQ(again.Keys().size(), 2u);
    EXPECT_EQ(again.Keys()[0].Path, "HKEY_CURRENT_USER\\Zeta");
    ASSERT_EQ(again.Keys()[0].Values.size(), 2u);
    EXPECT_EQ(again.Keys()[0].Values[0].Name, "b");
    EXPECT_EQ(again.Keys()[0].Values[1].Kind, 7u);
    EXPECT_EQ(again.Keys()[1].Path, "HKEY_LOCAL_MACHINE\\Alpha");
    EXPECT_TRUE(again == file);
}

TEST(SettingsFile, DamagedLinesAreDroppedAndTheRestKept)
{
    std::string text = Section("\"A\"=dword:00000001\n\"B\"=dword:zz\n\x01\x02\xff\n\"C\"=\"ok\"\n") +
                       "[broken\n\"D\"=dword:1\n[HKEY_CURRENT_USER\\X]\n\"E\"=hex:01\n";
    TSettingsFile file = TSettingsFile::Parse(text);
    EXPECT_EQ(file.DamagedLineCount(), 4);
    EXPECT_NE(file.FindValue(kKey, "A"), nullptr);
    EXPECT_EQ(file.FindValue(kKey, "B"), nullptr);
    EXPECT_NE(file.FindValue(kKey, "C"), nullptr);
    EXPECT_EQ(file.FindValue(kKey, "D"), nullptr);
    EXPECT_NE(file.FindValue("HKEY_CURRENT_USER\\X", "E"), nullptr);
}

TEST(SettingsFile, KeysCompareWithoutCaseAndKeepTheirSpelling)
{
    TSettingsFile file;
    file.SetValue("HKEY_CURRENT_USER\\Software\\Game", "Value", kSettingsNumber, std::string(4, '\0'));
    file.SetValue("hkey_current_user\\SOFTWARE\\game", "VALUE", kSettingsText, std::string(1, '\0'));
    ASSERT_EQ(file.Keys().size(), 1u);
    EXPECT_EQ(file.Keys()[0].Path, "HKEY_CURRENT_USER\\Software\\Game");
    ASSERT_EQ(file.Keys()[0].Values.size(), 1u);
    EXPECT_EQ(file.Keys()[0].Values[0].Name, "Value");
    EXPECT_EQ(file.Keys()[0].Values[0].Kind, kSettingsText);
}

TEST(SettingsFile, SubKeysAreImpliedAndListedOnce)
{
    TSettingsFile file;
    file.CreateKey("R\\A\\X");
    file.CreateKey("R\\B");
    file.CreateKey("R\\a\\Y");
    file.CreateKey("R2");
    EXPECT_TRUE(file.KeyExists("R"));
    EXPECT_TRUE(file.KeyExists("r\\a"));
    EXPECT_FALSE(file.KeyExists("R\\C"));
    EXPECT_EQ(file.SubKeys("R"), (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(file.DeleteKey("R\\B\\Missing"));
    EXPECT_FALSE(file.DeleteKey("R\\A")) << "only implied";
    EXPECT_TRUE(file.DeleteKey("R\\B"));
    EXPECT_EQ(file.SubKeys("R"), (std::vector<std::string>{"A"}));
    file.CreateKey("R\\A");
    EXPECT_FALSE(file.DeleteKey("R\\A")) << "has sub-keys";
}

TEST(SettingsFile, InvalidKeyPathsAreRefused)
{
    for (const char* path : {"", "\\A", "A\\", "A\\\\B", "A\nB", "A\x7f"}) {
        TSettingsFile file;
        EXPECT_FALSE(file.CreateKey(path)) << ::testing::PrintToString(path);
        EXPECT_FALSE(file.SetValue(path, "v", kSettingsBinary, "")) << ::testing::PrintToString(path);
        EXPECT_TRUE(file.Keys().empty());
    }
}

TEST(SettingsFile, DeletingAValueKeepsTheOthersFindable)
{
    TSettingsFile file;
    for (const char* n : {"a", "b", "c"})
        file.SetValue(kKey, n, kSettingsBinary, n);
    EXPECT_TRUE(file.DeleteValue(kKey, "A"));
    EXPECT_FALSE(file.DeleteValue(kKey, "a"));
    ASSERT_NE(file.FindValue(kKey, "c"), nullptr);
    EXPECT_EQ(file.FindValue(kKey, "c")->Data, "c");
    EXPECT_EQ(file.FindValue(kKey, "b")->Data, "b");
}

} // namespace
