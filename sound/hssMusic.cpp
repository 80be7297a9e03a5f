#include "sound/hssMusic.h"

#include "sound/hssFile.h"
#include "sound/hssSound.h"

#include <cstring>
#include <new>

namespace {

bool IsUpper(uint8_t c)
{
    return c >= 'A' && c <= 'Z';
}

bool IsDigit(uint8_t c)
{
    return c >= '0' && c <= '9';
}

} // namespace

hssMusic::~hssMusic()
{
    Free();
}

void hssMusic::Free()
{
    if (OwnsData)
        delete[] Data;
    Data = nullptr;
    Size = 0;
    OwnsData = 0;
}

uint32_t hssMusic::ChannelCountOf(const uint8_t signature[4])
{
    const uint8_t c0 = signature[0], c1 = signature[1], c2 = signature[2];
    if (IsUpper(c0) && c0 == 'M' && IsUpper(c2) && c2 == 'K')
        return 4;
    if ((IsUpper(c1) && c1 == 'C') || (IsUpper(c2) && c2 == 'C')) {
        uint32_t count = 0;
        if (IsDigit(c0)) {
            count = c0 - '0';
            if (IsDigit(c1))
                count = count * 10 + (c1 - '0');
        }
        return count;
    }
    return 0;
}

uint32_t hssMusic::StoredPatterns() const
{
    if (Data == nullptr)
        return 0;
    uint32_t highest = 0;
    const uint32_t length = SongLength() < kHssModMaxOrders ? SongLength() : kHssModMaxOrders;
    for (uint32_t i = 0; i < length; ++i)
        if (OrderAt(i) > highest)
            highest = OrderAt(i);
    return highest + 1;
}

int hssMusic::Load(const char* fileName)
{
    Free();
    uint8_t* bytes = nullptr;
    size_t size = 0;
    if (!hssReadWholeFile(fileName, &bytes, &size))
        return kHssLoadNotFound;
    if (size == 0)
        return kHssLoadDamaged;
    const int result = LoadFromBytes(bytes, size);
    delete[] bytes;
    return result;
}

int hssMusic::LoadFromBytes(const uint8_t* bytes, size_t size)
{
    Free();
    if (bytes == nullptr || size == 0)
        return kHssLoadDamaged;
    if (size < kHssModPatterns)
        return kHssLoadUnsupported;
    const uint32_t channels = ChannelCountOf(bytes + kHssModSignature);
    if (channels == 0)
        return kHssLoadUnsupported;
    // A song of no positions, or of more than the order list holds, and
    // patterns that reach past the end of the file are damage: refused here
    // so that the player never reads outside the image.
    const uint32_t songLength = bytes[kHssModSongLength];
    if (songLength == 0 || songLength > kHssModMaxOrders)
        return kHssLoadUnsupported;
    uint32_t highest = 0;
    for (uint32_t i = 0; i < songLength; ++i)
        if (bytes[kHssModOrders + i] > highest)
            highest = bytes[kHssModOrders + i];
    const uint64_t patternBytes = uint64_t(highest + 1) * kHssModRows * kHssModCellBytes * channels;
    if (kHssModPatterns + patternBytes > size)
        return kHssLoadUnsupported;
    uint8_t* data = new (std::nothrow) uint8_t[size];
    if (data == nullptr)
        return kHssLoadNoMemory;
    std::memcpy(data, bytes, size);
    Data = data;
    Size = size;
    OwnsData = 1;
    SourceRate = 44100;
    TempoRate = 44100;
    Reserved = 128;
    return kHssLoadOk;
}
