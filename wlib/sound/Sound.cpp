#include "wlib/sound/Sound.h"

#include "wlib/sound/Speaker.h"

namespace WLib {

TSound::TSound()
{
    AcquireSpeaker();
}

TSound::~TSound()
{
    ReleaseSpeaker();
}

int TSound::Load(const char* fileName)
{
    return Sample.Load(fileName);
}

void TSound::Play()
{
    if (Speaker != nullptr)
        Speaker->PlaySound(Sample, kHssPlayAnyChannel);
}

} // namespace WLib
