#include "wlib/base/AString.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/FileReader.h"

namespace WLib {

namespace {

// The shared empty string: capacity 0 marks it as never counted or freed.
struct TEmptyBlock {
    uint32_t Capacity;
    uint32_t RefCount;
    uint32_t Length;
    char Text[4];
};
TEmptyBlock EmptyBlock = {0, 1, 0, {0, 0, 0, 0}};

char* EmptyData()
{
    return EmptyBlock.Text;
}

constexpr size_t kHeaderSize = 12;

// Kept out of line: inlined into a path that may also see the static block,
// the compiler warns about a free it cannot prove is never reached.
[[gnu::noinline]] void FreeBlock(char* data)
{
    std::free(data - kHeaderSize);
}

} // namespace

TAString::TAString() : Data(EmptyData()) {}

TAString::TAString(const char* text) : Data(EmptyData())
{
    Append(text);
}

TAString::TAString(const char* bytes, int count) : Data(EmptyData())
{
    Append(bytes, count);
}

TAString::TAString(const TMemStr& s) : Data(EmptyData())
{
    Append(s.Ptr(), s.Length());
}

TAString::TAString(int length) : Data(EmptyData())
{
    SetLength(length);
}

TAString::TAString(const TAString& other) : Data(EmptyData())
{
    Share(other);
}

TAString::TAString(TAString&& other) noexcept : Data(other.Data)
{
    other.Data = EmptyData();
}

TAString::~TAString()
{
    Release();
}

TAString& TAString::operator=(const TAString& other)
{
    if (this != &other)
        Share(other);
    return *this;
}

TAString& TAString::operator=(TAString&& other) noexcept
{
    if (this != &other) {
        Release();
        Data = other.Data;
        other.Data = EmptyData();
    }
    return *this;
}

TAString& TAString::operator=(const char* text)
{
    TAString copy(text); // text may point into this string
    *this = std::move(copy);
    return *this;
}

void TAString::Share(const TAString& other)
{
    // Add the new reference before dropping the old one: both may be the
    // same block.
    if (other.Header()->Capacity != 0)
        other.Header()->RefCount += 1;
    Release();
    Data = other.Data;
}

void TAString::Release()
{
    TStrHeader* h = Header();
    if (h->Capacity == 0)
        return;
    if (h->RefCount == 0)
        FreeBlock(Data);
    else
        h->RefCount -= 1;
    Data = EmptyData();
}

void TAString::Reallocate(int n)
{
    // n > 0 here.
    uint32_t block = BlockSize(n);
    auto* raw = static_cast<char*>(std::calloc(1, block));
    if (!raw)
        throw std::bad_alloc(); // allocation failure ends the program
    auto* h = reinterpret_cast<TStrHeader*>(raw);
    h->Capacity = block - 14;
    h->RefCount = 0;
    int old = Length();
    h->Length = static_cast<uint32_t>(old < n ? old : n);
    std::memcpy(raw + kHeaderSize, Data, h->Length);
    Release();
    Data = raw + kHeaderSize;
}

void TAString::SetLength(int n)
{
    if (n < 0)
        n = 0;
    if (n == Length())
        return;
    TStrHeader* h = Header();
    if (n == 0 && h->RefCount != 0) {
        Release(); // a shared block is left to its other owners
        return;
    }
    if (h->RefCount != 0 || uint32_t(n) >= h->Capacity)
        Reallocate(n);
    h = Header();
    std::memset(Data + h->Length, 0, n > int(h->Length) ? n - h->Length : 0);
    Data[n] = 0;
    Data[n + 1] = 0;
    h->Length = static_cast<uint32_t>(n);
}

void TAString::MakeUnique()
{
    TStrHeader* h = Header();
    if (h->Capacity == 0 || h->RefCount == 0)
        return;
    int n = Length();
    Reallocate(n);
    Data[n] = 0;
    Data[n + 1] = 0;
}

char* TAString::Buffer()
{
    MakeUnique();
    return Data;
}

TMemStr TAString::Sub(int start, int count) const
{
    SubRange(Length(), start, count);
    return TMemStr(Data + start, count);
}

void TAString::Append(const char* bytes, int count)
{
    if (!bytes || count <= 0)
        return;
    if (count > INT_MAX - 16 - Length())
        throw std::bad_alloc();
    // Appending a part of this very string: the block may move, so copy the
    // bytes out first.
    TStrHeader* h = Header();
    if (h->Capacity != 0 && bytes >= Data && bytes < Data + h->Capacity + 2) {
        TAString copy(bytes, count);
        Append(copy.Data, count);
        return;
    }
    int old = Length();
    SetLength(old + count);
    MakeUnique();
    std::memcpy(Data + old, bytes, count);
}

void TAString::Append(const char* text)
{
    if (text)
        Append(text, static_cast<int>(std::strlen(text)));
}

bool TAString::LoadFile(const char* name)
{
    Platform::TFileReader file;
    if (!file.Open(name))
        return false;
    if (file.Size() > uint64_t(INT_MAX - 16))
        return false; // no string can hold it
    int n = static_cast<int>(file.Size());
    SetLength(n);
    if (n == 0)
        return true;
    size_t got = file.Read(Buffer(), n);
    return got == size_t(n);
}

TAString operator+(const TMemStr& a, const TMemStr& b)
{
    TAString r;
    r.SetLength(a.Length() + b.Length());
    char* p = r.Buffer();
    if (a.Length())
        std::memcpy(p, a.Ptr(), a.Length());
    if (b.Length())
        std::memcpy(p + a.Length(), b.Ptr(), b.Length());
    return r;
}

TAString operator+(const TAString& a, const TAString& b)
{
    return TMemStr(a) + TMemStr(b);
}

TAString operator+(const TAString& a, const char* b)
{
    return TMemStr(a) + TMemStr(b);
}

TAString operator+(const char* a, const TAString& b)
{
    return TMemStr(a) + TMemStr(b);
}

} // namespace WLib
