// CRegistry: the game's one way into the per-user settings store. It wraps
// one open key: open or create it by path, read and write named values of
// three kinds, delete sub-keys and values, list them, close.
//
// Each use is short: construct, OpenKey, a series of reads or writes,
// CloseKey, destroy. OpenKey takes a snapshot of the store; reads see it
// together with this object's own writes. The writes reach the store as one
// locked, crash-safe save when the key is closed (CloseKey, or the
// destructor), merged into whatever other processes saved meanwhile; CloseKey
// returns false when that save failed.
//
// No operation reports anything to the player; each returns false and then
// leaves its out arguments untouched. The store is Platform::UserSettings():
// the user's settings file, or what a test put in its place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace Platform {
class TSettingsFile;
}

// Root key handle of the current user, with the platform's numeric value.
using HKEY = std::uintptr_t;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;

// Value kinds, with the platform's codes.
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

class CRegistry {
public:
    CRegistry();
    // Closes the key if it is still open.
    virtual ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Opens the key at path (components separated by backslashes) under the
    // root; with create set, a missing key is created. On success the path is
    // kept until CloseKey. Fails for any root but HKEY_CURRENT_USER, when the
    // store cannot be read, or when the key is missing and create is clear.
    virtual bool OpenKey(HKEY root, const char* path, std::uint8_t create);
    // True when no key is open; otherwise closes it, saving what was written,
    // and returns whether the save succeeded.
    virtual bool CloseKey();
    // Size in bytes of the named value's data.
    virtual bool ValueSize(const char* name, std::uint32_t* size);
    virtual bool WriteInt(const char* name, std::int32_t value);
    // Stores the text with its terminating zero.
    virtual bool WriteString(const char* name, const char* text);
    virtual bool WriteBinary(const char* name, const void* data, std::uint32_t size);
    // True only for a number value; value is untouched otherwise.
    virtual bool ReadInt(const char* name, std::int32_t* value);
    // True only for a text value that fits the buffer with its terminating
    // zero; the buffer is untouched otherwise and always terminated on success.
    virtual bool ReadString(const char* name, char* buffer, std::uint32_t size);
    // True only for a bytes value that fits the buffer.
    virtual bool ReadBinary(const char* name, void* buffer, std::uint32_t size);
    // Deletes the named sub-key of the open key (it must have no sub-keys of
    // its own). Null stands for the empty name, which names no sub-key.
    virtual bool DeleteKey(const char* name);
    virtual bool DeleteValue(const char* name);
    // Name of the sub-key at index (0 first); false past the last or when the
    // name and its terminating zero do not fit.
    virtual bool EnumKey(std::uint32_t index, char* name, std::uint32_t size);
    // Name and kind of the value at index.
    virtual bool EnumValue(std::uint32_t index, char* name, std::uint32_t* kind, std::uint32_t size);

    // The number stored under name, or the default when it cannot be read.
    std::int32_t ReadIntOr(const char* name, std::int32_t fallback);

    // A read-change-write that no other process can come between: under the
    // store's lock, opens the key (as OpenKey does) on the content saved at
    // this moment, lets edit read and write it through the object it is
    // given, and saves what edit wrote before the lock is released. Edit is
    // not called when the key cannot be opened. False when nothing was saved.
    static bool ChangeKey(HKEY root, const char* path, std::uint8_t create,
                          const std::function<void(CRegistry&)>& edit);

    bool IsOpen() const { return Key != nullptr; }
    const char* Path() const { return PathCopy.get(); }

private:
    struct TOpenKey;

    // OpenKey on a snapshot of the store already read.
    bool OpenOn(const Platform::TSettingsFile& snapshot, HKEY root, const char* path, std::uint8_t create);

    std::unique_ptr<TOpenKey> Key;
    std::unique_ptr<char[]> PathCopy;
};
