// The settings file on disk: reading, locking and crash-safe saving.

#include "platform/SettingsStore.h"

#include "platform/FolderFiles.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace Platform {

namespace {

constexpr const char* kAppFolder = "tumbletown";
constexpr const char* kTempInfix = ".tmp.";
constexpr const char* kDamagedSuffix = ".damaged";
constexpr int kMaxDamagedCopies = 100;
constexpr int kLockPollMs = 5;

// Closes a descriptor when it goes out of scope.
class TFd {
public:
    explicit TFd(int fd = -1) : Fd(fd) {}
    ~TFd() { Reset(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return Fd; }
    // Closes now; false when close reported an error.
    bool Reset()
    {
        bool ok = true;
        if (Fd >= 0)
            ok = ::close(Fd) == 0;
        Fd = -1;
        return ok;
    }

private:
    int Fd;
};

enum class TReadResult { Ok, Absent, Failed };

// Reads up to limit bytes of a file; truncated is set when there was more.
TReadResult ReadFile(const std::string& path, std::size_t limit, std::string& out, bool& truncated)
{
    out.clear();
    truncated = false;
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return errno == ENOENT ? TReadResult::Absent : TReadResult::Failed;
    char buf[65536];
    while (true) {
        ssize_t n = ::read(fd.Get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return TReadResult::Failed;
        }
        if (n == 0)
            return TReadResult::Ok;
        std::size_t room = limit - out.size();
        if (static_cast<std::size_t>(n) > room) {
            out.append(buf, room);
            truncated = true;
            return TReadResult::Ok;
        }
        out.append(buf, static_cast<std::size_t>(n));
    }
}

// Keeps the damaged file under a name of its own; a hard link keeps it
// without copying, a copy serves where links are not possible.
bool KeepDamaged(const std::string& path, const std::string& bytes)
{
    for (int i = 0; i < kMaxDamagedCopies; ++i) {
        std::string name = path + kDamagedSuffix;
        if (i > 0)
            name += "." + std::to_string(i);
        if (::link(path.c_str(), name.c_str()) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        TFd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (fd.Get() < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        return WriteAllBytes(fd.Get(), bytes.data(), bytes.size()) && ::fsync(fd.Get()) == 0 && fd.Reset();
    }
    return false;
}

enum class TLock { Held, Busy, Unsupported };

// Takes the exclusive lock, waiting at most waitMs for another holder.
TLock Lock(int fd, int waitMs)
{
    if (fd < 0)
        return TLock::Unsupported;
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (true) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return TLock::Held;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return TLock::Unsupported;
        if (std::chrono::steady_clock::now() >= until)
            return TLock::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMs));
    }
}

TSettingsStore* CurrentStore = nullptr;

} // namespace

TSettingsFileStore::TSettingsFileStore(std::string folder) : FixedFolder(std::move(folder)) {}

std::string TSettingsFileStore::DefaultFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/" + kAppFolder;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.config/" + kAppFolder;
    return {};
}

std::string TSettingsFileStore::Folder() const
{
    return FixedFolder.empty() ? DefaultFolder() : FixedFolder;
}

std::string TSettingsFileStore::FilePath() const
{
    std::string folder = Folder();
    return folder.empty() ? folder : folder + "/" + kFileName;
}

bool TSettingsFileStore::Read(TSettingsFile& out)
{
    std::string path = FilePath();
    if (path.empty())
        return false;
    std::string bytes;
    bool truncated = false;
    switch (ReadFile(path, kMaxFileSize, bytes, truncated)) {
    case TReadResult::Absent:
        out = TSettingsFile();
        return true;
    case TReadResult::Failed:
        return false;
    case TReadResult::Ok:
        break;
    }
    out = TSettingsFile::Parse(bytes);
    return true;
}

bool TSettingsFileStore::Change(const std::function<void(TSettingsFile&)>& change)
{
    std::string folder = Folder();
    if (folder.empty() || !MakeFolders(folder))
        return false;
    std::string path = folder + "/" + kFileName;
    // The lock is taken on the folder itself, which leaves nothing behind in
    // it. File systems that emulate flock with record locks (NFS) refuse it on
    // a folder, since that needs a descriptor open for writing; every copy of
    // the game meets the same refusal there and locks a file instead.
    TFd folderLock(UseLockFile ? -1 : ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    TLock got = Lock(folderLock.Get(), LockWaitMs);
    const bool lockFile = got == TLock::Unsupported;
    if (lockFile)
        folderLock.Reset();
    TFd fileLock(lockFile ? ::open((folder + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)
                          : -1);
    if (lockFile)
        got = Lock(fileLock.Get(), LockWaitMs);
    if (got != TLock::Held)
        return false;
    // Only a saver holding the lock makes temporary files, so every one found
    // now belongs to a save that died.
    RemoveFilesStartingWith(folder, std::string(kFileName) + kTempInfix);

    std::string bytes;
    bool truncated = false;
    TReadResult read = ReadFile(path, kMaxFileSize, bytes, truncated);
    if (read == TReadResult::Failed)
        return false;
    TSettingsFile content = TSettingsFile::Parse(bytes);
    const bool whole = read == TReadResult::Ok && !content.Damaged() && !truncated;
    if (read == TReadResult::Ok && !whole) {
        // Never replace a damaged file without keeping it.
        if (!KeepDamaged(path, bytes))
            return false;
    }
    change(content);
    std::string changed = content.Format();
    // A file that holds these very bytes already is left as it is: the game
    // saves its options on every start, and a rewrite costs two flushes to
    // the disk while the player waits for the window.
    if (whole && changed == bytes)
        return true;
    return ReplaceFileSafely(folder, path, changed, kTempInfix);
    // The lock goes with its descriptor.
}

bool TMemorySettingsStore::Read(TSettingsFile& out)
{
    if (FailReads)
        return false;
    out = Content;
    return true;
}

bool TMemorySettingsStore::Change(const std::function<void(TSettingsFile&)>& change)
{
    // A change starts by reading the newest content, as the file store does.
    if (FailChanges || FailReads)
        return false;
    change(Content);
    ++Saves;
    return true;
}

TSettingsStore& UserSettings()
{
    static TSettingsFileStore defaultStore;
    return CurrentStore != nullptr ? *CurrentStore : defaultStore;
}

void SetUserSettings(TSettingsStore* store)
{
    CurrentStore = store;
}

} // namespace Platform
