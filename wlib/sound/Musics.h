// TMusics: the background music, a list of module files played one after
// another and wrapping to the first. A one-second check timer notices when a
// module has ended (or never started) and starts the next file.
#pragma once

#include <cstdint>

#include "sound/hssMusic.h"
#include "wlib/App.h"
#include "wlib/Timer.h"
#include "wlib/base/AString.h"
#include "wlib/base/Items.h"

namespace WLib {

class TMusics : public TApp {
public:
    static constexpr int32_t kCheckPeriod = 1000;

    TMusics();
    ~TMusics() override;

    // On the check timer's tick, a list that is not playing moves on.
    bool HandleEvent(int32_t code, int32_t param) override;

    // Appends a file (a path of this system) to the play order.
    void Add(const TAString& fileName);
    // Loads the next file of the list and plays it, then starts the check
    // timer. Does nothing with an empty list. A file that does not load or
    // play is passed over at the next check.
    void PlayNext();
    // Halts every music channel and the check timer.
    void Stop();
    bool IsPlaying() const;

    hssMusic Module;
    TTimer CheckTimer;
    TItems<TAString> Files; // from index 1
    int32_t NextFile = 0;   // 0-based index of the next file to play
};

} // namespace WLib
