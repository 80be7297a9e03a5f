// The generators are deterministic: run again, each writes the very bytes
// the build laid out.
#include "tests/data/ContentFiles.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace ContentTest;

namespace {

struct TGenerator {
    const char* Tool;
    const char* Folder;
    const char* Extra;
};

std::ostream& operator<<(std::ostream& os, const TGenerator& g)
{
    return os << g.Tool;
}

class Generators : public testing::TestWithParam<TGenerator> {};

TEST_P(Generators, WriteTheSameBytesAgain)
{
    const char* build = std::getenv("TUMBLETOWN_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    const TestSupport::TempFolder folder(GetParam().Tool);
    const std::filesystem::path out = folder.Path();
    const std::string command = std::string(build) + "/tools/" + GetParam().Tool + "/" + GetParam().Tool +
                                " " + out.string() + " " + GetParam().Extra + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    int compared = 0;
    for (const auto& e : std::filesystem::directory_iterator(DataDir() + "/" + GetParam().Folder)) {
        const std::string name = e.path().filename().string();
        EXPECT_EQ(ReadBytes(e.path().string()), ReadBytes((out / name).string())) << name;
        ++compared;
    }
    EXPECT_GT(compared, 3);
}

INSTANTIATE_TEST_SUITE_P(Data, Generators,
                         testing::Values(TGenerator{"make-music", "Music", ""},
                                         TGenerator{"make-sounds", "Sounds", ""},
                                         TGenerator{"make-skins", "Skin", "../../tools/make-skins/help.txt"}),
                         [](const testing::TestParamInfo<TGenerator>& i) {
                             std::string n = i.param.Tool;
                             return n.substr(5);
                         });

} // namespace
