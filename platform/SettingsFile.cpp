// Parser and writer of the per-user settings file.

#include "platform/SettingsFile.h"

#include <cstdio>

namespace Platform {

namespace {

constexpr std::string_view kHeaderComment = "; Tumbletown settings. Lines that cannot be read are dropped.\n";
constexpr std::string_view kNumberPrefix = "dword:";
constexpr std::string_view kBinaryPrefix = "hex";
constexpr std::size_t kHexBytesPerLine = 25;
constexpr std::size_t kNumberDigits = 8;

char FoldChar(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Fold(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = FoldChar(c);
    return out;
}

bool SameFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool StartsWithFolded(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && SameFolded(s.substr(0, prefix.size()), prefix);
}

// Reads a quoted text at the start of s (s[0] is the opening quote) into out
// and removes it from s. False when it is not closed or holds a bad escape.
bool ReadQuoted(std::string_view& s, std::string& out)
{
    out.clear();
    std::size_t i = 1;
    while (i < s.size()) {
        char c = s[i];
        if (c == '"') {
            s.remove_prefix(i + 1);
            return true;
        }
        if (c != '\\') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 >= s.size())
            return false;
        char e = s[i + 1];
        if (e == '\\' || e == '"') {
            out.push_back(e);
            i += 2;
        } else if (e == 'x' || e == 'X') {
            if (i + 3 >= s.size())
                return false;
            int hi = HexDigit(s[i + 2]);
            int lo = HexDigit(s[i + 3]);
            if (hi < 0 || lo < 0)
                return false;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 4;
        } else {
            return false;
        }
    }
    return false;
}

// Reads 1 to 8 hex digits as a number; the whole of s must be digits.
bool ReadHexNumber(std::string_view s, std::uint32_t& out)
{
    if (s.empty() || s.size() > kNumberDigits)
        return false;
    std::uint32_t v = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0)
            return false;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

// Reads a comma-separated list of byte values (one or two hex digits each).
bool ReadHexBytes(std::string_view s, std::string& out)
{
    out.clear();
    s = TrimRight(TrimLeft(s));
    if (s.empty())
        return true;
    while (true) {
        std::size_t comma = s.find(',');
        std::string_view item = TrimRight(TrimLeft(s.substr(0, comma)));
        std::uint32_t v = 0;
        if (item.size() > 2 || !ReadHexNumber(item, v))
            return false;
        out.push_back(static_cast<char>(v));
        if (comma == std::string_view::npos)
            return true;
        s.remove_prefix(comma + 1);
    }
}

std::uint32_t NumberFromData(std::string_view d)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(d[i]);
    return v;
}

void AppendHex(std::string& out, std::uint32_t kind, std::string_view data)
{
    char buf[32];
    if (kind == kSettingsBinary) {
        out += "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", kind);
        out += buf;
    }
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out += ',';
            if (i % kHexBytesPerLine == 0)
                out += "\\\n  ";
        }
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(data[i]));
        out += buf;
    }
}

// Text that is written in quotes: one terminating zero and no other.
bool IsPlainText(std::string_view data)
{
    return !data.empty() && data.back() == '\0' && data.find('\0') == data.size() - 1;
}

} // namespace

std::string SettingsNumberData(std::uint32_t v)
{
    std::string d(4, '\0');
    for (int i = 0; i < 4; ++i)
        d[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return d;
}

std::string EscapeSettingsText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    char buf[8];
    for (char c : bytes) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            out += buf;
        }
    }
    return out;
}

// One pass over the lines of a file.
class TSettingsParser {
public:
    TSettingsParser(TSettingsFile& file, std::string_view text) : File(file), Text(text) {}

    void Run()
    {
        bool first = true;
        while (NextLine()) {
            std::string_view line = TrimRight(TrimLeft(Line));
            if (first) {
                first = false;
                if (line == "Windows Registry Editor Version 5.00" || line == "REGEDIT4")
                    continue;
            }
            if (line.empty() || line.front() == ';')
                continue;
            bool ok = false;
            if (line.front() == '[')
                ok = KeyLine(line);
            else if (line.front() == '"' || line.front() == '@')
                ok = ValueLine(line);
            if (!ok)
                ++File.DamagedLines;
        }
    }

private:
    bool NextLine()
    {
        if (Pos >= Text.size())
            return false;
        std::size_t end = Text.find('\n', Pos);
        if (end == std::string_view::npos)
            end = Text.size();
        Line = Text.substr(Pos, end - Pos);
        if (!Line.empty() && Line.back() == '\r')
            Line.remove_suffix(1);
        Pos = end + 1;
        return true;
    }

    bool KeyLine(std::string_view line)
    {
        HaveKey = false;
        if (line.back() != ']')
            return false;
        std::string_view path = line.substr(1, line.size() - 2);
        if (!TSettingsFile::ValidKeyPath(path))
            return false;
        File.CreateKey(path);
        CurrentKey.assign(path);
        HaveKey = true;
        return true;
    }

    bool ValueLine(std::string_view line)
    {
        // A value of bytes may go on over lines that end in a backslash; they
        // belong to this line whatever becomes of it.
        std::string joined;
        std::string name;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (!ReadQuoted(rest, name)) {
            return false;
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=')
            return false;
        rest = TrimLeft(rest.substr(1));
        if (StartsWithFolded(rest, kBinaryPrefix) && !rest.empty() && rest.back() == '\\') {
            joined.assign(rest);
            while (!joined.empty() && joined.back() == '\\') {
                joined.pop_back();
                if (!NextLine())
                    break;
                joined += TrimRight(TrimLeft(Line));
            }
            rest = joined;
        }
        if (!HaveKey)
            return false;

        std::uint32_t kind = 0;
        std::string data;
        if (!rest.empty() && rest.front() == '"') {
            if (!ReadQuoted(rest, data) || !TrimLeft(rest).empty())
                return false;
            data.push_back('\0');
            kind = kSettingsText;
        } else if (StartsWithFolded(rest, kNumberPrefix)) {
            std::uint32_t v = 0;
            if (!ReadHexNumber(rest.substr(kNumberPrefix.size()), v))
                return false;
            data = SettingsNumberData(v);
            kind = kSettingsNumber;
        } else if (StartsWithFolded(rest, kBinaryPrefix)) {
            rest.remove_prefix(kBinaryPrefix.size());
            kind = kSettingsBinary;
            if (!rest.empty() && rest.front() == '(') {
                std::size_t close = rest.find(')');
                if (close == std::string_view::npos || !ReadHexNumber(rest.substr(1, close - 1), kind))
                    return false;
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':' || !ReadHexBytes(rest.substr(1), data))
                return false;
        } else {
            return false;
        }
        File.SetValue(CurrentKey, name, kind, data);
        return true;
    }

    TSettingsFile& File;
    std::string_view Text;
    std::size_t Pos = 0;
    std::string_view Line;
    std::string CurrentKey;
    bool HaveKey = false;
};

TSettingsFile TSettingsFile::Parse(const std::uint8_t* data, std::size_t size)
{
    TSettingsFile file;
    if (data != nullptr && size > 0) {
        TSettingsParser parser(file, std::string_view(reinterpret_cast<const char*>(data), size));
        parser.Run();
    }
    return file;
}

std::string TSettingsFile::Format() const
{
    std::string out(kHeaderComment);
    char buf[32];
    for (const TSettingsKey& key : KeyList) {
        out += "\n[";
        out += key.Path;
        out += "]\n";
        for (const TSettingsValue& value : key.Values) {
            if (value.Name.empty()) {
                out += '@';
            } else {
                out += '"';
                out += EscapeSettingsText(value.Name);
                out += '"';
            }
            out += '=';
            if (value.Kind == kSettingsText && IsPlainText(value.Data)) {
                out += '"';
                out += EscapeSettingsText(std::string_view(value.Data).substr(0, value.Data.size() - 1));
                out += '"';
            } else if (value.Kind == kSettingsNumber && value.Data.size() == 4) {
                std::snprintf(buf, sizeof buf, "dword:%08x", NumberFromData(value.Data));
                out += buf;
            } else {
                AppendHex(out, value.Kind, value.Data);
            }
            out += '\n';
        }
    }
    return out;
}

bool TSettingsFile::ValidKeyPath(std::string_view path)
{
    if (path.empty())
        return false;
    bool componentEmpty = true;
    for (char c : path) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return false;
        if (c == '\\') {
            if (componentEmpty)
                return false;
            componentEmpty = true;
        } else {
            componentEmpty = false;
        }
    }
    return !componentEmpty;
}

const TSettingsKey* TSettingsFile::FindKey(std::string_view path) const
{
    auto it = KeyMap.find(Fold(path));
    return it == KeyMap.end() ? nullptr : &KeyList[it->second];
}

TSettingsKey* TSettingsFile::FindKeyMutable(std::string_view path)
{
    auto it = KeyMap.find(Fold(path));
    return it == KeyMap.end() ? nullptr : &KeyList[it->second];
}

bool TSettingsFile::KeyExists(std::string_view path) const
{
    if (FindKey(path) != nullptr)
        return true;
    for (const TSettingsKey& key : KeyList)
        if (key.Path.size() > path.size() && key.Path[path.size()] == '\\' &&
            SameFolded(std::string_view(key.Path).substr(0, path.size()), path))
            return true;
    return false;
}

TSettingsKey& TSettingsFile::AddKey(std::string_view path)
{
    KeyMap.emplace(Fold(path), KeyList.size());
    KeyList.push_back(TSettingsKey{std::string(path), {}});
    ValueIndex.emplace_back();
    return KeyList.back();
}

bool TSettingsFile::CreateKey(std::string_view path)
{
    if (!ValidKeyPath(path))
        return false;
    // Ancestors are implied by their sub-keys (see KeyExists) and need no
    // section of their own.
    if (FindKey(path) == nullptr)
        AddKey(path);
    return true;
}

bool TSettingsFile::DeleteKey(std::string_view path)
{
    auto it = KeyMap.find(Fold(path));
    if (it == KeyMap.end() || !SubKeys(path).empty())
        return false;
    std::size_t index = it->second;
    KeyList.erase(KeyList.begin() + static_cast<std::ptrdiff_t>(index));
    ValueIndex.erase(ValueIndex.begin() + static_cast<std::ptrdiff_t>(index));
    RebuildIndex();
    return true;
}

std::vector<std::string> TSettingsFile::SubKeys(std::string_view path) const
{
    std::vector<std::string> names;
    for (const TSettingsKey& key : KeyList) {
        std::string_view p = key.Path;
        if (p.size() <= path.size() + 1 || p[path.size()] != '\\' ||
            !SameFolded(p.substr(0, path.size()), path))
            continue;
        std::string_view child = p.substr(path.size() + 1);
        child = child.substr(0, child.find('\\'));
        bool seen = false;
        for (const std::string& n : names)
            seen = seen || SameFolded(n, child);
        if (!seen)
            names.emplace_back(child);
    }
    return names;
}

const TSettingsValue* TSettingsFile::FindValue(std::string_view path, std::string_view name) const
{
    auto key = KeyMap.find(Fold(path));
    if (key == KeyMap.end())
        return nullptr;
    const TKeyIndex& index = ValueIndex[key->second];
    auto it = index.Values.find(Fold(name));
    return it == index.Values.end() ? nullptr : &KeyList[key->second].Values[it->second];
}

bool TSettingsFile::SetValue(std::string_view path, std::string_view name, std::uint32_t kind,
                             std::string_view data)
{
    if (!CreateKey(path))
        return false;
    std::size_t k = KeyMap.find(Fold(path))->second;
    TSettingsKey& key = KeyList[k];
    auto [it, added] = ValueIndex[k].Values.emplace(Fold(name), key.Values.size());
    if (added) {
        key.Values.push_back(TSettingsValue{std::string(name), kind, std::string(data)});
    } else {
        TSettingsValue& v = key.Values[it->second];
        v.Kind = kind;
        v.Data.assign(data);
    }
    return true;
}

bool TSettingsFile::DeleteValue(std::string_view path, std::string_view name)
{
    auto key = KeyMap.find(Fold(path));
    if (key == KeyMap.end())
        return false;
    std::size_t k = key->second;
    auto it = ValueIndex[k].Values.find(Fold(name));
    if (it == ValueIndex[k].Values.end())
        return false;
    std::vector<TSettingsValue>& values = KeyList[k].Values;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(it->second));
    ValueIndex[k].Values.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        ValueIndex[k].Values.emplace(Fold(values[i].Name), i);
    return true;
}

void TSettingsFile::RebuildIndex()
{
    KeyMap.clear();
    for (std::size_t k = 0; k < KeyList.size(); ++k)
        KeyMap.emplace(Fold(KeyList[k].Path), k);
}

bool TSettingsFile::operator==(const TSettingsFile& other) const
{
    if (KeyList.size() != other.KeyList.size())
        return false;
    for (std::size_t k = 0; k < KeyList.size(); ++k) {
        const TSettingsKey& a = KeyList[k];
        const TSettingsKey& b = other.KeyList[k];
        if (a.Path != b.Path || a.Values.size() != b.Values.size())
            return false;
        for (std::size_t v = 0; v < a.Values.size(); ++v)
            if (a.Values[v].Name != b.Values[v].Name || a.Values[v].Kind != b.Values[v].Kind ||
                a.Values[v].Data != b.Values[v].Data)
                return false;
    }
    return true;
}

} // namespace Platform
