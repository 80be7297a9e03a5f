// The per-user settings file: keys holding named values, written in the
// registry export style so that a person can read and edit it:
//
//   [HKEY_CURRENT_USER\Software\Kestrovan\Grand Fourfall\Options]
//   "ZPlaySound"=dword:00000001
//   "LastUserName"="Anonymous"
//   "Blob"=hex:de,ad,be,ef
//
// (long byte values go on over lines that end in a backslash).
// Text is kept as bytes: printable ASCII as is, `"` and `\` escaped with a
// backslash, every other byte as \xHH, so any 8-bit text survives a round trip.
// Kinds other than text, number and bytes are kept as hex(k):... lines.
//
// Parsing takes bytes and never fails as a whole: lines that cannot be read
// are dropped and the file is marked damaged, everything else is kept. Key
// paths and value names compare without regard to ASCII case, as the
// platform's settings store did; their spelling and order are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Platform {

// Value kinds, with the platform store's own codes.
constexpr std::uint32_t kSettingsText = 1;   // zero-terminated text (REG_SZ)
constexpr std::uint32_t kSettingsBinary = 3; // raw bytes (REG_BINARY)
constexpr std::uint32_t kSettingsNumber = 4; // 32-bit number, little-endian (REG_DWORD)

// The stored bytes of a number value.
std::string SettingsNumberData(std::uint32_t value);

struct TSettingsValue {
    std::string Name;
    std::uint32_t Kind = kSettingsBinary;
    std::string Data; // the stored bytes; text includes its terminating zero
};

struct TSettingsKey {
    std::string Path; // full path from the root, e.g. HKEY_CURRENT_USER\Software\X
    std::vector<TSettingsValue> Values;
};

class TSettingsFile {
public:
    // Reads a whole file. Never fails; see Damaged().
    static TSettingsFile Parse(const std::uint8_t* data, std::size_t size);
    static TSettingsFile Parse(std::string_view text)
    {
        return Parse(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    // The file text; parsing it again gives the same keys and values.
    std::string Format() const;

    // True when some line of the parsed text could not be read and was dropped.
    bool Damaged() const { return DamagedLines != 0; }
    int DamagedLineCount() const { return DamagedLines; }

    // A usable key path: components separated by single backslashes, none
    // empty, no control bytes.
    static bool ValidKeyPath(std::string_view path);

    const std::vector<TSettingsKey>& Keys() const { return KeyList; }
    const TSettingsKey* FindKey(std::string_view path) const;
    // A key exists when it was created or when one of its sub-keys was.
    bool KeyExists(std::string_view path) const;
    // Creates the key (its ancestors are implied); false for an invalid path.
    bool CreateKey(std::string_view path);
    // Removes a key that has no sub-keys, with its values; false otherwise.
    bool DeleteKey(std::string_view path);
    // Names of the direct sub-keys, in file order.
    std::vector<std::string> SubKeys(std::string_view path) const;

    const TSettingsValue* FindValue(std::string_view path, std::string_view name) const;
    // Stores a value, creating the key when needed; false for an invalid path.
    bool SetValue(std::string_view path, std::string_view name, std::uint32_t kind, std::string_view data);
    bool DeleteValue(std::string_view path, std::string_view name);

    // Same keys and values in the same order (spelling included).
    bool operator==(const TSettingsFile& other) const;
    bool operator!=(const TSettingsFile& other) const { return !(*this == other); }

private:
    struct TKeyIndex {
        std::unordered_map<std::string, std::size_t> Values; // folded name -> index in Values
    };

    TSettingsKey* FindKeyMutable(std::string_view path);
    TSettingsKey& AddKey(std::string_view path);
    void RebuildIndex();

    std::vector<TSettingsKey> KeyList;
    std::vector<TKeyIndex> ValueIndex;                   // parallel to KeyList
    std::unordered_map<std::string, std::size_t> KeyMap; // folded path -> index in KeyList
    int DamagedLines = 0;

    friend class TSettingsParser;
};

// Escapes bytes for a quoted name or text: printable ASCII as is, `"` and `\`
// with a backslash, everything else as \xHH.
std::string EscapeSettingsText(std::string_view bytes);

} // namespace Platform
