#include "server/ViewerFiles.h"

#include "platform/DataFolder.h"
#include "platform/FolderFiles.h"
#include "server/Fnv1a.h"

namespace ScoreServer {

namespace {

struct TKnownFile {
    const char* Name;
    const char* ContentType;
};

// Everything the page loads; wasm must be application/wasm for the browser
// to compile it as it streams in.
constexpr TKnownFile kKnownFiles[] = {
    {"viewer.js", "text/javascript; charset=utf-8"},
    {"viewer.css", "text/css; charset=utf-8"},
    {"rules.js", "text/javascript; charset=utf-8"},
    {"rules.wasm", "application/wasm"},
    {"Balls.png", "image/png"},
    {"Specials.png", "image/png"},
};

std::string Trim(const std::string& text)
{
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    const std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

} // namespace

bool TViewerFiles::Load(const std::string& folder, std::string& error)
{
    Files.clear();
    std::vector<TViewerFile> files;
    for (const TKnownFile& known : kKnownFiles) {
        TViewerFile file;
        file.Name = known.Name;
        file.ContentType = known.ContentType;
        const std::string path = folder + "/" + known.Name;
        if (!Platform::ReadFileUpTo(path, kMaxViewerFileBytes, file.Body)) {
            error = "replay viewer: cannot read " + path;
            return false;
        }
        file.ETag = ETagOf(file.Body);
        files.push_back(std::move(file));
    }
    Files = std::move(files);
    return true;
}

const TViewerFile* TViewerFiles::Find(const std::string& name) const
{
    for (const TViewerFile& file : Files)
        if (file.Name == name)
            return &file;
    return nullptr;
}

std::string InstalledViewerFolder()
{
    const std::string bin = Platform::ExecutableFolder();
    return bin.empty() ? std::string() : bin + "/../share/tumbletown-scores/viewer";
}

std::string ETagOf(const std::string& bytes)
{
    TFnv1a hash;
    hash.AddBytes(bytes);
    return "\"" + hash.Hex() + "\"";
}

bool ETagMatches(const std::string& ifNoneMatch, const std::string& etag)
{
    std::size_t at = 0;
    while (at <= ifNoneMatch.size()) {
        std::size_t comma = ifNoneMatch.find(',', at);
        if (comma == std::string::npos)
            comma = ifNoneMatch.size();
        std::string tag = Trim(ifNoneMatch.substr(at, comma - at));
        if (tag == "*")
            return true;
        if (tag.compare(0, 2, "W/") == 0)
            tag.erase(0, 2);
        if (!tag.empty() && tag == etag)
            return true;
        at = comma + 1;
    }
    return false;
}

} // namespace ScoreServer
