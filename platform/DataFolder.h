// Where the game's data (Skin/, Sounds/, Music/) is found.
#pragma once

#include <string>

namespace Platform {

// The data folder: $TUMBLETOWN_DATA_DIR when set and not empty; else the
// executable's folder when it holds a Skin folder (any case); else the
// installed data folder as seen from the executable (../share/tumbletown)
// when it holds one; else the installed data folder chosen at build time.
std::string FindDataFolder();

// The rule of FindDataFolder with its inputs given: the override (may be
// empty), the executable's folder (may be empty when unknown), the data
// folder relative to the executable's and the installed folder.
std::string ChooseDataFolder(const std::string& overrideFolder, const std::string& executableFolder,
                             const std::string& dataFromExecutable, const std::string& installedFolder);

// True when the folder holds the game's pictures (a Skin folder, any case);
// without them there is nothing to show.
bool HoldsGameData(const std::string& folder);

// The folder of the running executable (from /proc/self/exe), "" if unknown.
std::string ExecutableFolder();

// The installed data folder this build was configured with.
std::string InstalledDataFolder();

// The installed data folder relative to the installed executable's folder.
std::string DataFolderFromExecutable();

} // namespace Platform
