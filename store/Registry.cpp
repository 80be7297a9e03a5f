// CRegistry over the settings store of the platform layer.

#include "store/Registry.h"

#include "platform/SettingsStore.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr const char* kCurrentUserRoot = "HKEY_CURRENT_USER";

using TChange = std::function<void(Platform::TSettingsFile&)>;

std::string Text(const char* s)
{
    return s == nullptr ? std::string() : std::string(s);
}

} // namespace

struct CRegistry::TOpenKey {
    std::string FullPath;
    Platform::TSettingsFile Snapshot;
    // This object's changes in order, replayed on the newest content at close.
    std::vector<TChange> Changes;

    // Applies a change to the snapshot now and to the store at close.
    void Apply(TChange change)
    {
        change(Snapshot);
        Changes.push_back(std::move(change));
    }
};

CRegistry::CRegistry() = default;

CRegistry::~CRegistry()
{
    if (Key != nullptr)
        CloseKey();
}

bool CRegistry::OpenKey(HKEY root, const char* path, std::uint8_t create)
{
    Platform::TSettingsFile snapshot;
    if (root != HKEY_CURRENT_USER || path == nullptr || !Platform::UserSettings().Read(snapshot))
        return false;
    return OpenOn(snapshot, root, path, create);
}

bool CRegistry::OpenOn(const Platform::TSettingsFile& snapshot, HKEY root, const char* path,
                       std::uint8_t create)
{
    if (root != HKEY_CURRENT_USER || path == nullptr)
        return false;
    std::string full = kCurrentUserRoot;
    if (path[0] != '\0')
        full += std::string("\\") + path;
    if (!Platform::TSettingsFile::ValidKeyPath(full))
        return false;
    auto key = std::make_unique<TOpenKey>();
    key->FullPath = full;
    key->Snapshot = snapshot;
    // The root itself always exists.
    if (path[0] != '\0' && !key->Snapshot.KeyExists(full)) {
        if (create == 0)
            return false;
        key->Apply([full](Platform::TSettingsFile& f) { f.CreateKey(full); });
    }
    if (Key != nullptr)
        CloseKey();
    Key = std::move(key);
    std::size_t length = std::strlen(path);
    PathCopy = std::make_unique<char[]>(length + 1);
    std::memcpy(PathCopy.get(), path, length + 1);
    return true;
}

bool CRegistry::CloseKey()
{
    if (Key == nullptr)
        return true;
    std::unique_ptr<TOpenKey> key = std::move(Key);
    PathCopy.reset();
    if (key->Changes.empty())
        return true;
    return Platform::UserSettings().Change([&key](Platform::TSettingsFile& f) {
        for (const TChange& change : key->Changes)
            change(f);
    });
}

bool CRegistry::ChangeKey(HKEY root, const char* path, std::uint8_t create,
                          const std::function<void(CRegistry&)>& edit)
{
    bool opened = false;
    const bool saved = Platform::UserSettings().Change([&](Platform::TSettingsFile& content) {
        CRegistry reg;
        if (!reg.OpenOn(content, root, path, create))
            return;
        opened = true;
        edit(reg);
        // The snapshot is the newest content already: the changes go straight
        // into what is saved, and nothing is left for the destructor.
        std::unique_ptr<TOpenKey> key = std::move(reg.Key);
        reg.PathCopy.reset();
        for (const TChange& change : key->Changes)
            change(content);
    });
    return saved && opened;
}

bool CRegistry::ValueSize(const char* name, std::uint32_t* size)
{
    if (Key == nullptr || size == nullptr)
        return false;
    const Platform::TSettingsValue* v = Key->Snapshot.FindValue(Key->FullPath, Text(name));
    if (v == nullptr)
        return false;
    *size = static_cast<std::uint32_t>(v->Data.size());
    return true;
}

bool CRegistry::WriteInt(const char* name, std::int32_t value)
{
    if (Key == nullptr)
        return false;
    std::uint32_t u = static_cast<std::uint32_t>(value);
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
    std::string path = Key->FullPath;
    std::string n = Text(name);
    Key->Apply([path, n, data](Platform::TSettingsFile& f) { f.SetValue(path, n, REG_DWORD, data); });
    return true;
}

bool CRegistry::WriteString(const char* name, const char* text)
{
    if (Key == nullptr || text == nullptr)
        return false;
    std::string data(text, std::strlen(text) + 1);
    std::string path = Key->FullPath;
    std::string n = Text(name);
    Key->Apply([path, n, data](Platform::TSettingsFile& f) { f.SetValue(path, n, REG_SZ, data); });
    return true;
}

bool CRegistry::WriteBinary(const char* name, const void* data, std::uint32_t size)
{
    if (Key == nullptr || (data == nullptr && size > 0))
        return false;
    std::string bytes(static_cast<const char*>(data), size);
    std::string path = Key->FullPath;
    std::string n = Text(name);
    Key->Apply([path, n, bytes](Platform::TSettingsFile& f) { f.SetValue(path, n, REG_BINARY, bytes); });
    return true;
}

bool CRegistry::ReadInt(const char* name, std::int32_t* value)
{
    if (Key == nullptr || value == nullptr)
        return false;
    const Platform::TSettingsValue* v = Key->Snapshot.FindValue(Key->FullPath, Text(name));
    if (v == nullptr || v->Kind != REG_DWORD || v->Data.size() != 4)
        return false;
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(v->Data[i]);
    *value = static_cast<std::int32_t>(u);
    return true;
}

bool CRegistry::ReadString(const char* name, char* buffer, std::uint32_t size)
{
    if (Key == nullptr || buffer == nullptr)
        return false;
    const Platform::TSettingsValue* v = Key->Snapshot.FindValue(Key->FullPath, Text(name));
    if (v == nullptr || v->Kind != REG_SZ)
        return false;
    // Text edited by hand may lack its terminating zero: it still has to end
    // inside the buffer.
    bool terminated = !v->Data.empty() && v->Data.back() == '\0';
    std::size_t needed = v->Data.size() + (terminated ? 0 : 1);
    if (needed > size)
        return false;
    std::memcpy(buffer, v->Data.data(), v->Data.size());
    if (!terminated)
        buffer[v->Data.size()] = '\0';
    return true;
}

bool CRegistry::ReadBinary(const char* name, void* buffer, std::uint32_t size)
{
    if (Key == nullptr || (buffer == nullptr && size > 0))
        return false;
    const Platform::TSettingsValue* v = Key->Snapshot.FindValue(Key->FullPath, Text(name));
    if (v == nullptr || v->Kind != REG_BINARY || v->Data.size() > size)
        return false;
    if (!v->Data.empty())
        std::memcpy(buffer, v->Data.data(), v->Data.size());
    return true;
}

bool CRegistry::DeleteKey(const char* name)
{
    if (Key == nullptr || name == nullptr || name[0] == '\0')
        return false;
    std::string path = Key->FullPath + "\\" + name;
    if (!Platform::TSettingsFile::ValidKeyPath(path) || Key->Snapshot.FindKey(path) == nullptr ||
        !Key->Snapshot.SubKeys(path).empty())
        return false;
    Key->Apply([path](Platform::TSettingsFile& f) { f.DeleteKey(path); });
    return true;
}

bool CRegistry::DeleteValue(const char* name)
{
    if (Key == nullptr)
        return false;
    std::string n = Text(name);
    if (Key->Snapshot.FindValue(Key->FullPath, n) == nullptr)
        return false;
    std::string path = Key->FullPath;
    Key->Apply([path, n](Platform::TSettingsFile& f) { f.DeleteValue(path, n); });
    return true;
}

bool CRegistry::EnumKey(std::uint32_t index, char* name, std::uint32_t size)
{
    if (Key == nullptr || name == nullptr)
        return false;
    std::vector<std::string> names = Key->Snapshot.SubKeys(Key->FullPath);
    if (index >= names.size() || names[index].size() + 1 > size)
        return false;
    std::memcpy(name, names[index].c_str(), names[index].size() + 1);
    return true;
}

bool CRegistry::EnumValue(std::uint32_t index, char* name, std::uint32_t* kind, std::uint32_t size)
{
    if (Key == nullptr || name == nullptr)
        return false;
    const Platform::TSettingsKey* key = Key->Snapshot.FindKey(Key->FullPath);
    if (key == nullptr || index >= key->Values.size())
        return false;
    const Platform::TSettingsValue& v = key->Values[index];
    // A name with a zero byte inside cannot be handed out as text.
    if (v.Name.find('\0') != std::string::npos || v.Name.size() + 1 > size)
        return false;
    std::memcpy(name, v.Name.c_str(), v.Name.size() + 1);
    if (kind != nullptr)
        *kind = v.Kind;
    return true;
}

std::int32_t CRegistry::ReadIntOr(const char* name, std::int32_t fallback)
{
    std::int32_t value = fallback;
    ReadInt(name, &value);
    return value;
}
