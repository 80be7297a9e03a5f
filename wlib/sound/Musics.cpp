#include "wlib/sound/Musics.h"

#include "wlib/sound/Speaker.h"

namespace WLib {

TMusics::TMusics()
{
    AcquireSpeaker();
}

TMusics::~TMusics()
{
    // The host may be gone by now: the timer is not stopped through it.
    if (Speaker != nullptr)
        Speaker->StopMusic();
    ReleaseSpeaker();
}

bool TMusics::HandleEvent(int32_t code, int32_t param)
{
    if (code == CheckTimer.TickId && !IsPlaying())
        PlayNext();
    return TApp::HandleEvent(code, param);
}

void TMusics::Add(const TAString& fileName)
{
    Files.Add(fileName);
}

void TMusics::PlayNext()
{
    const int32_t count = Files.High();
    if (count == 0)
        return;
    if (NextFile >= count || NextFile < 0)
        NextFile = 0;
    Module.Load(Files[NextFile + 1].Text());
    if (Speaker != nullptr) {
        Speaker->StopMusic();
        Speaker->PlayMusic(Module, kHssPlayAnyChannel);
    }
    Insert(&CheckTimer, this);
    CheckTimer.Start(kCheckPeriod);
    ++NextFile;
}

void TMusics::Stop()
{
    if (Speaker != nullptr)
        Speaker->StopMusic();
    CheckTimer.Stop();
}

bool TMusics::IsPlaying() const
{
    return Speaker != nullptr && Speaker->CountPlayingMusic() != 0;
}

} // namespace WLib
