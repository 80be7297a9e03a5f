#include "platform/DesignPath.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

namespace Platform {
namespace {

bool Exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

// The entry of folder spelled like `name` but for case, or "" when none.
std::string FindEntryIgnoringCase(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    std::string best;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view candidate = entry->d_name;
        if (!EqualIgnoringCase(candidate, name))
            continue;
        if (best.empty() || candidate < best)
            best = std::string(candidate);
    }
    ::closedir(dir);
    return best;
}

} // namespace

bool IsDirectory(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ResolveDesignPath(const std::string& base, std::string_view designName)
{
    std::string relative(designName);
    for (char& c : relative)
        if (c == '\\')
            c = '/';
    std::string folder = base;
    if (!relative.empty() && relative.front() == '/')
        folder.clear();
    const std::string asWritten = folder.empty() ? relative : Join(folder, relative);
    if (relative.empty() || Exists(asWritten))
        return asWritten;

    std::vector<std::string> components;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos)
            end = relative.size();
        components.push_back(relative.substr(start, end - start));
        start = end + 1;
    }
    std::string path = folder;
    if (relative.front() == '/')
        path = "/";
    for (const std::string& component : components) {
        if (component.empty() || component == "." || component == "..") {
            if (!component.empty())
                path = Join(path, component);
            continue;
        }
        const std::string exact = Join(path, component);
        if (Exists(exact)) {
            path = exact;
            continue;
        }
        const std::string match = FindEntryIgnoringCase(path, component);
        if (match.empty())
            return asWritten;
        path = Join(path, match);
    }
    return path;
}

} // namespace Platform
