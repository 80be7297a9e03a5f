#include "tests/platform/PictureFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace TestSupport {

PictureFolder::~PictureFolder()
{
    if (!::testing::Test::HasFailure() || KeepTemporaryFolders())
        return;
    namespace fs = std::filesystem;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr)
        return;
    // CTest names the build folder; a test binary started by hand keeps them
    // in the folder it was started in.
    const char* build = std::getenv("TUMBLETOWN_BUILD_DIR");
    std::error_code error;
    const fs::path top = build != nullptr && *build != '\0' ? fs::path(build) : fs::current_path(error);
    // Parameterised names carry slashes ("Pages/Screenshots.Drawn/3").
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name)
        if (c == '/')
            c = '-';
    const fs::path kept = top / "failed-pictures" / name;
    fs::remove_all(kept, error);
    fs::create_directories(kept, error);
    fs::copy(Path(), kept, fs::copy_options::recursive, error);
    if (error)
        std::printf("could not keep the pictures of this failed test in %s: %s\n", kept.c_str(),
                    error.message().c_str());
    else
        std::printf("the pictures of this failed test are kept in %s\n", kept.c_str());
}

} // namespace TestSupport
