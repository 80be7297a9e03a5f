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
    Deferred.clear();
    return Sample.Load(fileName);
}

int TSound::LoadOnFirstPlay(const char* fileName)
{
    const int result = Load(fileName);
    if (result >= 0) {
        Sample.Free();
        Deferred = fileName;
    }
    return result;
}

void TSound::Play()
{
    if (!Deferred.empty()) {
        const std::string fileName = std::move(Deferred);
        Deferred.clear();
        Sample.Load(fileName.c_str());
    }
    if (Speaker != nullptr)
        Speaker->PlaySound(Sample, kHssPlayAnyChannel);
}

} // namespace WLib
