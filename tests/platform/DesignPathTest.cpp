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

TEST(DataFolder, OverrideThenExecutableFolderThenBesideItThenInstalled)
{
    // An installed tree: prefix/bin holds the game, prefix/share/tumbletown
    // its data; a build tree keeps the data beside the game.
    TestSupport::TempFolder installed, built, broken;
    installed.MakeFolder("bin");
    installed.MakeFolder("share/tumbletown/SKIN");
    built.MakeFolder("Skin");
    broken.MakeFolder("bin");
    broken.MakeFolder("share/tumbletown");
    broken.WriteFile("share/tumbletown/Skin", "not a folder");
    const std::string bin = installed.Path() + "/bin";
    const std::string rel = "../share/tumbletown";

    struct Case {
        std::string overrideFolder, executableFolder, dataFromExecutable, want;
    };
    const Case cases[] = {
        {"/over", built.Path(), rel, "/over"},
        {"/over", bin, rel, "/over"},
        {"", built.Path(), rel, built.Path()},
        {"", bin, rel, bin + "/" + rel},
        {"", bin, "", "/inst"},                                          // nothing known of the layout
        {"", broken.Path() + "/bin", rel, "/inst"},                      // Skin is a file
        {"", installed.Path() + "/share/tumbletown/SKIN", rel, "/inst"}, // no data two levels up
        {"", "", rel, "/inst"},                                          // executable not known
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executableFolder + " + " + c.dataFromExecutable);
        EXPECT_EQ(
            Platform::ChooseDataFolder(c.overrideFolder, c.executableFolder, c.dataFromExecutable, "/inst"),
            c.want);
    }
    EXPECT_TRUE(Platform::HoldsGameData(bin + "/" + rel));
    EXPECT_TRUE(Platform::HoldsGameData(built.Path()));
    EXPECT_FALSE(Platform::HoldsGameData(bin));
    EXPECT_FALSE(Platform::HoldsGameData(broken.Path() + "/share/tumbletown"));
    EXPECT_FALSE(Platform::HoldsGameData(""));
}

TEST(DataFolder, ExecutableFolderIsWhereTheTestRuns)
{
    const std::string folder = Platform::ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(Platform::IsDirectory(folder));
    EXPECT_FALSE(Platform::InstalledDataFolder().empty());
    EXPECT_EQ(Platform::DataFolderFromExecutable(), "../share/tumbletown");
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
