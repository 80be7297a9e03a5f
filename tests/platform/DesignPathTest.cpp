#include "platform/DesignPath.h"
#include "platform/DataFolder.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

// A data folder whose spelling differs from the design's names, as skin
// packs made on a case-blind file system do.
class DesignPathTest : public testing::Test {
protected:
    TestSupport::TempFolder data;

    void SetUp() override
    {
        data.MakeFolder("skin");
        data.MakeFolder("Music");
        data.MakeFolder("Sounds/Extra");
        data.WriteFile("skin/balls.JPG", "x");
        data.WriteFile("skin/Menu.jpg", "x");
        data.WriteFile("skin/menu.jpg", "x"); // exact spelling of another name exists too
        data.WriteFile("skin/HELP.txt", "x");
        data.WriteFile("Music/AXEL.MOD", "x");
        data.WriteFile("Music/Mattiasa.MOD", "x");
        data.WriteFile("Sounds/Extra/Drop.wav", "x");
        data.WriteFile("Sounds/Extra/DROP.WAV", "x");
    }
};

struct PathCase {
    const char* design;
    const char* expected; // relative to the data folder
};

std::ostream& operator<<(std::ostream& out, const PathCase& c)
{
    return out << '"' << c.design << '"';
}

class DesignPathTable : public DesignPathTest, public testing::WithParamInterface<PathCase> {};

TEST_P(DesignPathTable, ResolvesAgainstTheDataFolder)
{
    EXPECT_EQ(Platform::ResolveDesignPath(data.Path(), GetParam().design),
              data.Path() + "/" + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DesignPathTable,
    testing::Values(
        // Written as it exists: taken as it stands.
        PathCase{"Music\\AXEL.MOD", "Music/AXEL.MOD"}, PathCase{"skin\\Menu.jpg", "skin/Menu.jpg"},
        // Each component found without regard to case.
        PathCase{"Skin\\Balls.jpg", "skin/balls.JPG"}, PathCase{"Skin\\help.txt", "skin/HELP.txt"},
        PathCase{"Music\\mattiasa.mod", "Music/Mattiasa.MOD"},
        // An exact component is preferred; among case variants the first in byte order.
        PathCase{"Skin\\menu.jpg", "skin/menu.jpg"}, PathCase{"SKIN\\MENU.JPG", "skin/Menu.jpg"},
        PathCase{"sounds\\extra\\drop.wav", "Sounds/Extra/DROP.WAV"},
        // Forward slashes work as well.
        PathCase{"Skin/Balls.jpg", "skin/balls.JPG"},
        // Missing files come back as written, so that opening them fails.
        PathCase{"Skin\\Nothing.jpg", "Skin/Nothing.jpg"}, PathCase{"Nowhere\\AXEL.MOD", "Nowhere/AXEL.MOD"},
        PathCase{"Skin\\Balls.jpg\\deeper", "Skin/Balls.jpg/deeper"}));

TEST_F(DesignPathTest, BaseWithTrailingSlashAndDotComponents)
{
    EXPECT_EQ(Platform::ResolveDesignPath(data.Path() + "/", "Skin\\.\\Balls.jpg"),
              data.Path() + "/skin/./balls.JPG");
    EXPECT_EQ(Platform::ResolveDesignPath(data.Path(), "Music\\..\\Skin\\HELP.TXT"),
              data.Path() + "/Music/../skin/HELP.txt");
}

TEST_F(DesignPathTest, EmptyAndAbsoluteNames)
{
    EXPECT_EQ(Platform::ResolveDesignPath(data.Path(), ""), data.Path() + "/");
    EXPECT_EQ(Platform::ResolveDesignPath("", data.Path() + "/SKIN/balls.jpg"),
              data.Path() + "/skin/balls.JPG");
}

TEST(DataFolder, OverrideThenExecutableFolderWithSkinThenInstalled)
{
    TestSupport::TempFolder withSkin, withoutSkin, skinIsAFile;
    withSkin.MakeFolder("SKIN");
    withoutSkin.MakeFolder("Music");
    skinIsAFile.WriteFile("Skin", "not a folder");

    EXPECT_EQ(Platform::ChooseDataFolder("/over", withSkin.Path(), "/inst"), "/over");
    EXPECT_EQ(Platform::ChooseDataFolder("", withSkin.Path(), "/inst"), withSkin.Path());
    EXPECT_EQ(Platform::ChooseDataFolder("", withoutSkin.Path(), "/inst"), "/inst");
    EXPECT_EQ(Platform::ChooseDataFolder("", skinIsAFile.Path(), "/inst"), "/inst");
    EXPECT_EQ(Platform::ChooseDataFolder("", "", "/inst"), "/inst");
}

TEST(DataFolder, ExecutableFolderIsWhereTheTestRuns)
{
    const std::string folder = Platform::ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(Platform::IsDirectory(folder));
    EXPECT_FALSE(Platform::InstalledDataFolder().empty());
}

TEST(DataFolder, EnvironmentOverrideWins)
{
    TestSupport::TempFolder data;
    ::setenv("TUMBLETOWN_DATA_DIR", data.Path().c_str(), 1);
    EXPECT_EQ(Platform::FindDataFolder(), data.Path());
    ::setenv("TUMBLETOWN_DATA_DIR", "", 1);
    EXPECT_NE(Platform::FindDataFolder(), "");
    ::unsetenv("TUMBLETOWN_DATA_DIR");
}

} // namespace
