// CRegistry over a settings store held in memory, and once over a real file.

#include "store/Registry.h"

#include "platform/SettingsStore.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

using Platform::TSettingsFile;

namespace {

const char* const kPath = "Software\\Kestrovan\\Grand Fourfall\\Options";
const std::string kFull = std::string("HKEY_CURRENT_USER\\") + kPath;

class Registry : public ::testing::Test {
protected:
    void SetUp() override { Platform::SetUserSettings(&Store); }
    void TearDown() override { Platform::SetUserSettings(nullptr); }

    const Platform::TSettingsValue* Stored(const char* name) const
    {
        return Store.Content.FindValue(kFull, name);
    }

    Platform::TMemorySettingsStore Store;
};

TEST_F(Registry, CloseKeyOnAClosedObjectIsTrue)
{
    CRegistry reg;
    EXPECT_TRUE(reg.CloseKey());
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_EQ(reg.Path(), nullptr);
}

TEST_F(Registry, OpeningWithoutCreateFindsNothingAndMakesNothing)
{
    CRegistry reg;
    EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 0));
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_FALSE(reg.WriteInt("A", 1)) << "nothing open";
    EXPECT_TRUE(reg.CloseKey());
    EXPECT_EQ(Store.Saves, 0);
    EXPECT_TRUE(Store.Content.Keys().empty());
}

TEST_F(Registry, OpeningWithCreateMakesTheKeyAndKeepsThePathWhileOpen)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
        ASSERT_NE(reg.Path(), nullptr);
        EXPECT_STREQ(reg.Path(), kPath);
        EXPECT_TRUE(reg.CloseKey());
        EXPECT_EQ(reg.Path(), nullptr);
    }
    EXPECT_TRUE(Store.Content.KeyExists(kFull));
    CRegistry again;
    EXPECT_TRUE(again.OpenKey(HKEY_CURRENT_USER, kPath, 0));
}

TEST_F(Registry, RefusesOtherRootsAndBadPaths)
{
    CRegistry reg;
    EXPECT_FALSE(reg.OpenKey(0x80000002u, kPath, 1));
    EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, nullptr, 1));
    EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, "Software\\\\Double", 1));
    EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, "Line\nBreak", 1));
    EXPECT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, "", 0)) << "the root always exists";
}

TEST_F(Registry, WritesReachTheStoreOnlyAtClose)
{
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
    ASSERT_TRUE(reg.WriteInt("ZPlaySound", 0));
    std::int32_t v = 7;
    EXPECT_TRUE(reg.ReadInt("ZPlaySound", &v)) << "reads see the object's own writes";
    EXPECT_EQ(v, 0);
    EXPECT_EQ(Stored("ZPlaySound"), nullptr);
    EXPECT_TRUE(reg.CloseKey());
    ASSERT_NE(Stored("ZPlaySound"), nullptr);
    EXPECT_EQ(Stored("ZPlaySound")->Data, std::string(4, '\0'));
    EXPECT_EQ(Store.Saves, 1);
}

TEST_F(Registry, DestroyingAnOpenObjectSavesAndCloses)
{
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
        reg.WriteString("LastUserName", "Zed");
    }
    ASSERT_NE(Stored("LastUserName"), nullptr);
    EXPECT_EQ(Stored("LastUserName")->Data, std::string("Zed\0", 4));
}

TEST_F(Registry, FailedSaveIsReportedByCloseKey)
{
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
    reg.WriteInt("A", 1);
    Store.FailChanges = true;
    EXPECT_FALSE(reg.CloseKey());
    EXPECT_FALSE(reg.IsOpen());
    EXPECT_TRUE(Store.Content.Keys().empty());
    Store.FailReads = true;
    EXPECT_FALSE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
}

TEST_F(Registry, ReadsOfAnotherKindFailAndLeaveTheOutputAlone)
{
    Store.Content.SetValue(kFull, "Text", REG_SZ, std::string("30\0", 3));
    Store.Content.SetValue(kFull, "Short", REG_SZ, std::string("a\0", 2));
    Store.Content.SetValue(kFull, "Number", REG_DWORD, std::string("\x1e\0\0\0", 4));
    Store.Content.SetValue(kFull, "Bytes", REG_BINARY, "\x01\x02");
    Store.Content.SetValue(kFull, "Odd number", REG_DWORD, "\x01\x02");
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 0));

    std::int32_t n = 99;
    EXPECT_FALSE(reg.ReadInt("Text", &n));
    EXPECT_FALSE(reg.ReadInt("Short", &n)) << "a text short enough to fit a number is still text";
    EXPECT_FALSE(reg.ReadInt("Bytes", &n));
    EXPECT_FALSE(reg.ReadInt("Odd number", &n));
    EXPECT_FALSE(reg.ReadInt("Missing", &n));
    EXPECT_EQ(n, 99);
    EXPECT_EQ(reg.ReadIntOr("Text", -5), -5);
    EXPECT_EQ(reg.ReadIntOr("Missing", 12), 12);
    EXPECT_EQ(reg.ReadIntOr("Number", 12), 30);

    char buffer[8] = "keepme";
    EXPECT_FALSE(reg.ReadString("Number", buffer, sizeof buffer));
    EXPECT_FALSE(reg.ReadString("Bytes", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "keepme");
    unsigned char bytes[4] = {9, 9, 9, 9};
    EXPECT_FALSE(reg.ReadBinary("Text", bytes, sizeof bytes));
    EXPECT_FALSE(reg.ReadBinary("Number", bytes, sizeof bytes));
    EXPECT_EQ(bytes[0], 9);
    EXPECT_TRUE(reg.ReadBinary("Bytes", bytes, sizeof bytes));
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_FALSE(reg.ReadBinary("Bytes", bytes, 1)) << "too small";
}

TEST_F(Registry, TextMustFitTheBufferWithItsTerminator)
{
    Store.Content.SetValue(kFull, "Name", REG_SZ, std::string("Anna\0", 5));
    Store.Content.SetValue(kFull, "Unterminated", REG_SZ, "Bob");
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 0));
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(reg.ReadString("Name", buffer, 4));
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_TRUE(reg.ReadString("Name", buffer, 5));
    EXPECT_STREQ(buffer, "Anna");

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_FALSE(reg.ReadString("Unterminated", buffer, 3)) << "no room for the zero it lacks";
    EXPECT_TRUE(reg.ReadString("Unterminated", buffer, 4));
    EXPECT_STREQ(buffer, "Bob");
}

TEST_F(Registry, EmptyTextIsStoredAsItsTerminator)
{
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
    ASSERT_TRUE(reg.WriteString("Empty", ""));
    std::uint32_t size = 0;
    ASSERT_TRUE(reg.ValueSize("Empty", &size));
    EXPECT_EQ(size, 1u);
    EXPECT_FALSE(reg.ValueSize("Missing", &size));
    reg.CloseKey();
    ASSERT_NE(Stored("Empty"), nullptr);
    EXPECT_EQ(Stored("Empty")->Kind, REG_SZ);
    EXPECT_EQ(Stored("Empty")->Data, std::string(1, '\0'));
}

TEST_F(Registry, NumbersTextAndBytesRoundTrip)
{
    std::string high;
    for (int c = 32; c < 256; ++c)
        high += static_cast<char>(c);
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
        reg.WriteInt("Min", INT32_MIN);
        reg.WriteInt("Max", INT32_MAX);
        reg.WriteString("High", high.c_str());
        reg.WriteBinary("Blob", "\0\xff\x10", 3);
        reg.WriteBinary("Nothing", nullptr, 0);
    }
    // Through the file text and back, as the next run would see it.
    Store.Content = TSettingsFile::Parse(Store.Content.Format());
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 0));
    EXPECT_EQ(reg.ReadIntOr("Min", 0), INT32_MIN);
    EXPECT_EQ(reg.ReadIntOr("Max", 0), INT32_MAX);
    char buffer[256];
    ASSERT_TRUE(reg.ReadString("High", buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), high);
    unsigned char blob[3];
    ASSERT_TRUE(reg.ReadBinary("Blob", blob, sizeof blob));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(blob), 3), std::string("\0\xff\x10", 3));
    std::uint32_t size = 9;
    ASSERT_TRUE(reg.ValueSize("Nothing", &size));
    EXPECT_EQ(size, 0u);
}

TEST_F(Registry, EnumeratesSubKeysAndValuesInOrder)
{
    Store.Content.SetValue(kFull, "B", REG_DWORD, std::string(4, '\0'));
    Store.Content.SetValue(kFull, "LongerName", REG_SZ, std::string(1, '\0'));
    Store.Content.CreateKey(kFull + "\\Sub1");
    Store.Content.CreateKey(kFull + "\\Sub2\\Deep");
    CRegistry reg;
    ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 0));
    char name[16];
    std::uint32_t kind = 0;
    ASSERT_TRUE(reg.EnumValue(0, name, &kind, sizeof name));
    EXPECT_STREQ(name, "B");
    EXPECT_EQ(kind, REG_DWORD);
    ASSERT_TRUE(reg.EnumValue(1, name, &kind, sizeof name));
    EXPECT_STREQ(name, "LongerName");
    EXPECT_EQ(kind, REG_SZ);
    EXPECT_FALSE(reg.EnumValue(1, name, &kind, 10)) << "name and zero need 11";
    EXPECT_FALSE(reg.EnumValue(2, name, &kind, sizeof name));
    ASSERT_TRUE(reg.EnumKey(0, name, sizeof name));
    EXPECT_STREQ(name, "Sub1");
    ASSERT_TRUE(reg.EnumKey(1, name, sizeof name));
    EXPECT_STREQ(name, "Sub2");
    EXPECT_FALSE(reg.EnumKey(2, name, sizeof name));
    EXPECT_FALSE(reg.EnumKey(0, name, 4));
}

TEST_F(Registry, DeletesValuesAndLeafSubKeys)
{
    Store.Content.SetValue(kFull, "Gone", REG_DWORD, std::string(4, '\0'));
    Store.Content.SetValue(kFull, "Stays", REG_DWORD, std::string(4, '\0'));
    Store.Content.SetValue(kFull + "\\Leaf", "x", REG_DWORD, std::string(4, '\0'));
    Store.Content.CreateKey(kFull + "\\Tree\\Leaf");
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 0));
        EXPECT_TRUE(reg.DeleteValue("Gone"));
        EXPECT_FALSE(reg.DeleteValue("Gone"));
        EXPECT_TRUE(reg.DeleteKey("Leaf"));
        EXPECT_FALSE(reg.DeleteKey("Tree")) << "has a sub-key";
        EXPECT_FALSE(reg.DeleteKey("Missing"));
        EXPECT_FALSE(reg.DeleteKey(nullptr));
        EXPECT_FALSE(reg.DeleteKey(""));
        std::uint32_t size;
        EXPECT_FALSE(reg.ValueSize("Gone", &size));
    }
    EXPECT_EQ(Stored("Gone"), nullptr);
    EXPECT_NE(Stored("Stays"), nullptr);
    EXPECT_FALSE(Store.Content.KeyExists(kFull + "\\Leaf"));
    EXPECT_TRUE(Store.Content.KeyExists(kFull + "\\Tree\\Leaf"));
}

TEST_F(Registry, TwoObjectsOpenAtOnceKeepBothWrites)
{
    CRegistry first;
    CRegistry second;
    ASSERT_TRUE(first.OpenKey(HKEY_CURRENT_USER, kPath, 1));
    ASSERT_TRUE(second.OpenKey(HKEY_CURRENT_USER, kPath, 1));
    first.WriteInt("A", 1);
    second.WriteInt("B", 2);
    EXPECT_TRUE(first.CloseKey());
    EXPECT_TRUE(second.CloseKey());
    EXPECT_NE(Stored("A"), nullptr) << "the later save kept the earlier one's value";
    EXPECT_NE(Stored("B"), nullptr);
}

TEST(RegistryFile, ValuesSurviveInTheUsersFile)
{
    const TestSupport::ConfigHome config;
    const std::string& top = config.Path();
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 1));
        reg.WriteInt("ZPlaySound", 30);
        EXPECT_TRUE(reg.CloseKey());
    }
    std::string file = top + "/tumbletown/settings.reg";
    EXPECT_TRUE(std::filesystem::exists(file));
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenKey(HKEY_CURRENT_USER, kPath, 0));
        EXPECT_EQ(reg.ReadIntOr("ZPlaySound", 0), 30);
    }
}

} // namespace
