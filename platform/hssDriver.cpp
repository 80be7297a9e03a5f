#include "platform/hssDriver.h"

#include <utility>

namespace {

constexpr uint32_t kBufferMs = 30;
constexpr uint32_t kMinBuffers = 4;
constexpr uint32_t kMaxBuffers = 32;

hssDriverFactory& DefaultFactory()
{
    static hssDriverFactory factory;
    return factory;
}

} // namespace

hssDriver::~hssDriver() = default;

int hssDriver::PlanBuffers(const hssFormat& format, uint32_t bufferFrames, hssBufferLayout* layout)
{
    const uint32_t flags = format.Flags;
    if (flags == 0 || ((flags & kHssFormat8Bit) && (flags & kHssFormatSigned)) ||
        ((flags & kHssFormat16Bit) && (flags & kHssFormatUnsigned)) || format.Channels < 1 ||
        format.Channels > 2)
        return -1;
    // A rate of 0 would divide by zero below; no device plays it anyway.
    if (format.Rate == 0)
        return -1;
    const bool wide = (flags & kHssFormat16Bit) != 0;
    const uint64_t latencyMs = uint64_t(bufferFrames) * 1000 / format.Rate;
    uint64_t count = latencyMs / kBufferMs;
    if (count < kMinBuffers)
        count = kMinBuffers;
    if (count > kMaxBuffers)
        count = kMaxBuffers;
    layout->BufferCount = uint32_t(count);
    layout->FrameBytes = (wide ? 2 : 1) * format.Channels;
    const uint64_t bytes = uint64_t(format.Rate) * layout->FrameBytes * kBufferMs / 1000;
    const uint64_t rounded = (bytes + 7) & ~uint64_t(7);
    if (rounded == 0 || rounded * count > 0x7FFFFFFF)
        return -1;
    layout->BufferBytes = uint32_t(rounded);
    layout->TotalBytes = uint32_t(rounded * count);
    layout->Silence = wide ? 0x00 : 0x80;
    return 0;
}

void hssSetDefaultDriverFactory(hssDriverFactory factory)
{
    DefaultFactory() = std::move(factory);
}

const hssDriverFactory& hssDefaultDriverFactory()
{
    return DefaultFactory();
}
