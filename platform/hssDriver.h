// The output driver interface of the sound library, below it in the platform
// core. A driver owns a ring of output buffers and calls the speaker's mixing
// callback for each finished buffer with its lock held. The offline driver is
// in this folder; the one over SDL audio is in platform/desktop/.
#pragma once

#include <cstdint>
#include <functional>

// Format flags of hssFormat::Flags.
enum : uint32_t {
    kHssFormat8Bit = 0x01,
    kHssFormat16Bit = 0x02,
    kHssFormatSigned = 0x10,
    kHssFormatUnsigned = 0x20,
};

struct hssFormat {
    uint32_t Rate = 0;     // frames per second
    uint32_t Flags = 0;    // kHssFormat... bits
    uint32_t Channels = 0; // 1 or 2
};

// Fills one output buffer of `bytes` bytes; called with the driver's lock held.
using hssMixCallback = void (*)(void* user, uint8_t* buffer, uint32_t bytes);

// How a driver cuts its output into buffers (shared by every driver so that
// all of them mix the same buffer sizes).
struct hssBufferLayout {
    uint32_t BufferCount = 0; // 4 to 32 buffers of 30 ms
    uint32_t FrameBytes = 0;  // bytes per output frame
    uint32_t BufferBytes = 0; // bytes per buffer, a multiple of 8
    uint32_t TotalBytes = 0;  // BufferBytes * BufferCount
    uint8_t Silence = 0x80;   // 0x80 for 8-bit output, 0 for 16-bit
};

class hssDriver {
public:
    virtual ~hssDriver();
    // Returns 0, -1 (missing argument, bad format or no device would open),
    // -2 (already open), -4 (no feeder thread) or -10 (out of memory).
    virtual int Open(const hssFormat* format, uint32_t bufferFrames, void* user, hssMixCallback callback) = 0;
    // Returns 0, or -3 when not open.
    virtual int Close() = 0;
    // Guards mixing against channel changes; both act only while open.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;

    // Checks a format and works out the buffers for `bufferFrames` frames of
    // latency. Returns 0, or -1 when the format is unusable: no flags, 8-bit
    // signed, 16-bit unsigned, a channel count other than 1 or 2, or a rate of 0.
    static int PlanBuffers(const hssFormat& format, uint32_t bufferFrames, hssBufferLayout* layout);
};

// Makes the driver a speaker opens; null or a factory returning null makes
// that Open fail with -5.
using hssDriverFactory = std::function<hssDriver*()>;

// The factory speakers use unless given their own (set once at start-up, on
// the thread that opens speakers).
void hssSetDefaultDriverFactory(hssDriverFactory factory);
const hssDriverFactory& hssDefaultDriverFactory();
