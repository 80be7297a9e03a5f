// TSound: one sound effect element, a WAV file played on any free channel of
// the shared speaker.
#pragma once

#include <string>

#include "sound/hssSound.h"
#include "wlib/App.h"

namespace WLib {

class TSound : public TApp {
public:
    TSound();
    ~TSound() override;

    // Loads the file (a path of this system); a file that does not load
    // leaves the effect empty, and playing it then does nothing.
    int Load(const char* fileName);
    // Loads the file as Load does, to tell whether it loads, then lets its
    // samples go until the effect is first played: an effect the player
    // never hears takes no memory. Returns what Load returned.
    int LoadOnFirstPlay(const char* fileName);
    // Starts the effect on a free sound channel; nothing happens when the
    // speaker is closed, the effect is empty or every channel is busy.
    void Play();

    hssSound Sample;

private:
    // The file to load at the first Play; empty once loaded (or tried).
    std::string Deferred;
};

} // namespace WLib
