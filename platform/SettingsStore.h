// Where the settings file lives and how it is read and saved.
//
// TSettingsStore is the seam: the real one keeps one file per user on disk,
// the memory one serves tests. Reading takes a snapshot; every change is made
// as one locked read-change-save of the newest content, so two running copies
// of the game never lose each other's values nor corrupt the file.
#pragma once

#include "platform/SettingsFile.h"

#include <functional>
#include <string>

namespace Platform {

class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    // The present content. An absent store reads as empty; false only when the
    // store exists and cannot be read (out is then left alone).
    virtual bool Read(TSettingsFile& out) = 0;
    // Applies change to the newest content and saves it whole. False when
    // nothing was saved (the stored content is then as it was).
    virtual bool Change(const std::function<void(TSettingsFile&)>& change) = 0;
};

// The settings file "settings.reg" in a folder, by default
// $XDG_CONFIG_HOME/tumbletown/ (~/.config/tumbletown/ when XDG_CONFIG_HOME is
// unset, empty or relative), found again at every call.
//
// Saving: under an exclusive lock on the folder (or, where the file system
// cannot lock a folder, on "settings.lock" beside the file), the file is read
// again, changed, written to a fresh temporary file, flushed to disk
// and renamed over the old one, so that a crash at any moment leaves either
// the old or the new content. Temporary files left by a killed save are
// removed. A file that did not parse whole is first kept beside the new one as
// "settings.reg.damaged" (or .damaged.1, .damaged.2, ...).
class TSettingsFileStore : public TSettingsStore {
public:
    // folder: where the file lives; empty for the default folder.
    explicit TSettingsFileStore(std::string folder = {});

    bool Read(TSettingsFile& out) override;
    bool Change(const std::function<void(TSettingsFile&)>& change) override;

    // How long a save waits for another process's save to finish.
    void SetLockWaitMs(int ms) { LockWaitMs = ms; }
    // Locks "settings.lock" even where the folder itself could be locked, as
    // on file systems that cannot lock folders (NFS). Every copy of the game
    // on the same folder must take the same way; for tests of that way.
    void SetUseLockFile(bool use) { UseLockFile = use; }

    // The folder in use; empty when no home folder can be found.
    std::string Folder() const;
    std::string FilePath() const;

    // $XDG_CONFIG_HOME/tumbletown or $HOME/.config/tumbletown; empty without a home.
    static std::string DefaultFolder();

    // Files larger than this are read only up to it (and count as damaged).
    static constexpr std::size_t kMaxFileSize = 8u << 20;
    static constexpr const char* kFileName = "settings.reg";
    static constexpr const char* kLockName = "settings.lock";

private:
    std::string FixedFolder;
    int LockWaitMs = 5000;
    bool UseLockFile = false;
};

// Keeps the content in memory; for tests of the layers above.
class TMemorySettingsStore : public TSettingsStore {
public:
    bool Read(TSettingsFile& out) override;
    bool Change(const std::function<void(TSettingsFile&)>& change) override;

    TSettingsFile Content;
    bool FailReads = false;
    bool FailChanges = false;
    int Saves = 0;
};

// The store of the current user: the one set by SetUserSettings, or a
// TSettingsFileStore in the default folder.
TSettingsStore& UserSettings();
// Replaces the user's store (nullptr: back to the default). The caller keeps
// ownership and keeps the store alive while it is set.
void SetUserSettings(TSettingsStore* store);

} // namespace Platform
