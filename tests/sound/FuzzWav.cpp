// Fuzz target: any bytes given to the WAVE loader fail cleanly or load a
// sample that then plays through the mixer without reading outside its data.

#include "sound/hssSound.h"
#include "sound/hssSpeaker.h"
#include "tests/sound/SoundFixtures.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hssSound sound;
    if (sound.LoadFromBytes(data, size) != 0)
        return 0;
    SoundFixtures::RecordingDriver::Log log;
    hssSpeaker speaker;
    speaker.SetDriverFactory(SoundFixtures::RecordingDriver::Factory(&log));
    if (speaker.Open(22050, 16, 8, 2, 1) != 0)
        return 0;
    sound.PanPos = size & 0xFF;
    if (speaker.PlaySound(sound, kHssPlayAnyChannel) < 0)
        return 0;
    // Up to a second of output, or until the sample ends.
    SoundFixtures::MixUntilHalted(speaker, speaker.SoundChannels[0], 22050);
    return 0;
}
