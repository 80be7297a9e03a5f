// The game's process-wide state, all of it: the rules seed the next board
// widget takes, the audio driver factory of new speakers, the user's settings
// store and the HTTP exchange of the score submission, and the folder of the
// replays. The rules are no part of it: each page set holds its own. Nor is
// the shared speaker: its users open and close it, and it is closed once the
// last is gone. The game sets these up once per run; tests, benchmarks and
// the headless driver, which run the game several times in one process,
// start and end each run with the reset here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/SettingsStore.h"
#include "platform/hssDriver.h"

namespace WFourfall {

// Puts everything back as at program start: the seed from the clock, no
// audio driver factory and no hold on opening the speaker, the default
// settings store, the real HTTP exchange and the default replay folder.
// Returns false when the shared speaker is still open (some sound element
// outlived its run), true otherwise.
bool ResetProcessState();

// One run of the game in a process that runs others: the state reset, then
// this run's settings store, audio driver, fixed rules seed and replay folder
// (by default none, so that no test writes into the user's own); reset again
// when the scope ends. The store must outlive the scope.
class TProcessScope {
public:
    TProcessScope(Platform::TSettingsStore* settings, hssDriverFactory driver, uint32_t seed,
                  const std::string& replayFolder = {});
    ~TProcessScope();
    TProcessScope(const TProcessScope&) = delete;
    TProcessScope& operator=(const TProcessScope&) = delete;
};

} // namespace WFourfall
