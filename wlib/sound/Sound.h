// TSound: one sound effect element, a WAV file played on any free channel of
// the shared speaker.
#pragma once

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
    // Starts the effect on a free sound channel; nothing happens when the
    // speaker is closed, the effect is empty or every channel is busy.
    void Play();

    hssSound Sample;
};

} // namespace WLib
