// The read side shared by every string kind (TAbsStr) and the non-owning
// slice TMemStr. Indices are 0-based byte offsets.
#pragma once

#include <cstring>

namespace WLib {

class TMemStr;

// Read operations common to the string kinds. The substring rules: a
// negative start counts from the end (start + length); a negative count means
// up to the end (count + length - start + 1, so -1 is up to and including the
// last character). The result is always clipped to the string, so a slice
// never reaches outside the characters it was cut from.
template <typename C> class TAbsStr {
public:
    static void SubRange(int length, int& start, int& count)
    {
        if (start < 0)
            start += length;
        if (count < 0)
            count += length - start + 1;
        if (start < 0)
            start = 0;
        if (start > length)
            start = length;
        if (count < 0)
            count = 0;
        if (count > length - start)
            count = length - start;
    }
    static C CharAt(const C* data, int length, int index)
    {
        return (index >= 0 && index < length) ? data[index] : C(0);
    }
};

class TAString;

class TMemStr : public TAbsStr<char> {
public:
    TMemStr() = default;
    TMemStr(const char* data, int count) : Data(data), Len(data && count > 0 ? count : 0) {}
    TMemStr(const char* text) : Data(text), Len(text ? static_cast<int>(std::strlen(text)) : 0) {}
    TMemStr(const TAString& s);

    int Length() const { return Len; }
    // The first character; not zero-terminated.
    const char* Ptr() const { return Data ? Data : ""; }
    // Character at index, 0 outside the slice.
    char At(int index) const { return CharAt(Data, Len, index); }
    char operator[](int index) const { return At(index); }
    TMemStr Sub(int start, int count) const;

    bool operator==(const TMemStr& other) const
    {
        return Len == other.Len && (Len == 0 || std::memcmp(Data, other.Data, Len) == 0);
    }
    bool operator!=(const TMemStr& other) const { return !(*this == other); }

private:
    const char* Data = nullptr;
    int Len = 0;
};

} // namespace WLib
