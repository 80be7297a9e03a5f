// A disk that loses power, for SQLite: a VFS over the real one that keeps,
// for each file, what its unsynced writes overwrote. A sync makes the writes
// before it permanent; Cut puts back everything written since each file's
// last sync, as a machine that loses power finds its files, and from then
// on nothing the process does reaches the files at all. While it exists it
// is SQLite's default VFS, so a database opened the usual way writes
// through it.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct sqlite3_vfs;

namespace ServerTest {

class TPowerCutVfs {
public:
    TPowerCutVfs();
    ~TPowerCutVfs(); // SQLite's own default again
    TPowerCutVfs(const TPowerCutVfs&) = delete;
    TPowerCutVfs& operator=(const TPowerCutVfs&) = delete;

    // The power goes: every file back to what its last sync left.
    void Cut();
    bool IsCut() const { return !Power; }

    struct TFile;
    // What the VFS's files call: each runs the real operation unless the
    // power is cut, keeping what it overwrites. Returns SQLite's code.
    int Write(TFile& file, const void* data, int bytes, std::int64_t offset);
    int Truncate(TFile& file, std::int64_t size);
    int Sync(TFile& file, int flags);
    int Delete(const char* path, int syncFolder);
    sqlite3_vfs* RealVfs() const { return Real; }

private:
    // What one unsynced write or truncation changed.
    struct TChange {
        std::uint64_t Number; // in the order of all changes
        std::int64_t SizeBefore;
        std::int64_t Offset;
        std::string Overwritten; // what was there, within SizeBefore
    };
    // Keeps what [offset, offset + bytes) of the file holds now, and its size.
    void KeepBefore(TFile& file, std::int64_t offset, std::int64_t bytes);

    std::atomic<bool> Power{true};
    std::mutex Mutex;
    std::map<std::string, std::vector<TChange>> Files; // oldest first
    std::uint64_t Changes = 0;
    sqlite3_vfs* Real = nullptr;
    sqlite3_vfs* Mine = nullptr;
};

} // namespace ServerTest
