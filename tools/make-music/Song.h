// A small composing desk for tracker tunes: a song is one long timeline of
// rows; melodies, bass lines, chords and drums are written onto it from a
// compact text notation, and Build cuts it into 64-row patterns, shares
// identical ones and writes the order list.
//
// Melody notation, tokens separated by blanks, each `pitch:rows`:
//   pitch      c5, f#4, eb6 (octave 4 holds middle C), or r for a rest
//   ^a5:6      a grace: starts a whole tone low and glides up (tone portamento)
//   /a5:4      glides from the previous note without striking again
//   suffix ~   vibrato after the attack; \ a fall at the end; > fades out
// Bass figures use chord degrees in place of pitches: R root, 3, 5, 7 (the
// chord's own third, fifth and seventh), 8 the octave, L the fifth below.
// Chord symbols: root and quality, e.g. Em, C, G7, Am7, Fmaj7, Dsus4, AmM7,
// Am6, Bdim, with an optional :rows.
#pragma once

#include "tools/make-music/ModuleWriter.h"

#include <map>
#include <string>
#include <vector>

namespace MakeMusic {

enum : int {
    kFxArpeggio = 0x0,
    kFxSlideUp = 0x1,
    kFxSlideDown = 0x2,
    kFxTonePorta = 0x3,
    kFxVibrato = 0x4,
    kFxVolumeSlide = 0xA,
    kFxSetVolume = 0xC,
    kFxPatternBreak = 0xD,
    kFxExtended = 0xE,
    kFxSpeed = 0xF,
};
constexpr int kExPatternLoop = 0x60;
constexpr int kColumns = 84;

// The period of column `column` (0 to 83) of the player's table, finetune 0.
int PeriodOfColumn(int column);

// An instrument as the composer plays it: its number and the MIDI note that
// column 0 of the period table sounds with it.
struct TVoice {
    int Instrument = 0;
    int LowestNote = 0;
};

struct TChord {
    int Root = 0; // pitch class
    std::vector<int> Intervals;
    int Rows = 0; // 0: the default length
};
std::vector<TChord> ParseChords(const std::string& text);

struct TMelodyStyle {
    int VibratoParam = 0x42;
    int VibratoDelay = 3;  // rows after the attack
    int Release = 0x05;    // volume slide on the first row of a rest
    int AttackVolume = -1; // set-volume on every attack, -1 for the instrument's
    int FallParam = 0x03;  // slide-down speed of a fall
};

struct TDrumHit {
    int Channel = 0;
    TVoice Voice;
    int Note = 60;
    int Volume = -1; // set-volume with the hit, -1 for the instrument's
};

class TSong {
public:
    explicit TSong(int channels, int rowsPerBar = 16);

    TVoice AddInstrument(TInstrument instrument, int lowestNote);
    int Bar(int bar) const { return bar * RowsPerBar; }

    TCell& At(int row, int channel);
    void Note(int row, int channel, TVoice voice, int midi);
    void Fx(int row, int channel, int effect, int param);

    // Each returns the number of rows written.
    int Melody(int row, int channel, TVoice voice, const std::string& text, const TMelodyStyle& style = {});
    // Arpeggiated chords: root near `lowest`, re-struck every `strike` rows
    // (0: at each change of chord only).
    int Arpeggio(int row, int channel, TVoice voice, const std::string& chords, int rowsPerChord, int lowest,
                 int strike, int volume);
    // One chord tone held per chord (`degree` 0 root, 1 third, 2 fifth, 3 seventh or octave).
    int Hold(int row, int channel, TVoice voice, const std::string& chords, int rowsPerChord, int degree,
             int lowest, int volume);
    int Bass(int row, int channel, TVoice voice, const std::string& chords, int rowsPerChord,
             const std::string& figure, int lowest);
    // One character per row; '.' and '|' separators are skipped ('|' takes no row).
    int Drums(int row, const std::string& pattern, const std::map<char, TDrumHit>& kit);
    // Copies rows [from, to) of one channel onto another `delay` rows later, at `volume`.
    void Echo(int fromChannel, int toChannel, int from, int to, int delay, int volume);

    // Ends the pattern that starts at `row` after `rows` rows, with a break.
    void ShortBlock(int row, int rows) { ShortBlocks[row] = rows; }

    // The module: speed and tempo are set on row 0; blocks of 64 rows (or
    // shorter ones with a pattern break) become patterns, identical ones
    // shared; all volumes are mixed down to the game's level. Call it once.
    TModule Build(const std::string& title, int speed, int bpm);

    int Rows() const { return int(Timeline.size()); }

private:
    int Channels;
    int RowsPerBar;
    std::vector<TInstrument> Instruments;
    std::vector<std::vector<TCell>> Timeline;
    std::map<int, int> ShortBlocks;
};

// How long the module plays through once, in output frames at `rate` Hz,
// following speed, tempo, pattern breaks, loops and delays as the player does.
long long PlayFrames(const TModule& module, int rate);

} // namespace MakeMusic
