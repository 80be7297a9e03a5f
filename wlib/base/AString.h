// TAString: a counted, copy-on-write byte string. Its only member is the data
// pointer; a 12-byte header (capacity, extra references, length) sits right
// before the characters, and two zero bytes follow them, so the data pointer
// is always usable as zero-terminated text. Characters are Windows-1252 bytes.
#pragma once

#include <cstdint>

#include "wlib/base/MemStr.h"

namespace WLib {

class TAString : public TAbsStr<char> {
public:
    TAString();
    TAString(const char* text);
    TAString(const char* bytes, int count);
    TAString(const TMemStr& s);
    explicit TAString(int length); // length zero bytes
    TAString(const TAString& other);
    TAString(TAString&& other) noexcept;
    ~TAString();
    TAString& operator=(const TAString& other);
    TAString& operator=(TAString&& other) noexcept;
    TAString& operator=(const char* text);

    int Length() const { return Header()->Length; }
    // The characters, zero-terminated ("" for an empty string).
    const char* Text() const { return Data; }
    char At(int index) const { return CharAt(Data, Length(), index); }
    char operator[](int index) const { return At(index); }
    // A slice with the negative-index rules of TAbsStr.
    TMemStr Sub(int start, int count) const;

    // Writable characters: the block is made exclusive first.
    char* Buffer();
    // Resizes to n bytes (negative counts as 0), keeping the first
    // min(n, old length) bytes; the block becomes exclusive. New bytes are 0.
    void SetLength(int n);
    // Copy on write: a shared block is copied into a fresh one.
    void MakeUnique();
    void Release();

    void Append(const char* bytes, int count);
    void Append(const char* text);
    void Append(const TMemStr& s) { Append(s.Ptr(), s.Length()); }
    TAString& operator+=(const TMemStr& s)
    {
        Append(s);
        return *this;
    }

    // Reads a whole file: true when every byte of it was read. False, with
    // the string untouched, when the file cannot be opened.
    bool LoadFile(const char* name);

    bool operator==(const TMemStr& other) const { return TMemStr(*this) == other; }
    bool operator!=(const TMemStr& other) const { return !(*this == other); }

    // Block bookkeeping, exposed for tests and for code that must know the
    // real cost of a string.
    uint32_t Capacity() const { return Header()->Capacity; }
    uint32_t ExtraRefs() const { return Header()->RefCount; }
    static uint32_t BlockSize(int length) { return length > 0 ? ((uint32_t(length) + 14) | 15) + 1 : 0; }
    bool SharesBlockWith(const TAString& other) const { return Data == other.Data; }

private:
    struct TStrHeader {
        uint32_t Capacity;
        uint32_t RefCount;
        uint32_t Length;
    };
    static_assert(sizeof(TStrHeader) == 12, "the header is three 32-bit words");

    TStrHeader* Header() const { return reinterpret_cast<TStrHeader*>(Data - sizeof(TStrHeader)); }
    void Reallocate(int n);
    void Share(const TAString& other);

    char* Data;
};

TAString operator+(const TMemStr& a, const TMemStr& b);
TAString operator+(const TAString& a, const TAString& b);
TAString operator+(const TAString& a, const char* b);
TAString operator+(const char* a, const TAString& b);

} // namespace WLib
