#include "tests/platform/TempFolder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace TestSupport {

bool KeepTemporaryFolders()
{
    const char* keep = std::getenv("TUMBLETOWN_KEEP_TEMP");
    return keep != nullptr && *keep != '\0' && std::string(keep) != "0";
}

TempFolder::TempFolder(const std::string& tag)
{
    std::string pattern = (std::filesystem::temp_directory_path() / ("tt-" + tag + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    if (KeepTemporaryFolders()) {
        std::printf("TUMBLETOWN_KEEP_TEMP: kept %s\n", path_.c_str());
        return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ConfigHome::ConfigHome() : TempFolder("config")
{
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadOld_ = old != nullptr;
    old_ = hadOld_ ? old : "";
    ::setenv("XDG_CONFIG_HOME", Path().c_str(), 1);
}

ConfigHome::~ConfigHome()
{
    if (hadOld_)
        ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

void TempFolder::MakeFolder(const std::string& relative) const
{
    std::filesystem::create_directories(path_ + "/" + relative);
}

std::string TempFolder::WriteFile(const std::string& relative, const std::string& contents,
                                  bool executable) const
{
    const std::string full = path_ + "/" + relative;
    std::ofstream(full, std::ios::binary) << contents;
    if (executable)
        ::chmod(full.c_str(), 0755);
    return full;
}

} // namespace TestSupport
