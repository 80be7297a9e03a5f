// The replay viewer's files as the server sends them: read once at start
// from the folder its package installs (share/tumbletown-scores/viewer), each
// with its type and an ETag made from its bytes, so that a browser that has
// them asks again and gets 304 with nothing to load.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace ScoreServer {

struct TViewerFile {
    std::string Name; // as in /viewer/NAME
    std::string ContentType;
    std::string Body;
    std::string ETag; // with its quotes
};

constexpr const char* kViewerPath = "/viewer/";
constexpr std::size_t kMaxViewerFileBytes = 8u << 20;

class TViewerFiles {
public:
    // Reads every file the viewer needs from folder. False with a reason
    // naming the first one missing, unreadable or over kMaxViewerFileBytes;
    // the set is then empty.
    bool Load(const std::string& folder, std::string& error);
    bool Empty() const { return Files.empty(); }
    // The file of that name, nullptr for any name the viewer does not have.
    const TViewerFile* Find(const std::string& name) const;

private:
    std::vector<TViewerFile> Files;
};

// The viewer's folder of an installed server: share/tumbletown-scores/viewer
// beside the executable's bin folder; "" when the executable is not known.
std::string InstalledViewerFolder();

// The ETag of bytes: a quoted 64-bit FNV-1a in hexadecimal.
std::string ETagOf(const std::string& bytes);

// Whether an If-None-Match header names the tag: "*", or one of its
// comma-separated tags (weak ones compared by their opaque part, as the
// header's weak comparison wants).
bool ETagMatches(const std::string& ifNoneMatch, const std::string& etag);

} // namespace ScoreServer
