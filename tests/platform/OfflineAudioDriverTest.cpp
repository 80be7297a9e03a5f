// The offline driver: the buffer plan of the real one, codes, and the mixer
// called for consecutive buffers.

#include "platform/OfflineAudioDriver.h"

#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CallLog {
    std::vector<uint32_t> Sizes;
    std::vector<const uint8_t*> Buffers;
};

void Record(void* user, uint8_t* buffer, uint32_t bytes)
{
    auto* log = static_cast<CallLog*>(user);
    log->Sizes.push_back(bytes);
    log->Buffers.push_back(buffer);
    for (uint32_t i = 0; i < bytes; ++i)
        buffer[i] = uint8_t(log->Sizes.size());
}

TEST(TOfflineAudioDriver, OpenChecksItsArgumentsAndPlansTheBuffers)
{
    TOfflineAudioDriver driver;
    CallLog log;
    hssFormat format{22050, 0x21, 2};
    EXPECT_EQ(driver.Open(nullptr, 3969, &log, &Record), -1);
    EXPECT_EQ(driver.Open(&format, 3969, &log, nullptr), -1);
    hssFormat bad{22050, 0x11, 2};
    EXPECT_EQ(driver.Open(&bad, 3969, &log, &Record), -1);
    EXPECT_EQ(driver.Close(), -3);
    ASSERT_EQ(driver.Open(&format, 3969, &log, &Record), 0);
    EXPECT_EQ(driver.Open(&format, 3969, &log, &Record), -2);
    EXPECT_EQ(driver.Layout().BufferCount, 6u);
    EXPECT_EQ(driver.Layout().BufferBytes, 1328u);
    EXPECT_TRUE(driver.IsPaused());
    EXPECT_EQ(driver.Close(), 0);
    EXPECT_EQ(driver.RenderBuffer(), nullptr);
}

TEST(TOfflineAudioDriver, MixesConsecutiveBuffersOfTheRingOnlyWhileRunning)
{
    TOfflineAudioDriver driver;
    CallLog log;
    hssFormat format{22050, 0x21, 2};
    ASSERT_EQ(driver.Open(&format, 7938, &log, &Record), 0);
    ASSERT_EQ(driver.Layout().BufferCount, 12u);
    const uint8_t* paused = driver.RenderBuffer();
    EXPECT_TRUE(log.Sizes.empty());
    EXPECT_EQ(std::vector<uint8_t>(paused, paused + 1328), std::vector<uint8_t>(1328, 0x80));
    driver.Resume();
    for (int i = 0; i < 13; ++i)
        driver.RenderBuffer();
    ASSERT_EQ(log.Sizes.size(), 13u);
    for (uint32_t size : log.Sizes)
        EXPECT_EQ(size, 1328u);
    // Consecutive buffers of the ring (the paused call used the first one),
    // which wraps after 12.
    EXPECT_EQ(log.Buffers[1] - log.Buffers[0], 1328);
    EXPECT_EQ(log.Buffers[0] - paused, 1328);
    EXPECT_EQ(log.Buffers[11], paused);
    EXPECT_EQ(log.Buffers[12], log.Buffers[0]);
    driver.Pause();
    driver.RenderBuffer();
    EXPECT_EQ(log.Sizes.size(), 13u);
}

TEST(TOfflineAudioDriver, RendersWhatTheSpeakerMixes)
{
    hssSpeaker speaker;
    speaker.SetDriverFactory(TOfflineAudioDriver::Factory());
    ASSERT_EQ(speaker.Open(22050, 8, 8, 2, 0), 0);
    auto* driver = static_cast<TOfflineAudioDriver*>(speaker.GetDriver());
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->Layout().BufferBytes, 664u);
    EXPECT_FALSE(driver->IsPaused()); // the speaker resumes it

    // A 3-frame 8-bit sample: 0x90, 0xA0, 0xB0 give 8, 16, 24 above the middle.
    std::vector<uint8_t> wav = {'R',  'I',  'F', 'F', 0,    0,    0, 0, 'W',  'A',  'V', 'E',
                                'f',  'm',  't', ' ', 16,   0,    0, 0, 1,    0,    1,   0,
                                0x22, 0x56, 0,   0,   0x22, 0x56, 0, 0, 1,    0,    8,   0,
                                'd',  'a',  't', 'a', 3,    0,    0, 0, 0x90, 0xA0, 0xB0};
    hssSound sound;
    ASSERT_EQ(sound.LoadFromBytes(wav.data(), wav.size()), 0);
    ASSERT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), 2);
    const uint8_t* out = driver->RenderBuffer();
    EXPECT_EQ(std::vector<uint8_t>(out, out + 5), (std::vector<uint8_t>{136, 144, 152, 128, 128}));
    speaker.Close();
    EXPECT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), -1000);
}

} // namespace
