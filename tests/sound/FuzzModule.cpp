// Fuzz target: any bytes given to the module loader fail cleanly or load a
// module that then plays for a few seconds through the mixer, nearest or
// smooth, with every table index and sample read kept inside.

#include "sound/hssMusic.h"
#include "sound/hssSpeaker.h"
#include "tests/sound/SoundFixtures.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hssMusic music;
    if (music.LoadFromBytes(data, size) != 0)
        return 0;
    SoundFixtures::RecordingDriver::Log log;
    hssSpeaker speaker;
    speaker.SetDriverFactory(SoundFixtures::RecordingDriver::Factory(&log));
    // Mono or stereo output, chosen by the title's first byte.
    if (speaker.Open(22050, 8, 8, 2, data[0] & 1) != 0)
        return 0;
    music.LoopFlag = (data[1] & 1);
    // Smooth sound (it reads the byte after each one) and a volume below
    // full, by the title's second byte.
    speaker.SetSmooth((data[1] & 2) != 0);
    speaker.SetMusicVolume((data[1] & 4) ? 50 : 100);
    if (speaker.PlayMusic(music, kHssPlayAnyChannel) < 0)
        return 0;
    SoundFixtures::MixUntilHalted(speaker, speaker.MusicChannels[0], 3 * 22050);
    return 0;
}
