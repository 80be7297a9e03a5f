#include "wlib/sound/Speaker.h"

namespace WLib {

TSpeaker* Speaker = nullptr;

namespace {

bool Held = false;

void OpenSpeaker()
{
    Speaker->Open(kSpeakerRate, kSpeakerBits, kSpeakerSoundChannels, kSpeakerMusicChannels, kSpeakerStereo);
}

} // namespace

void AcquireSpeaker()
{
    if (Speaker != nullptr) {
        ++Speaker->Users;
        return;
    }
    Speaker = new TSpeaker();
    if (!Held)
        OpenSpeaker();
    Speaker->Users = 1;
}

void ReleaseSpeaker()
{
    if (Speaker == nullptr)
        return;
    if (--Speaker->Users == 0) {
        Speaker->Close();
        delete Speaker;
        Speaker = nullptr;
    }
}

void HoldSpeakerOpening(bool hold)
{
    Held = hold;
}

void OpenHeldSpeaker()
{
    if (!Held)
        return;
    Held = false;
    if (Speaker != nullptr && Speaker->IsOpen == 0)
        OpenSpeaker();
}

} // namespace WLib
