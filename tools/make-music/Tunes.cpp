#include "tools/make-music/Tunes.h"

#include "tools/make-music/Song.h"
#include "tools/make-music/Synth.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace MakeMusic {

namespace {

constexpr int kBar = 16;
// Lowest MIDI note of an instrument whose cycle is `length` samples long.
constexpr int LowestFor(int length)
{
    return length == 32 ? 48 : length == 64 ? 36 : length == 128 ? 24 : 12;
}
constexpr int kDrumLowest = 36; // note 60 then plays at the reference rate

// Guards the notation: every line must fill exactly the bars it stands for.
void Expect(int rows, int bars, const char* what)
{
    if (rows != bars * kBar) {
        std::fprintf(stderr, "make-music: %s fills %d rows, not %d\n", what, rows, bars * kBar);
        std::exit(1);
    }
}

std::string Repeat(const std::string& s, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += s + " ";
    return out;
}

} // namespace

TModule ComposeAxel()
{
    TSong song(8);
    TToneSpec lead;
    lead.CycleLength = 32;
    lead.Cycles = 160;
    lead.Bright = PulseHarmonics(10, 0.3);
    lead.Dark = PulseHarmonics(5, 0.3);
    lead.AttackCycles = 2;
    lead.DecayCycles = 70;
    lead.Sustain = 0.6;
    lead.BrightDecayCycles = 60;
    const TVoice vLead = song.AddInstrument(MakeTone("lead", 46, lead), LowestFor(32));

    TToneSpec bass;
    bass.CycleLength = 256;
    bass.Cycles = 48;
    bass.Bright = SawHarmonics(36);
    bass.Dark = SawHarmonics(7);
    bass.DecayCycles = 14;
    bass.Sustain = 0.45;
    bass.BrightDecayCycles = 6;
    bass.Peak = 118;
    const TVoice vBass = song.AddInstrument(MakeTone("bass", 58, bass), LowestFor(256));

    TToneSpec arp;
    arp.CycleLength = 64;
    arp.Cycles = 64;
    arp.Bright = SquareHarmonics(11);
    arp.Dark = SquareHarmonics(5);
    arp.DecayCycles = 40;
    arp.Sustain = 0.55;
    arp.BrightDecayCycles = 20;
    const TVoice vArp = song.AddInstrument(MakeTone("arp", 24, arp), LowestFor(64));
    const TVoice vPad = song.AddInstrument(MakePad("pad", 22, 112), LowestFor(64));

    const TVoice vKick = song.AddInstrument(MakeKick("kick", 62, 170, 48, 0.36), kDrumLowest);
    const TVoice vSnare = song.AddInstrument(MakeSnare("snare", 46, 190, 0.2, 11), kDrumLowest);
    const TVoice vHat = song.AddInstrument(MakeHat("hat", 30, 0.06, 12), kDrumLowest);
    const TVoice vOpen = song.AddInstrument(MakeHat("open hat", 26, 0.3, 13), kDrumLowest);
    const TVoice vCrash = song.AddInstrument(MakeCrash("crash", 34, 1.3, 14), kDrumLowest);
    const TVoice vClap = song.AddInstrument(MakeClap("clap", 44, 15), kDrumLowest);

    enum { kLead, kEcho, kArp, kBass, kPadLow, kPadHigh, kBeat, kHats };
    const std::map<char, TDrumHit> kit = {
        {'k', {kBeat, vKick, 60, -1}},  {'s', {kBeat, vSnare, 60, -1}}, {'x', {kBeat, vClap, 60, -1}},
        {'h', {kHats, vHat, 60, -1}},   {'i', {kHats, vHat, 60, 18}},   {'o', {kHats, vOpen, 60, -1}},
        {'c', {kHats, vCrash, 60, -1}},
    };

    const std::string intro = "Em C G D", verse = "Em C G D Em C G D", chorus = "C D G Em C D B7 B7",
                      breakdown = "C D Em Em", outro = "Em C G D Em";
    const std::string melodyA = "e5:2 g5:2 b5:4 a5:2 g5:2 f#5:2 g5:2 | g5:6~ e5:2 c5:4 e5:4 |"
                                "d5:2 g5:2 b5:4 d6:4 b5:4 | a5:8~ f#5:4 d5:4 |"
                                "e5:2 g5:2 b5:4 a5:2 g5:2 f#5:2 g5:2 | e6:6~ d6:2 c6:4 b5:4 |"
                                "b5:2 a5:2 g5:4 d5:2 g5:2 a5:4 | f#5:12~ r:4";
    const std::string melodyB = "g5:4 g5:2 a5:2 g5:4 e5:4 | f#5:4 f#5:2 g5:2 a5:8~ |"
                                "b5:4 b5:2 c6:2 d6:4 b5:4 | g5:12~ r:4 |"
                                "e6:4 d6:2 c6:2 b5:4 a5:4 | a5:4 b5:2 a5:2 f#5:8~ |"
                                "d#5:4 f#5:4 b5:4 a5:4 | a5:2 f#5:2 d#5:4 b4:8~";
    const std::string beat = "k...s...k.k.s...", beatFill = "k...s...k.s.ssss", four = "k...x...k...x...";
    const std::string hats = "h.h.h.h.h.h.h.ho", hats16 = "hihihihihihihiho";

    // Harmony, bass and pads run through the whole song.
    const std::string all = intro + " " + verse + " " + verse + " " + chorus + " " + breakdown + " " + verse +
                            " " + chorus + " " + chorus + " " + outro;
    Expect(song.Arpeggio(0, kArp, vArp, all, kBar, 57, 4, -1), 61, "axel chords");
    song.Hold(0, kPadLow, vPad, all, kBar, 1, 60, -1);
    song.Hold(0, kPadHigh, vPad, all, kBar, 2, 64, -1);

    int row = 0;
    const std::string drive = "R:2 R:2 8:2 R:2 R:2 8:2 R:2 5:2";
    row += song.Bass(row, kBass, vBass, intro, kBar, "R:4 R:4 R:4 R:2 8:2", 33);
    row += song.Bass(row, kBass, vBass, verse + " " + verse + " " + chorus, kBar, drive, 33);
    row += song.Bass(row, kBass, vBass, breakdown, kBar, "R:8> 5:8>", 33);
    row += song.Bass(row, kBass, vBass, verse + " " + chorus + " " + chorus + " Em C G D", kBar, drive, 33);
    row += song.Bass(row, kBass, vBass, "Em", kBar, "R:16>", 33);
    Expect(row, 61, "axel bass");

    // Melody and drums, section by section.
    auto section = [&](int bar, const std::string& melody, const std::string& beats,
                       const std::string& hatLine) {
        if (!melody.empty())
            Expect(song.Melody(song.Bar(bar), kLead, vLead, melody), 8, "axel melody");
        song.Drums(song.Bar(bar), beats, kit);
        song.Drums(song.Bar(bar), hatLine, kit);
    };
    song.Drums(0, Repeat("k...k...k...k...", 3) + "k...k...k.s.ssss", kit);
    song.Drums(0, "c.h...h...h...h." + Repeat("..h...h...h...h.", 3), kit);
    section(4, melodyA, Repeat(beat, 7) + beatFill, "c" + hats.substr(1) + Repeat(hats, 7));
    section(12, melodyA, Repeat(beat, 7) + beatFill, "c" + hats16.substr(1) + Repeat(hats16, 7));
    section(20, melodyB, Repeat(four, 7) + beatFill, "c" + hats16.substr(1) + Repeat(hats16, 7));
    // Breakdown: pads and a rising lead, the beat comes back with a roll.
    Expect(song.Melody(song.Bar(28), kLead, vLead, "g5:16~ a5:16~ b5:24 r:8"), 4, "axel riser");
    for (int r = song.Bar(30) + 8; r < song.Bar(31) + 8; ++r)
        song.Fx(r, kLead, kFxSlideUp, 1);
    song.Drums(song.Bar(31), "s...s...s.s.ssss", kit);
    section(32, melodyA, Repeat(beat, 7) + beatFill, "c" + hats16.substr(1) + Repeat(hats16, 7));
    section(40, melodyB, Repeat(four, 7) + beatFill, "c" + hats16.substr(1) + Repeat(hats16, 7));
    section(48, melodyB, Repeat(four, 7) + beatFill, "c" + hats16.substr(1) + Repeat(hats16, 7));
    Expect(song.Melody(song.Bar(56), kLead, vLead, "e5:8 g5:8 b5:16~ a5:8 g5:8 f#5:16~ e5:16>"), 5,
           "axel outro");
    song.Drums(song.Bar(56), Repeat(beat, 3) + "k...s...k.s.ssss" + "k...............", kit);
    song.Drums(song.Bar(56), "c" + hats.substr(1) + Repeat(hats, 2) + hats16 + "c...............", kit);

    // The echo: the lead again three rows later, quieter, on the other side.
    song.Echo(kLead, kEcho, song.Bar(12), song.Bar(28), 3, 16);
    song.Echo(kLead, kEcho, song.Bar(32), song.Bar(61) - 3, 3, 16);

    song.ShortBlock(song.Bar(60), kBar);
    return song.Build("Axel", 6, 132);
}

TModule ComposeChinese()
{
    TSong song(4);
    TToneSpec flute;
    flute.CycleLength = 64;
    flute.Cycles = 120;
    flute.Bright = {1.0, 0.22, 0.12, 0.05, 0.02};
    flute.Dark = {1.0, 0.12, 0.04};
    flute.AttackCycles = 10;
    flute.DecayCycles = 120;
    flute.Sustain = 0.8;
    flute.BrightDecayCycles = 40;
    flute.Peak = 112;
    const TVoice vFlute = song.AddInstrument(MakeTone("flute", 54, flute), LowestFor(64));
    const TVoice vPluck = song.AddInstrument(MakePluck("zither", 50, 64, 1.7, 0.9965, 21), 36);

    TToneSpec bass;
    bass.CycleLength = 256;
    bass.Cycles = 40;
    bass.Bright = TriangleHarmonics(15);
    bass.Bright[1] = 0.2;
    bass.DecayCycles = 30;
    bass.Sustain = 0.55;
    bass.Peak = 118;
    const TVoice vBass = song.AddInstrument(MakeTone("soft bass", 52, bass), LowestFor(256));
    const TVoice vWood = song.AddInstrument(MakeWoodBlock("wood", 40, 1150), kDrumLowest);
    const TVoice vGong = song.AddInstrument(MakeGong("gong", 44, 98, 3.0), kDrumLowest);
    const TVoice vDrum = song.AddInstrument(MakeKick("drum", 50, 120, 62, 0.4), kDrumLowest);
    const TVoice vShaker = song.AddInstrument(MakeShaker("shaker", 22, 22), kDrumLowest);

    enum { kFlute, kPluck, kBass, kPerc };
    const std::map<char, TDrumHit> kit = {
        {'w', {kPerc, vWood, 60, -1}}, {'W', {kPerc, vWood, 65, -1}},   {'g', {kPerc, vGong, 60, -1}},
        {'d', {kPerc, vDrum, 60, -1}}, {'s', {kPerc, vShaker, 60, -1}},
    };

    const std::string intro = "D Bm G A", verse = "D Bm G A D Bm A D", chorus = "G A F#m Bm G A D D",
                      interlude = "G A D", outro = "D Bm G A D";
    const std::string melodyA = "a5:6~ b5:2 a5:4 f#5:4 | e5:4 f#5:2 e5:2 d5:8~ | b4:4 d5:4 e5:4 f#5:4 |"
                                "^e5:12~ r:4 | a5:6~ b5:2 d6:4 b5:4 | a5:4 f#5:2 a5:2 b5:8~ |"
                                "d6:4 b5:2 a5:2 f#5:4 e5:4 | d5:12~ r:4";
    const std::string melodyB = "b5:4 d6:4 ^e6:8~ | d6:4 b5:2 a5:2 b5:8~\\ | a5:4 f#5:4 a5:2 b5:2 a5:4 |"
                                "f#5:12~ r:4 | e5:4 f#5:2 a5:2 b5:4 d6:4 | ^e6:6~ d6:2 b5:4 a5:4 |"
                                "b5:4 a5:2 f#5:2 e5:4 f#5:4 | d5:16~";
    const std::string perc = "d...w.s.d.s.w.s.", percFill = "d...w.s.d.w.w.WW";

    const std::string all =
        intro + " " + verse + " " + chorus + " " + interlude + " " + verse + " " + chorus + " " + outro;
    int row = 0;
    row += song.Bass(row, kPluck, vPluck, intro, kBar, "R:4 5:4 8:4 5:4", 50);
    row += song.Bass(row, kPluck, vPluck, verse + " " + chorus + " " + interlude + " " + verse + " " + chorus,
                     kBar, "R:2 5:2 8:2 5:2 3:2 5:2 8:2 5:2", 50);
    row += song.Bass(row, kPluck, vPluck, outro, kBar, "R:4 5:4 8:4 5:4", 50);
    Expect(row, 44, "chinese zither");
    Expect(song.Bass(0, kBass, vBass, all, kBar, "R:12 5:4", 38), 44, "chinese bass");

    Expect(song.Melody(song.Bar(4), kFlute, vFlute, melodyA), 8, "chinese A");
    Expect(song.Melody(song.Bar(12), kFlute, vFlute, melodyB), 8, "chinese B");
    Expect(song.Melody(song.Bar(23), kFlute, vFlute, melodyA), 8, "chinese A again");
    Expect(song.Melody(song.Bar(31), kFlute, vFlute, melodyB), 8, "chinese B again");
    Expect(song.Melody(song.Bar(39), kFlute, vFlute, "a5:8~ f#5:8 e5:8 d5:8 b4:8 d5:8 ^e5:16~ d5:16>"), 5,
           "chinese outro");

    song.Drums(0, "g..............." + Repeat("....w.......w...", 3), kit);
    song.Drums(song.Bar(4), "g" + perc.substr(1) + Repeat(perc, 6) + percFill, kit);
    song.Drums(song.Bar(12), "g" + perc.substr(1) + Repeat(perc, 6) + percFill, kit);
    song.Drums(song.Bar(20), Repeat("w.w.w...w.w.W...", 3), kit);
    song.Drums(song.Bar(23), "g" + perc.substr(1) + Repeat(perc, 6) + percFill, kit);
    song.Drums(song.Bar(31), "g" + perc.substr(1) + Repeat(perc, 6) + percFill, kit);
    song.Drums(song.Bar(39), "g" + perc.substr(1) + Repeat(perc, 3) + "g...............", kit);

    // The interlude is three bars long: its pattern ends early with a break.
    song.ShortBlock(song.Bar(20), 3 * kBar);
    song.ShortBlock(song.Bar(43), kBar);
    // A gentle ritardando over the last two bars.
    song.Fx(song.Bar(42), kBass, kFxSpeed, 90);
    song.Fx(song.Bar(42) + 8, kBass, kFxSpeed, 80);
    song.Fx(song.Bar(43), kBass, kFxSpeed, 70);
    return song.Build("Chinese", 6, 100);
}

TModule ComposeCriminal()
{
    TSong song(4);
    TToneSpec lead;
    lead.CycleLength = 32;
    lead.Cycles = 160;
    lead.Bright = SawHarmonics(12);
    lead.Dark = SawHarmonics(5);
    lead.AttackCycles = 4;
    lead.DecayCycles = 90;
    lead.Sustain = 0.7;
    lead.BrightDecayCycles = 30;
    const TVoice vLead = song.AddInstrument(MakeTone("muted horn", 44, lead), LowestFor(32));

    TToneSpec bass;
    bass.CycleLength = 256;
    bass.Cycles = 56;
    bass.Bright = SawHarmonics(24);
    bass.Dark = TriangleHarmonics(9);
    bass.DecayCycles = 9;
    bass.Sustain = 0.3;
    bass.BrightDecayCycles = 3;
    bass.Peak = 120;
    const TVoice vBass = song.AddInstrument(MakeTone("upright", 60, bass), LowestFor(256));

    TToneSpec keys;
    keys.CycleLength = 64;
    keys.Cycles = 96;
    keys.Bright = {1.0, 0.5, 0.2, 0.25, 0.08, 0.1};
    keys.Dark = {1.0, 0.2, 0.05};
    keys.DecayCycles = 40;
    keys.Sustain = 0.35;
    keys.BrightDecayCycles = 12;
    const TVoice vKeys = song.AddInstrument(MakeTone("keys", 30, keys), LowestFor(64));

    const TVoice vKick = song.AddInstrument(MakeKick("kick", 56, 120, 45, 0.32), kDrumLowest);
    const TVoice vBrush = song.AddInstrument(MakeSnare("brush", 34, 170, 0.28, 31), kDrumLowest);
    const TVoice vHat = song.AddInstrument(MakeHat("hat", 24, 0.07, 32), kDrumLowest);
    const TVoice vRim = song.AddInstrument(MakeWoodBlock("rim", 34, 1750), kDrumLowest);
    const TVoice vRide = song.AddInstrument(MakeCrash("ride", 26, 0.9, 33), kDrumLowest);

    enum { kLead, kBass, kKeys, kDrums };
    const std::map<char, TDrumHit> kit = {
        {'k', {kDrums, vKick, 60, -1}}, {'s', {kDrums, vBrush, 60, -1}}, {'h', {kDrums, vHat, 60, -1}},
        {'r', {kDrums, vRim, 60, -1}},  {'c', {kDrums, vRide, 60, -1}},
    };

    const std::string intro = "Am AmM7 Am7 D7", verse = "Am AmM7 Am7 D7 F E7 Am E7",
                      chorus = "Dm Am Dm E7 Dm Am F E7", breakdown = "Am Am F E7", outro = "Am F E7 Am";
    const std::string melodyA = "e5:3 r:1 e5:2 a5:2 c6:4 b5:4 | g#5:12~ r:4 | g5:2 a5:2 g5:2 e5:2 c5:4 d5:4 |"
                                "^f#5:12~ r:4 | a5:3 r:1 a5:2 c6:2 f6:4 e6:4 | d6:4 c6:2 b5:2 g#5:8~ |"
                                "a5:2 c6:2 e6:4 d6:2 c6:2 b5:4 | g#5:8\\ e5:4 r:4";
    const std::string melodyB = "f5:4 a5:4 d6:6~ r:2 | c6:4 b5:2 a5:2 e5:8~ | f5:2 g5:2 a5:2 d6:2 c6:4 a5:4 |"
                                "b5:12~\\ r:4 | d6:4 f6:4 e6:2 d6:2 c6:4 | e6:8~ c6:4 a5:4 |"
                                "a5:4 c6:2 a5:2 f5:4 d5:4 | g#5:4 b5:4 /e6:8~";
    const std::string bassA = "a2:6 a2:2 e3:4 a2:4 | g#2:6 g#2:2 e3:4 g#2:4 | g2:6 g2:2 e3:4 g2:4 |"
                              "f#2:6 f#2:2 d3:4 f#2:4 | f2:6 f2:2 c3:4 f2:4 | e2:6 e2:2 b2:4 g#2:4 |"
                              "a2:6 a2:2 e3:4 c3:4 | e2:4 e3:4 d3:4 b2:4";
    const std::string drums = "k.h.r.hhk.h.r.h.", fill = "k.h.r.hhk.rrr.rr";

    const std::string all = intro + " " + verse + " " + verse + " " + chorus + " " + breakdown + " " + verse +
                            " " + chorus + " " + outro;
    Expect(song.Arpeggio(0, kKeys, vKeys, all, kBar, 57, 8, -1), 52, "criminal chords");

    int row = 0;
    row += song.Melody(row, kBass, vBass, bassA.substr(0, bassA.find("f2:6") - 2));
    row += song.Melody(row, kBass, vBass, bassA);
    row += song.Melody(row, kBass, vBass, bassA);
    row += song.Bass(row, kBass, vBass, chorus, kBar, "R:6 R:2 5:4 8:4", 38);
    row +=
        song.Melody(row, kBass, vBass,
                    "a2:4 c3:4 e3:4 g3:4 | a3:4 g3:4 e3:4 c3:4 | f2:4 a2:4 c3:4 e3:4 | e2:4 g#2:4 b2:4 d3:4");
    row += song.Melody(row, kBass, vBass, bassA);
    row += song.Bass(row, kBass, vBass, chorus, kBar, "R:6 R:2 5:4 8:4", 38);
    row += song.Melody(row, kBass, vBass,
                       "a2:6 a2:2 e3:4 a2:4 | f2:6 f2:2 c3:4 f2:4 | e2:6 e2:2 b2:4 g#2:4 | a2:16>");
    Expect(row, 52, "criminal bass");

    Expect(song.Melody(song.Bar(4), kLead, vLead, melodyA), 8, "criminal A");
    Expect(song.Melody(song.Bar(12), kLead, vLead, melodyA), 8, "criminal A again");
    Expect(song.Melody(song.Bar(20), kLead, vLead, melodyB), 8, "criminal B");
    Expect(song.Melody(song.Bar(32), kLead, vLead, melodyA), 8, "criminal A last");
    Expect(song.Melody(song.Bar(40), kLead, vLead, melodyB), 8, "criminal B last");
    Expect(song.Melody(song.Bar(48), kLead, vLead, "e5:4 a5:4 c6:8~ a5:4 f5:4 c5:8~ b4:4 d5:4 g#5:8~ a5:16>"),
           4, "criminal outro");

    song.Drums(0, Repeat("k...r...k...r...", 3) + fill, kit);
    for (int bar : {4, 12, 20, 32, 40})
        song.Drums(song.Bar(bar), "c" + drums.substr(1) + Repeat(drums, 6) + fill, kit);
    song.Drums(song.Bar(28), Repeat(drums, 3) + fill, kit);
    song.Drums(song.Bar(48), "c" + drums.substr(1) + Repeat(drums, 2) + "c...............", kit);

    // Swing: rows alternate between seven and five ticks.
    for (int r = 1; r < song.Rows(); ++r)
        song.Fx(r, kDrums, kFxSpeed, r % 2 ? 5 : 7);
    return song.Build("Criminal", 7, 110);
}

TModule ComposeMattiasa()
{
    TSong song(4);
    const TVoice vBell = song.AddInstrument(MakeBell("bell", 50, 32, 1.3), LowestFor(32));
    TToneSpec pulse;
    pulse.CycleLength = 32;
    pulse.Cycles = 128;
    pulse.Bright = PulseHarmonics(12, 0.125);
    pulse.Dark = PulseHarmonics(6, 0.2);
    pulse.AttackCycles = 1;
    pulse.DecayCycles = 50;
    pulse.Sustain = 0.55;
    pulse.BrightDecayCycles = 40;
    const TVoice vPulse = song.AddInstrument(MakeTone("pulse", 40, pulse), LowestFor(32));

    TToneSpec bass;
    bass.CycleLength = 256;
    bass.Cycles = 40;
    bass.Bright = SquareHarmonics(21);
    bass.Dark = SquareHarmonics(5);
    bass.DecayCycles = 8;
    bass.Sustain = 0.35;
    bass.BrightDecayCycles = 5;
    bass.Peak = 112;
    const TVoice vBass = song.AddInstrument(MakeTone("bouncy bass", 54, bass), LowestFor(256));

    TToneSpec arp;
    arp.CycleLength = 64;
    arp.Cycles = 64;
    arp.Bright = PulseHarmonics(10, 0.25);
    arp.Dark = PulseHarmonics(4, 0.25);
    arp.DecayCycles = 30;
    arp.Sustain = 0.5;
    arp.BrightDecayCycles = 16;
    const TVoice vArp = song.AddInstrument(MakeTone("chip arp", 24, arp), LowestFor(64));

    const TVoice vKick = song.AddInstrument(MakeKick("kick", 58, 180, 55, 0.28), kDrumLowest);
    const TVoice vSnare = song.AddInstrument(MakeSnare("snare", 44, 220, 0.16, 41), kDrumLowest);
    const TVoice vHat = song.AddInstrument(MakeHat("hat", 26, 0.05, 42), kDrumLowest);
    const TVoice vClap = song.AddInstrument(MakeClap("clap", 42, 43), kDrumLowest);
    const TVoice vTom = song.AddInstrument(MakeKick("tom", 48, 260, 150, 0.25), kDrumLowest);
    const TVoice vCrash = song.AddInstrument(MakeCrash("crash", 30, 1.0, 44), kDrumLowest);

    enum { kLead, kBass, kArp, kDrums };
    const std::map<char, TDrumHit> kit = {
        {'k', {kDrums, vKick, 60, -1}},  {'s', {kDrums, vSnare, 60, -1}}, {'h', {kDrums, vHat, 60, -1}},
        {'x', {kDrums, vClap, 60, -1}},  {'t', {kDrums, vTom, 64, -1}},   {'T', {kDrums, vTom, 60, -1}},
        {'c', {kDrums, vCrash, 60, -1}},
    };

    const std::string intro = "C Am F G", verse = "C Am F G C Am Dm G", chorus = "F G Em Am F G C C",
                      bridge = "Am F C G Am F Dm G", outro = "F G C C";
    const std::string melodyA = "e5:2 g5:2 c6:2 g5:2 e5:2 g5:2 c6:4 | c6:2 b5:2 a5:2 e5:2 a5:4 c6:4 |"
                                "a5:2 c6:2 f6:4 e6:2 d6:2 c6:4 | d6:6 b5:2 g5:8 |"
                                "e5:2 g5:2 c6:2 g5:2 e5:2 g5:2 c6:4 | e6:2 d6:2 c6:2 a5:2 c6:4 e6:4 |"
                                "f6:4 e6:2 d6:2 a5:4 d6:4 | b5:4 c6:2 d6:2 g5:8";
    const std::string melodyB = "a5:4 a5:2 g5:2 a5:4 c6:4 | b5:4 b5:2 a5:2 b5:4 d6:4 |"
                                "g5:2 b5:2 e6:4 d6:2 b5:2 g5:4 | a5:12~ r:4 | c6:4 a5:2 c6:2 f6:4 e6:4 |"
                                "d6:4 b5:2 d6:2 g6:4 f6:4 | e6:2 d6:2 c6:2 g5:2 e5:2 g5:2 c6:4 | c6:8~ r:8";
    const std::string melodyBridge = "a5:2 c6:2 e6:2 c6:2 a5:2 c6:2 e6:4 | f6:2 e6:2 c6:2 a5:2 f5:4 a5:4 |"
                                     "g5:2 c6:2 e6:2 g6:2 e6:4 c6:4 | d6:6~ b5:2 g5:8~ |"
                                     "a5:2 c6:2 e6:2 a6:2 g6:2 e6:2 c6:4 | f6:4 e6:2 d6:2 c6:4 a5:4 |"
                                     "d6:4 f6:4 a6:4 f6:4 | g6:8~ f6:2 d6:2 b5:4";
    const std::string beat = "k.h.s.h.k.khs.h.", clap = "k.h.x.h.k.khx.hh", fill = "k.h.s.h.k.s.sstT";

    const std::string all = intro + " " + verse + " " + verse + " " + chorus + " " + verse + " " + chorus +
                            " " + bridge + " " + verse + " " + outro;
    Expect(song.Arpeggio(0, kArp, vArp, all, kBar, 55, 4, -1), 64, "mattiasa chords");
    int row = song.Bass(0, kBass, vBass, intro, kBar, "R:4 r:4 R:4 5:4", 36);
    row += song.Bass(row, kBass, vBass,
                     verse + " " + verse + " " + chorus + " " + verse + " " + chorus + " " + bridge + " " +
                         verse,
                     kBar, "R:2 8:2 R:2 8:2 R:2 8:2 5:2 8:2", 36);
    row += song.Bass(row, kBass, vBass, "F G C", kBar, "R:2 8:2 R:2 8:2 R:2 8:2 5:2 8:2", 36);
    row += song.Bass(row, kBass, vBass, "C", kBar, "R:16>", 36);
    Expect(row, 64, "mattiasa bass");

    Expect(song.Melody(song.Bar(4), kLead, vBell, melodyA), 8, "mattiasa A");
    Expect(song.Melody(song.Bar(12), kLead, vPulse, melodyA), 8, "mattiasa A pulse");
    Expect(song.Melody(song.Bar(20), kLead, vPulse, melodyB), 8, "mattiasa B");
    Expect(song.Melody(song.Bar(28), kLead, vBell, melodyA), 8, "mattiasa A again");
    Expect(song.Melody(song.Bar(36), kLead, vPulse, melodyB), 8, "mattiasa B again");
    Expect(song.Melody(song.Bar(44), kLead, vBell, melodyBridge), 8, "mattiasa bridge");
    Expect(song.Melody(song.Bar(52), kLead, vPulse, melodyA), 8, "mattiasa A last");
    Expect(
        song.Melody(song.Bar(60), kLead, vBell, "a5:4 c6:4 f6:8 d6:4 b5:4 g5:4 b5:4 e6:4 d6:4 c6:8~ c6:16>"),
        4, "mattiasa outro");

    song.Drums(0, Repeat("k...s...k...s...", 3) + fill, kit);
    for (int bar : {4, 12, 28, 52})
        song.Drums(song.Bar(bar), "c" + beat.substr(1) + Repeat(beat, 6) + fill, kit);
    for (int bar : {20, 36})
        song.Drums(song.Bar(bar), "c" + clap.substr(1) + Repeat(clap, 6) + fill, kit);
    song.Drums(song.Bar(44), "c" + beat.substr(1) + Repeat(beat, 2) + fill + Repeat(clap, 3) + fill, kit);
    song.Drums(song.Bar(60), "c" + beat.substr(1) + Repeat(beat, 1) + fill + "c...............", kit);

    // The intro plays its first two bars twice (pattern loop on the silent lead).
    song.Fx(0, kLead, kFxExtended, kExPatternLoop | 0);
    song.Fx(2 * kBar - 1, kLead, kFxExtended, kExPatternLoop | 1);
    return song.Build("Mattiasa", 6, 150);
}

} // namespace MakeMusic
