// A temporary folder for a test, removed with everything in it at the end.
#pragma once

#include <string>

namespace TestSupport {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Creates the folders of `relative` below this folder.
    void MakeFolder(const std::string& relative) const;
    // Writes a file (folders must exist); returns its full path.
    std::string WriteFile(const std::string& relative, const std::string& contents,
                          bool executable = false) const;

private:
    std::string path_;
};

} // namespace TestSupport
