// TSpeaker: the one audio output shared by every sound element. The first
// user opens it, the last one closes it; when no device opens, every play
// call fails quietly and the game runs silent.
#pragma once

#include <cstdint>

#include "sound/hssSpeaker.h"

namespace WLib {

class TSpeaker : public hssSpeaker {
public:
    uint32_t Users = 0; // TSound and TMusics objects using the speaker
};

// The shared speaker, null while nobody uses one.
extern TSpeaker* Speaker;

// Output format of the shared speaker.
constexpr uint32_t kSpeakerRate = 22050;
constexpr uint32_t kSpeakerBits = 8;
constexpr uint32_t kSpeakerSoundChannels = 8;
constexpr uint32_t kSpeakerMusicChannels = 2;
constexpr uint32_t kSpeakerStereo = 1;

// One more user; the first one creates and opens the speaker with the
// library's default driver (its result is not looked at: a speaker that did
// not open simply plays nothing).
void AcquireSpeaker();
// One user fewer; the last one closes and destroys the speaker.
void ReleaseSpeaker();

// While held, a speaker made for its first user is not opened yet: an audio
// device can take a long while to answer (a sound server starting, a card
// being probed), and the game's window should be on the screen before that.
// Plays before the opening are lost, as on a speaker that did not open.
// HoldSpeakerOpening(false) ends a hold without opening anything.
void HoldSpeakerOpening(bool hold = true);
// Ends the hold, and opens the speaker if one was made meanwhile (its result
// is not looked at, as in AcquireSpeaker).
void OpenHeldSpeaker();

} // namespace WLib
