// The game's four background tunes, each composed on a TSong and returned as
// a module ready to write.
#pragma once

#include "tools/make-music/ModuleWriter.h"

namespace MakeMusic {

// Driving synth-pop in E minor, 130 BPM, eight channels with a lead echo.
TModule ComposeAxel();
// Calm pentatonic piece in D, 100 BPM: flute, plucked strings, wood and gong.
TModule ComposeChinese();
// A noir walk in A minor, 110 BPM with a swung sixteenth feel.
TModule ComposeCriminal();
// A bouncy, cheerful tune in C major, 150 BPM, bells and chip arpeggios.
TModule ComposeMattiasa();

} // namespace MakeMusic
