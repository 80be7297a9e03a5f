// Files of the game's own folders: crash-safe replacing of a whole file,
// listing, removing and bounded reading. Every failure is reported by the
// return value; nothing here interprets the bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Platform {

// Creates the folder and the parents it lacks (new ones readable by the user
// only). True when it exists afterwards.
bool MakeFolders(const std::string& path);

// Writes text to a fresh temporary file beside path (path + tempInfix +
// six random characters), flushes it to disk and renames it over path, then
// flushes the folder so that the rename itself is on disk: a crash at any
// moment leaves the old content or the new one, never a mix. The file is
// readable by the user only.
bool ReplaceFileSafely(const std::string& folder, const std::string& path, const std::string& text,
                       const char* tempInfix);

// Removes the files of the folder whose names begin with prefix (what a
// killed save left behind).
void RemoveFilesStartingWith(const std::string& folder, const std::string& prefix);

// The names in the folder (without "." and ".."), sorted; empty when it
// cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// Writes all the bytes to the descriptor, going on after short writes and
// interruptions. False at the first error.
bool WriteAllBytes(int fd, const char* data, std::size_t size);

bool RemoveFile(const std::string& path);

// Whether the path names something that exists (a file or a folder).
bool PathExists(const std::string& path);

// Reads a regular file whole into out. False when it cannot be read or is
// larger than limit bytes (out is then unspecified).
bool ReadFileUpTo(const std::string& path, std::size_t limit, std::string& out);

} // namespace Platform
