#include "wlib/sound/Speaker.h"

namespace WLib {

TSpeaker* Speaker = nullptr;

void AcquireSpeaker()
{
    if (Speaker != nullptr) {
        ++Speaker->Users;
        return;
    }
    Speaker = new TSpeaker();
    Speaker->Open(kSpeakerRate, kSpeakerBits, kSpeakerSoundChannels, kSpeakerMusicChannels, kSpeakerStereo);
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

} // namespace WLib
