#include "tests/platform/TempFolder.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace TestSupport {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tt-platform-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
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
