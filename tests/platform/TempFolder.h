// Temporary folders for tests: one of a test's own wherever it needs a folder
// or a file, gone when the object goes (the test body's end or the fixture's
// teardown), whether the test passed or failed.
//
// TUMBLETOWN_KEEP_TEMP=1 in the environment keeps every such folder for a
// post-mortem and prints its path.
#pragma once

#include <string>

namespace TestSupport {

class TempFolder {
public:
    // A new empty folder "tt-<tag>-XXXXXX" under $TMPDIR (default /tmp).
    explicit TempFolder(const std::string& tag = "test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // The full path of `relative` below this folder (nothing is created).
    std::string File(const std::string& relative) const { return path_ + "/" + relative; }
    // Creates the folders of `relative` below this folder.
    void MakeFolder(const std::string& relative) const;
    // Writes a file (folders must exist); returns its full path.
    std::string WriteFile(const std::string& relative, const std::string& contents,
                          bool executable = false) const;

private:
    std::string path_;
};

// A temporary folder that is $XDG_CONFIG_HOME while it lives: a settings file
// of the test's own. The variable is restored as it was.
class ConfigHome : public TempFolder {
public:
    ConfigHome();
    ~ConfigHome();

private:
    bool hadOld_;
    std::string old_;
};

// Whether TUMBLETOWN_KEEP_TEMP asks to keep temporary folders.
bool KeepTemporaryFolders();

} // namespace TestSupport
