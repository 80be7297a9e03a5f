// The SDL driver on SDL's disk and dummy back ends (this machine has no
// sound card), and with no usable back end at all. The concurrent cases are
// the ones that run under ThreadSanitizer: the feeder thread mixes while the
// test thread plays, stops, pauses, resumes and closes.

#include "platform/desktop/SdlAudioDriver.h"

#include "sound/hssMusic.h"
#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"

#include <gtest/gtest.h>

#include "tests/platform/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

Bytes Wav8Mono(const Bytes& data)
{
    Bytes b = {'R',  'I',  'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V',  'E',  'f', 'm',
               't',  ' ',  16,  0,   0, 0, 1, 0, 1,   0,   0x22, 0x56, 0,   0,
               0x22, 0x56, 0,   0,   1, 0, 8, 0, 'd', 'a', 't',  'a'};
    PutLe32(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// A looping 4-channel module of one pattern with a note on every channel.
Bytes LoopingModule()
{
    Bytes b(1084, 0);
    b[20 + 22] = 0x01; // sample 1: 256 words
    b[20 + 25] = 64;
    b[20 + 28] = 0x01; // looping over all of it
    b[950] = 1;
    b[951] = 127;
    b[1080] = 'M', b[1081] = '.', b[1082] = 'K', b[1083] = '.';
    Bytes pattern(1024, 0);
    for (int c = 0; c < 4; ++c) {
        pattern[c * 4 + 0] = 0x01; // period 0x1AC = 428, instrument 1
        pattern[c * 4 + 1] = 0xAC;
        pattern[c * 4 + 2] = 0x10;
    }
    b.insert(b.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < 512; ++i)
        b.push_back(uint8_t(i * 7));
    return b;
}

// Waits (at most a few seconds) until the feeder thread has mixed `count`
// more buffers; the dummy back end pulls them as fast as it likes.
bool WaitForBuffers(TSdlAudioDriver& driver, uint64_t count)
{
    const uint64_t target = driver.BuffersMixed() + count;
    for (int i = 0; i < 500; ++i) {
        if (driver.BuffersMixed() >= target)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(TSdlAudioDriver, NoUsableBackEndLeavesTheSpeakerClosedAndSilent)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    hssSpeaker speaker;
    speaker.SetDriverFactory(TSdlAudioDriver::Factory());
    EXPECT_EQ(speaker.Open(22050, 8, 8, 2, 1), -1);
    EXPECT_FALSE(speaker.IsOpen);
    const Bytes wav = Wav8Mono(Bytes(100, 0xC0));
    hssSound sound;
    ASSERT_EQ(sound.LoadFromBytes(wav.data(), wav.size()), 0);
    EXPECT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), -1000);
    const Bytes mod = LoopingModule();
    hssMusic music;
    ASSERT_EQ(music.LoadFromBytes(mod.data(), mod.size()), 0);
    EXPECT_EQ(speaker.PlayMusic(music, kHssPlayAnyChannel), -1000);
    speaker.StopMusic();
    EXPECT_EQ(speaker.CountPlayingMusic(), 0u);
    EXPECT_EQ(speaker.Close(), 0);

    TSdlAudioDriver driver;
    EXPECT_EQ(driver.Close(), -3);
}

TEST(TSdlAudioDriver, DiskBackEndReceivesExactlyWhatTheMixerMade)
{
    TestSupport::TempFolder folder("hss-disk");
    const std::string path = folder.File("output.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);

    Bytes data;
    for (int i = 0; i < 200; ++i)
        data.push_back(uint8_t(0x81 + (i % 100)));
    const Bytes wav = Wav8Mono(data);
    hssSound sound;
    ASSERT_EQ(sound.LoadFromBytes(wav.data(), wav.size()), 0);
    {
        hssSpeaker speaker;
        speaker.SetDriverFactory(TSdlAudioDriver::Factory());
        ASSERT_EQ(speaker.Open(22050, 8, 8, 2, 0), 0);
        auto* driver = static_cast<TSdlAudioDriver*>(speaker.GetDriver());
        EXPECT_EQ(driver->Layout().BufferCount, 6u);
        EXPECT_EQ(driver->Layout().BufferBytes, 664u);
        ASSERT_EQ(speaker.PlaySound(sound, kHssPlayAnyChannel), 2);
        while (speaker.SoundChannels[0].IsPlaying())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(WaitForBuffers(*driver, 8));
        speaker.Close();
    }
    std::ifstream in(path, std::ios::binary);
    const Bytes written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Each byte b becomes ((b - 128) * 256 * 64 >> 7) >> 8 = (b - 128) / 2.
    Bytes want;
    for (uint8_t b : data)
        want.push_back(uint8_t(128 + (b - 128) / 2));
    const auto found = std::search(written.begin(), written.end(), want.begin(), want.end());
    EXPECT_NE(found, written.end()) << "the mixed sample is not in the " << written.size()
                                    << " bytes written";
    // Everything around it is silence: whole buffers went out, nothing torn.
    for (auto it = written.begin(); it != written.end(); ++it) {
        if (it < found || it >= found + long(want.size())) {
            ASSERT_EQ(*it, 0x80) << "at byte " << (it - written.begin());
        }
    }
}

TEST(TSdlAudioDriver, PlayStopPauseResumeAndCloseWhileTheFeederMixes)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const Bytes wav = Wav8Mono(Bytes(3000, 0xC0));
    hssSound sound;
    ASSERT_EQ(sound.LoadFromBytes(wav.data(), wav.size()), 0);
    const Bytes mod = LoopingModule();
    hssMusic music;
    ASSERT_EQ(music.LoadFromBytes(mod.data(), mod.size()), 0);
    music.LoopFlag = 1;

    for (int round = 0; round < 3; ++round) {
        hssSpeaker speaker;
        speaker.SetDriverFactory(TSdlAudioDriver::Factory());
        ASSERT_EQ(speaker.Open(22050, round == 1 ? 16 : 8, 8, 2, 1), 0) << "round " << round;
        auto* driver = static_cast<TSdlAudioDriver*>(speaker.GetDriver());
        ASSERT_TRUE(WaitForBuffers(*driver, 2));
        EXPECT_GE(speaker.PlayMusic(music, kHssPlayAnyChannel), 0);
        for (int i = 0; i < 20; ++i) {
            speaker.PlaySound(sound, kHssPlayAnyChannel);
            EXPECT_EQ(speaker.CountPlayingMusic(), 1u);
            if (i % 5 == 0) {
                driver->Pause();
                EXPECT_TRUE(driver->IsPaused());
                driver->Resume();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(WaitForBuffers(*driver, 3));
        EXPECT_EQ(speaker.CountPlayingMusic(), 1u);
        speaker.StopMusic();
        EXPECT_EQ(speaker.CountPlayingMusic(), 0u);
        EXPECT_GE(speaker.PlayMusic(music, kHssPlayAnyChannel), 0);
        if (round == 2)
            driver->Pause(); // closing a paused driver ends its thread too
        EXPECT_EQ(speaker.Close(), 0);
    }
}

} // namespace
