#include "tests/server/PowerCutVfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace ServerTest {

struct TPowerCutVfs::TFile {
    sqlite3_file Base;
    TPowerCutVfs* Vfs;
    const char* Path;   // null for a temporary file, which no one reads after a crash
    sqlite3_file* Real; // the real VFS's file, just after this
};

namespace {

using TFile = TPowerCutVfs::TFile;

sqlite3_file* RealFile(sqlite3_file* f)
{
    return reinterpret_cast<TFile*>(f)->Real;
}

int Close(sqlite3_file* f)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xClose(real);
}
int Read(sqlite3_file* f, void* data, int bytes, sqlite3_int64 offset)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xRead(real, data, bytes, offset);
}
int Write(sqlite3_file* f, const void* data, int bytes, sqlite3_int64 offset)
{
    TFile* file = reinterpret_cast<TFile*>(f);
    return file->Vfs->Write(*file, data, bytes, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size)
{
    TFile* file = reinterpret_cast<TFile*>(f);
    return file->Vfs->Truncate(*file, size);
}
int Sync(sqlite3_file* f, int flags)
{
    TFile* file = reinterpret_cast<TFile*>(f);
    return file->Vfs->Sync(*file, flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xFileSize(real, size);
}
int Lock(sqlite3_file* f, int level)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xLock(real, level);
}
int Unlock(sqlite3_file* f, int level)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xUnlock(real, level);
}
int CheckReservedLock(sqlite3_file* f, int* out)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xCheckReservedLock(real, out);
}
int FileControl(sqlite3_file* f, int op, void* arg)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xFileControl(real, op, arg);
}
int SectorSize(sqlite3_file* f)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xSectorSize(real);
}
int DeviceCharacteristics(sqlite3_file* f)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xDeviceCharacteristics(real);
}
// The shared memory of the write-ahead log is memory, not a file on the
// disk: a crash loses it anyway, and SQLite rebuilds it from the log.
int ShmMap(sqlite3_file* f, int page, int pageSize, int extend, void volatile** out)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xShmMap(real, page, pageSize, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xShmLock(real, offset, n, flags);
}
void ShmBarrier(sqlite3_file* f)
{
    sqlite3_file* real = RealFile(f);
    real->pMethods->xShmBarrier(real);
}
int ShmUnmap(sqlite3_file* f, int deleteFlag)
{
    sqlite3_file* real = RealFile(f);
    return real->pMethods->xShmUnmap(real, deleteFlag);
}

const sqlite3_io_methods kMethods = {
    2,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    nullptr,
    nullptr,
};

TPowerCutVfs* Owner(sqlite3_vfs* vfs)
{
    return static_cast<TPowerCutVfs*>(vfs->pAppData);
}

int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    TFile* file = reinterpret_cast<TFile*>(f);
    file->Base.pMethods = nullptr;
    file->Vfs = Owner(vfs);
    file->Path = name;
    file->Real = reinterpret_cast<sqlite3_file*>(file + 1);
    sqlite3_vfs* real = file->Vfs->RealVfs();
    const int rc = real->xOpen(real, name, file->Real, flags, outFlags);
    if (rc == SQLITE_OK)
        file->Base.pMethods = &kMethods;
    return rc;
}
int Delete(sqlite3_vfs* vfs, const char* name, int syncFolder)
{
    return Owner(vfs)->Delete(name, syncFolder);
}
int Access(sqlite3_vfs* vfs, const char* name, int flags, int* out)
{
    sqlite3_vfs* real = Owner(vfs)->RealVfs();
    return real->xAccess(real, name, flags, out);
}
int FullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out)
{
    sqlite3_vfs* real = Owner(vfs)->RealVfs();
    return real->xFullPathname(real, name, size, out);
}
int Randomness(sqlite3_vfs* vfs, int size, char* out)
{
    sqlite3_vfs* real = Owner(vfs)->RealVfs();
    return real->xRandomness(real, size, out);
}
int Sleep(sqlite3_vfs* vfs, int microseconds)
{
    sqlite3_vfs* real = Owner(vfs)->RealVfs();
    return real->xSleep(real, microseconds);
}
int CurrentTime(sqlite3_vfs* vfs, double* out)
{
    sqlite3_vfs* real = Owner(vfs)->RealVfs();
    return real->xCurrentTime(real, out);
}
int GetLastError(sqlite3_vfs* vfs, int size, char* out)
{
    sqlite3_vfs* real = Owner(vfs)->RealVfs();
    return real->xGetLastError(real, size, out);
}
int CurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out)
{
    sqlite3_vfs* real = Owner(vfs)->RealVfs();
    return real->xCurrentTimeInt64(real, out);
}

} // namespace

TPowerCutVfs::TPowerCutVfs() : Real(sqlite3_vfs_find(nullptr)), Mine(new sqlite3_vfs{})
{
    Mine->iVersion = 2;
    Mine->szOsFile = static_cast<int>(sizeof(TFile)) + Real->szOsFile;
    Mine->mxPathname = Real->mxPathname;
    Mine->zName = "power-cut";
    Mine->pAppData = this;
    Mine->xOpen = Open;
    Mine->xDelete = ServerTest::Delete;
    Mine->xAccess = Access;
    Mine->xFullPathname = FullPathname;
    Mine->xRandomness = Randomness;
    Mine->xSleep = Sleep;
    Mine->xCurrentTime = CurrentTime;
    Mine->xGetLastError = GetLastError;
    Mine->xCurrentTimeInt64 = CurrentTimeInt64;
    sqlite3_vfs_register(Mine, 1);
}

TPowerCutVfs::~TPowerCutVfs()
{
    sqlite3_vfs_unregister(Mine);
    sqlite3_vfs_register(Real, 1);
    delete Mine;
}

void TPowerCutVfs::KeepBefore(TFile& file, std::int64_t offset, std::int64_t bytes)
{
    sqlite3_int64 size = 0;
    file.Real->pMethods->xFileSize(file.Real, &size);
    TChange change{Changes++, size, offset, {}};
    const std::int64_t end = std::min<std::int64_t>(offset + bytes, size);
    if (end > offset) {
        change.Overwritten.resize(static_cast<std::size_t>(end - offset));
        file.Real->pMethods->xRead(file.Real, change.Overwritten.data(),
                                   static_cast<int>(change.Overwritten.size()), offset);
    }
    Files[file.Path].push_back(std::move(change));
}

int TPowerCutVfs::Write(TFile& file, const void* data, int bytes, std::int64_t offset)
{
    std::lock_guard<std::mutex> hold(Mutex);
    if (!Power)
        return SQLITE_OK; // nothing reaches the disk any more
    if (file.Path != nullptr)
        KeepBefore(file, offset, bytes);
    return file.Real->pMethods->xWrite(file.Real, data, bytes, offset);
}

int TPowerCutVfs::Truncate(TFile& file, std::int64_t size)
{
    std::lock_guard<std::mutex> hold(Mutex);
    if (!Power)
        return SQLITE_OK;
    if (file.Path != nullptr)
        KeepBefore(file, size, INT64_MAX / 2);
    return file.Real->pMethods->xTruncate(file.Real, size);
}

int TPowerCutVfs::Sync(TFile& file, int flags)
{
    // The flush itself runs unlocked, as a disk's does: writes go on beside
    // it, and the power may go before it ends (then it made nothing safe).
    std::uint64_t before = 0;
    {
        std::lock_guard<std::mutex> hold(Mutex);
        if (!Power)
            return SQLITE_OK;
        before = Changes;
    }
    const int rc = file.Real->pMethods->xSync(file.Real, flags);
    std::lock_guard<std::mutex> hold(Mutex);
    if (!Power || rc != SQLITE_OK || file.Path == nullptr)
        return rc;
    // What was written before the flush began is safe; what came during it
    // may not be.
    std::vector<TChange>& changes = Files[file.Path];
    changes.erase(changes.begin(), std::find_if(changes.begin(), changes.end(),
                                                [before](const TChange& c) { return c.Number >= before; }));
    return rc;
}

int TPowerCutVfs::Delete(const char* path, int syncFolder)
{
    std::lock_guard<std::mutex> hold(Mutex);
    if (!Power)
        return SQLITE_OK;
    Files.erase(path);
    return Real->xDelete(Real, path, syncFolder);
}

void TPowerCutVfs::Cut()
{
    std::lock_guard<std::mutex> hold(Mutex);
    Power = false;
    for (const auto& [path, changes] : Files) {
        if (changes.empty())
            continue;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // Newest first, so that each range ends as its last sync left it.
        for (auto at = changes.rbegin(); at != changes.rend(); ++at) {
            if (::pwrite(fd, at->Overwritten.data(), at->Overwritten.size(), at->Offset) < 0 ||
                ::ftruncate(fd, at->SizeBefore) != 0)
                ::perror(path.c_str());
        }
        ::fsync(fd);
        ::close(fd);
    }
    Files.clear();
}

} // namespace ServerTest
