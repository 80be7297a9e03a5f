#include "platform/DataFolder.h"

#include "platform/DesignPath.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#ifndef TUMBLETOWN_INSTALLED_DATA_DIR
#define TUMBLETOWN_INSTALLED_DATA_DIR "/usr/local/share/tumbletown"
#endif
#ifndef TUMBLETOWN_DATA_DIR_FROM_BIN
#define TUMBLETOWN_DATA_DIR_FROM_BIN "../share/tumbletown"
#endif

namespace Platform {

std::string InstalledDataFolder()
{
    return TUMBLETOWN_INSTALLED_DATA_DIR;
}

std::string DataFolderFromExecutable()
{
    return TUMBLETOWN_DATA_DIR_FROM_BIN;
}

bool HoldsGameData(const std::string& folder)
{
    return !folder.empty() && IsDirectory(ResolveDesignPath(folder, "Skin"));
}

std::string ExecutableFolder()
{
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(length));
            const size_t slash = path.rfind('/');
            if (slash == std::string::npos)
                return {};
            return slash == 0 ? "/" : path.substr(0, slash);
        }
        if (buffer.size() >= (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2); // truncated: try again with more room
    }
}

std::string ChooseDataFolder(const std::string& overrideFolder, const std::string& executableFolder,
                             const std::string& dataFromExecutable, const std::string& installedFolder)
{
    if (!overrideFolder.empty())
        return overrideFolder;
    if (!executableFolder.empty()) {
        if (HoldsGameData(executableFolder))
            return executableFolder;
        // An installed tree moved as a whole, or installed under another
        // prefix than the one it was configured with (a package is built
        // that way), still has its data where the binary expects it.
        if (!dataFromExecutable.empty()) {
            const std::string beside = executableFolder + "/" + dataFromExecutable;
            if (HoldsGameData(beside))
                return beside;
        }
    }
    return installedFolder;
}

std::string FindDataFolder()
{
    const char* overrideFolder = std::getenv("TUMBLETOWN_DATA_DIR");
    return ChooseDataFolder(overrideFolder ? overrideFolder : "", ExecutableFolder(),
                            DataFolderFromExecutable(), InstalledDataFolder());
}

} // namespace Platform
