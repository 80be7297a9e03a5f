// The instruments of the game's tunes, synthesised from nothing: band-limited
// single-cycle waves with a baked attack and decay and a looped sustain, a
// chorused pad, a plucked string, a bell and a drum kit. Everything is
// computed in double precision from fixed seeds and rounded once, so the same
// source always gives the same bytes.
#pragma once

#include "tools/make-music/ModuleWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace MakeMusic {

// The playback rate of a sample triggered at period 214 (column 24 of the
// period table): drums and other unpitched sounds are made at this rate.
constexpr double kReferenceRate = 3579545.0 / 214.0;

// A small deterministic generator (xorshift32).
class TRandom {
public:
    explicit TRandom(uint32_t seed) : State(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next();
    double Signed(); // -1 .. 1
private:
    uint32_t State;
};

// Harmonic content of one wave cycle: amplitude of sine partial k at index k - 1.
using THarmonics = std::vector<double>;

THarmonics SawHarmonics(int count);
THarmonics SquareHarmonics(int count);
THarmonics PulseHarmonics(int count, double duty); // sine-phase approximation of a pulse
THarmonics TriangleHarmonics(int count);

// A tone with a looped sustain. The sample holds `cycles` cycles of
// `cycleLength` samples each; the timbre moves from `bright` to `dark` and the
// level from 0 through an attack of `attackCycles` cycles to 1 and then
// decays towards `sustain` with the time constant `decayCycles`. The last
// cycle repeats for as long as the note lasts.
struct TToneSpec {
    int CycleLength = 64;
    int Cycles = 64;
    THarmonics Bright;
    THarmonics Dark;
    double AttackCycles = 1;
    double DecayCycles = 16;
    double Sustain = 0.6;
    double BrightDecayCycles = 8;
    double Peak = 110; // highest sample value
};
TInstrument MakeTone(const std::string& name, int volume, const TToneSpec& spec);

// Two slightly detuned saws and a square an octave down, cycle length 64
// samples, with a slow swell; the loop holds whole cycles of both voices.
TInstrument MakePad(const std::string& name, int volume, double peak);

// A plucked string (delay line of `delay` samples, averaging filter).
TInstrument MakePluck(const std::string& name, int volume, int delay, double seconds, double damping,
                      uint32_t seed);

// A bell: two-operator frequency modulation decaying over `seconds`; its
// fundamental is kReferenceRate / cycleLength.
TInstrument MakeBell(const std::string& name, int volume, int cycleLength, double seconds);

// Drum kit, all at kReferenceRate.
TInstrument MakeKick(const std::string& name, int volume, double startHz, double endHz, double seconds);
TInstrument MakeSnare(const std::string& name, int volume, double toneHz, double noiseSeconds, uint32_t seed);
TInstrument MakeHat(const std::string& name, int volume, double seconds, uint32_t seed);
TInstrument MakeCrash(const std::string& name, int volume, double seconds, uint32_t seed);
TInstrument MakeClap(const std::string& name, int volume, uint32_t seed);
TInstrument MakeWoodBlock(const std::string& name, int volume, double hz);
TInstrument MakeGong(const std::string& name, int volume, double hz, double seconds);
TInstrument MakeShaker(const std::string& name, int volume, uint32_t seed);

} // namespace MakeMusic
