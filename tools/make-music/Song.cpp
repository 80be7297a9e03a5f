#include "tools/make-music/Song.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace MakeMusic {

namespace {

constexpr int kMixLevelPercent = 70;

constexpr int kPeriods[kColumns] = {
    1712, 1616, 1525, 1440, 1357, 1281, 1209, 1141, 1077, 1017, 961, 907, 856, 808, 762, 720, 678,
    640,  604,  570,  538,  508,  480,  453,  428,  404,  381,  360, 339, 320, 302, 285, 269, 254,
    240,  226,  214,  202,  190,  180,  170,  160,  151,  143,  135, 127, 120, 113, 107, 101, 95,
    90,   85,   80,   76,   71,   67,   64,   60,   57,   53,   50,  47,  45,  42,  40,  37,  35,
    33,   31,   30,   28,   26,   25,   23,   22,   20,   19,   18,  17,  16,  15,  14,  13};

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "make-music: %s\n", what.c_str());
    std::exit(1);
}

int PitchClass(char letter)
{
    switch (letter) {
    case 'c':
        return 0;
    case 'd':
        return 2;
    case 'e':
        return 4;
    case 'f':
        return 5;
    case 'g':
        return 7;
    case 'a':
        return 9;
    case 'b':
        return 11;
    default:
        return -1;
    }
}

// "c#5" gives 73; octave 4 holds middle C (60). Returns -1 when it is no pitch.
int ParsePitch(const std::string& text)
{
    if (text.empty())
        return -1;
    int pc = PitchClass(char(std::tolower(static_cast<unsigned char>(text[0]))));
    if (pc < 0)
        return -1;
    size_t i = 1;
    if (i < text.size() && text[i] == '#') {
        ++pc;
        ++i;
    } else if (i < text.size() && text[i] == 'b') {
        --pc;
        ++i;
    }
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return -1;
    return 12 * (std::atoi(text.c_str() + i) + 1) + pc;
}

struct TToken {
    char Mode = 0; // 0, '^' grace or '/' glide
    std::string Pitch;
    int Rows = 0;
    bool Vibrato = false, Fall = false, Fade = false;
};

std::vector<TToken> ParseTokens(const std::string& text)
{
    std::vector<TToken> tokens;
    std::string spaced = text;
    std::replace(spaced.begin(), spaced.end(), '|', ' '); // bar lines are for the reader
    std::istringstream in(spaced);
    std::string word;
    while (in >> word) {
        TToken t;
        size_t i = 0;
        if (word[0] == '^' || word[0] == '/')
            t.Mode = word[i++];
        const size_t colon = word.find(':');
        if (colon == std::string::npos)
            Fail("token without length: " + word);
        t.Pitch = word.substr(i, colon - i);
        size_t end = colon + 1;
        while (end < word.size() && std::isdigit(static_cast<unsigned char>(word[end])))
            ++end;
        t.Rows = std::atoi(word.c_str() + colon + 1);
        if (t.Rows <= 0)
            Fail("bad length: " + word);
        for (; end < word.size(); ++end) {
            if (word[end] == '~')
                t.Vibrato = true;
            else if (word[end] == '\\')
                t.Fall = true;
            else if (word[end] == '>')
                t.Fade = true;
            else
                Fail("bad suffix: " + word);
        }
        tokens.push_back(t);
    }
    return tokens;
}

int Near(int pitchClass, int lowest)
{
    return lowest + ((pitchClass - lowest) % 12 + 12) % 12;
}

int ArpeggioParam(const TChord& c)
{
    const int x = std::min(c.Intervals[1], 15);
    const int y = std::min(c.Intervals.size() > 3 ? c.Intervals[3] : c.Intervals[2], 15);
    return (x << 4) | y;
}

// Ticks of one tick length at `rate` Hz for tempo value `tempo` (BPM * 2 / 5).
long long TickLength(int rate, int tempo)
{
    return ((static_cast<long long>(rate) << 16) / (static_cast<long long>(256) * tempo)) >> 8;
}

} // namespace

int PeriodOfColumn(int column)
{
    return kPeriods[std::clamp(column, 0, kColumns - 1)];
}

std::vector<TChord> ParseChords(const std::string& text)
{
    std::vector<TChord> chords;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        TChord c;
        const size_t colon = word.find(':');
        if (colon != std::string::npos) {
            c.Rows = std::atoi(word.c_str() + colon + 1);
            word = word.substr(0, colon);
        }
        int pc = PitchClass(char(std::tolower(static_cast<unsigned char>(word[0]))));
        if (pc < 0)
            Fail("bad chord: " + word);
        size_t i = 1;
        if (i < word.size() && word[i] == '#') {
            ++pc;
            ++i;
        } else if (i < word.size() && word[i] == 'b') {
            --pc;
            ++i;
        }
        c.Root = (pc + 12) % 12;
        const std::string q = word.substr(i);
        static const std::map<std::string, std::vector<int>> kQualities = {
            {"", {0, 4, 7}},         {"m", {0, 3, 7}},    {"7", {0, 4, 7, 10}},   {"m7", {0, 3, 7, 10}},
            {"maj7", {0, 4, 7, 11}}, {"sus4", {0, 5, 7}}, {"mM7", {0, 3, 7, 11}}, {"m6", {0, 3, 7, 9}},
            {"dim", {0, 3, 6}},      {"aug", {0, 4, 8}},  {"sus2", {0, 2, 7}},    {"add9", {0, 4, 7, 14}},
        };
        auto it = kQualities.find(q);
        if (it == kQualities.end())
            Fail("bad chord quality: " + word);
        c.Intervals = it->second;
        chords.push_back(c);
    }
    return chords;
}

TSong::TSong(int channels, int rowsPerBar) : Channels(channels), RowsPerBar(rowsPerBar) {}

TVoice TSong::AddInstrument(TInstrument instrument, int lowestNote)
{
    Instruments.push_back(std::move(instrument));
    return TVoice{int(Instruments.size()), lowestNote};
}

TCell& TSong::At(int row, int channel)
{
    if (row < 0 || channel < 0 || channel >= Channels)
        Fail("cell outside the song");
    if (size_t(row) >= Timeline.size())
        Timeline.resize(size_t(row) + 1, std::vector<TCell>(size_t(Channels)));
    return Timeline[size_t(row)][size_t(channel)];
}

void TSong::Note(int row, int channel, TVoice voice, int midi)
{
    const int column = midi - voice.LowestNote;
    if (column < 0 || column >= kColumns)
        Fail("note " + std::to_string(midi) + " outside the range of instrument " +
             std::to_string(voice.Instrument));
    TCell& c = At(row, channel);
    c.Instrument = voice.Instrument;
    c.Period = kPeriods[column];
}

void TSong::Fx(int row, int channel, int effect, int param)
{
    TCell& c = At(row, channel);
    c.Effect = effect;
    c.Param = param;
}

int TSong::Melody(int row, int channel, TVoice voice, const std::string& text, const TMelodyStyle& style)
{
    const int start = row;
    int previous = -1;
    for (const TToken& t : ParseTokens(text)) {
        if (t.Pitch == "r") {
            Fx(row, channel, kFxVolumeSlide, style.Release);
            row += t.Rows;
            continue;
        }
        const int midi = ParsePitch(t.Pitch);
        if (midi < 0)
            Fail("bad pitch: " + t.Pitch);
        const int period = kPeriods[std::clamp(midi - voice.LowestNote, 0, kColumns - 1)];
        int first = row + 1; // first row free for vibrato and fades
        if (t.Mode == '^' && t.Rows >= 2) {
            Note(row, channel, voice, midi - 2);
            Fx(row, channel, 0, 0);
            const int low = kPeriods[std::clamp(midi - 2 - voice.LowestNote, 0, kColumns - 1)];
            TCell& glide = At(row + 1, channel);
            glide.Period = period;
            Fx(row + 1, channel, kFxTonePorta, std::clamp((low - period) / 4 + 1, 1, 255));
            first = row + 2;
        } else if (t.Mode == '/' && previous >= 0) {
            const int from = kPeriods[std::clamp(previous - voice.LowestNote, 0, kColumns - 1)];
            TCell& glide = At(row, channel);
            glide.Period = period;
            Fx(row, channel, kFxTonePorta, std::clamp(std::abs(from - period) / 6 + 1, 1, 255));
            for (int r = row + 1; r < row + std::min(t.Rows, 3); ++r)
                Fx(r, channel, kFxTonePorta, 0);
            first = row + std::min(t.Rows, 3);
        } else {
            Note(row, channel, voice, midi);
            Fx(row, channel, 0, 0); // a release left by an earlier phrase must not fade this note
            if (style.AttackVolume >= 0)
                Fx(row, channel, kFxSetVolume, style.AttackVolume);
        }
        const int end = row + t.Rows;
        const int fallFrom = t.Fall && t.Rows >= 4 ? end - 2 : end;
        if (t.Vibrato) {
            bool begun = false;
            for (int r = std::max(first, row + style.VibratoDelay); r < fallFrom; ++r) {
                Fx(r, channel, kFxVibrato, begun ? 0 : style.VibratoParam);
                begun = true;
            }
        } else if (t.Fade) {
            for (int r = first; r < fallFrom; ++r)
                Fx(r, channel, kFxVolumeSlide, t.Rows > 6 ? 0x01 : 0x02);
        }
        for (int r = fallFrom; r < end; ++r)
            Fx(r, channel, kFxSlideDown, style.FallParam);
        previous = midi;
        row = end;
    }
    At(row - 1, channel); // the song reaches at least to the last row written
    // The phrase ends: its last note is released unless something follows at once.
    if (size_t(row) < Timeline.size()) {
        const TCell& after = At(row, channel);
        if (!after.Period && !after.Instrument && !after.Effect && !after.Param)
            Fx(row, channel, kFxVolumeSlide, style.Release);
    }
    return row - start;
}

int TSong::Arpeggio(int row, int channel, TVoice voice, const std::string& chords, int rowsPerChord,
                    int lowest, int strike, int volume)
{
    const int start = row;
    for (const TChord& c : ParseChords(chords)) {
        const int rows = c.Rows ? c.Rows : rowsPerChord;
        const int root = Near(c.Root, lowest);
        for (int r = 0; r < rows; ++r) {
            if (r == 0 || (strike && r % strike == 0)) {
                Note(row + r, channel, voice, root);
                if (volume >= 0 && r == 0) {
                    Fx(row + r, channel, kFxSetVolume, volume);
                    continue;
                }
            }
            Fx(row + r, channel, kFxArpeggio, ArpeggioParam(c));
        }
        row += rows;
    }
    return row - start;
}

int TSong::Hold(int row, int channel, TVoice voice, const std::string& chords, int rowsPerChord, int degree,
                int lowest, int volume)
{
    const int start = row;
    int held = -1;
    for (const TChord& c : ParseChords(chords)) {
        const int rows = c.Rows ? c.Rows : rowsPerChord;
        const int interval = size_t(degree) < c.Intervals.size() ? c.Intervals[size_t(degree)] : 12;
        const int midi = Near((c.Root + interval) % 12, lowest);
        if (midi != held) {
            Note(row, channel, voice, midi);
            if (volume >= 0)
                Fx(row, channel, kFxSetVolume, volume);
            held = midi;
        }
        row += rows;
    }
    At(row - 1, channel);
    return row - start;
}

int TSong::Bass(int row, int channel, TVoice voice, const std::string& chords, int rowsPerChord,
                const std::string& figure, int lowest)
{
    const int start = row;
    const std::vector<TToken> tokens = ParseTokens(figure);
    for (const TChord& c : ParseChords(chords)) {
        const int rows = c.Rows ? c.Rows : rowsPerChord;
        const int root = Near(c.Root, lowest);
        int r = 0;
        for (size_t i = 0; r < rows; i = (i + 1) % tokens.size()) {
            const TToken& t = tokens[i];
            const std::string& p = t.Pitch;
            int midi = -1;
            if (p == "R")
                midi = root;
            else if (p == "3")
                midi = root + c.Intervals[1];
            else if (p == "5")
                midi = root + c.Intervals[2];
            else if (p == "7")
                midi = root + (c.Intervals.size() > 3 ? c.Intervals[3] : 10);
            else if (p == "8")
                midi = root + 12;
            else if (p == "L")
                midi = root + c.Intervals[2] - 12;
            else if (p != "r")
                midi = ParsePitch(p);
            if (p == "r") {
                Fx(row + r, channel, kFxVolumeSlide, 0x06);
            } else {
                if (midi < 0)
                    Fail("bad bass token: " + p);
                Note(row + r, channel, voice, midi);
                if (t.Fade)
                    for (int k = 1; k < t.Rows && r + k < rows; ++k)
                        Fx(row + r + k, channel, kFxVolumeSlide, 0x02);
            }
            r += t.Rows;
        }
        row += rows;
    }
    At(row - 1, channel);
    return row - start;
}

int TSong::Drums(int row, const std::string& pattern, const std::map<char, TDrumHit>& kit)
{
    const int start = row;
    for (char ch : pattern) {
        if (ch == '|' || ch == ' ')
            continue;
        if (ch != '.') {
            auto it = kit.find(ch);
            if (it == kit.end())
                Fail(std::string("no drum for ") + ch);
            Note(row, it->second.Channel, it->second.Voice, it->second.Note);
            if (it->second.Volume >= 0)
                Fx(row, it->second.Channel, kFxSetVolume, it->second.Volume);
        }
        ++row;
    }
    At(row - 1, 0);
    return row - start;
}

void TSong::Echo(int fromChannel, int toChannel, int from, int to, int delay, int volume)
{
    for (int r = from; r < to && size_t(r) < Timeline.size(); ++r) {
        const TCell src = At(r, fromChannel);
        if (!src.Period && !src.Instrument && !src.Effect && !src.Param)
            continue;
        TCell& dst = At(r + delay, toChannel);
        dst = src;
        if (src.Instrument && src.Effect != kFxTonePorta) {
            dst.Effect = kFxSetVolume;
            dst.Param = volume;
        }
    }
}

TModule TSong::Build(const std::string& title, int speed, int bpm)
{
    auto freeSlot = [&](int row) {
        for (int ch = Channels - 1; ch >= 0; --ch) {
            const TCell& c = At(row, ch);
            if (!c.Effect && !c.Param)
                return ch;
        }
        Fail("no free effect slot on row " + std::to_string(row));
    };
    Fx(0, freeSlot(0), kFxSpeed, speed);
    Fx(0, freeSlot(0), kFxSpeed, bpm);

    // The whole tune is mixed down a little, so that the sound effects
    // (which the mixer adds at half scale) sit level with it.
    auto mixed = [](int volume) { return (volume * kMixLevelPercent + 50) / 100; };
    for (auto& row : Timeline)
        for (TCell& c : row)
            if (c.Effect == kFxSetVolume)
                c.Param = mixed(c.Param);
    TModule m;
    m.Title = title;
    m.Channels = Channels;
    m.Instruments = Instruments;
    for (TInstrument& ins : m.Instruments)
        ins.Volume = mixed(ins.Volume);
    const int total = int(Timeline.size());
    for (int start = 0; start < total;) {
        auto shortBlock = ShortBlocks.find(start);
        const int rows = shortBlock != ShortBlocks.end() ? shortBlock->second : kRowsPerPattern;
        if (rows < kRowsPerPattern)
            Fx(start + rows - 1, freeSlot(start + rows - 1), kFxPatternBreak, 0);
        TPattern p;
        p.Cells.resize(size_t(kRowsPerPattern * Channels));
        for (int r = 0; r < rows; ++r)
            for (int ch = 0; ch < Channels; ++ch)
                p.Cells[size_t(r * Channels + ch)] = At(start + r, ch);
        auto same = std::find(m.Patterns.begin(), m.Patterns.end(), p);
        if (same == m.Patterns.end()) {
            m.Order.push_back(int(m.Patterns.size()));
            m.Patterns.push_back(std::move(p));
        } else {
            m.Order.push_back(int(same - m.Patterns.begin()));
        }
        start += rows;
    }
    return m;
}

long long PlayFrames(const TModule& m, int rate)
{
    int speed = 6, tempo = 50;
    long long frames = 0;
    size_t order = 0;
    int row = 0;
    std::vector<int> loopState(size_t(m.Channels), 0), loopRow(size_t(m.Channels), 0);
    while (order < m.Order.size()) {
        const TPattern& p = m.Patterns[size_t(m.Order[order])];
        int jumpOrder = -1, jumpRow = 0, delay = 0;
        for (int ch = 0; ch < m.Channels; ++ch) {
            const TCell& c = p.Cells[size_t(row * m.Channels + ch)];
            const int x = c.Param >> 4, y = c.Param & 15;
            if (c.Effect == kFxSpeed && c.Param > 32)
                tempo = c.Param * 2 / 5;
            else if (c.Effect == kFxSpeed && c.Param)
                speed = c.Param;
            else if (c.Effect == kFxPatternBreak)
                jumpOrder = int(order) + 1, jumpRow = x * 10 + y;
            else if (c.Effect == 0xB)
                jumpOrder = c.Param <= int(order) ? int(m.Order.size()) : c.Param, jumpRow = 0;
            else if (c.Effect == kFxExtended && x == 14)
                delay = y;
            else if (c.Effect == kFxExtended && x == 6) {
                int& state = loopState[size_t(ch)];
                int n;
                if (state & 0xF0) {
                    if (!y)
                        continue;
                    n = (state & 15) - 1;
                } else {
                    if (!y) {
                        loopRow[size_t(ch)] = row;
                        continue;
                    }
                    n = y;
                }
                if (!n) {
                    state = 0;
                } else {
                    jumpOrder = int(order), jumpRow = loopRow[size_t(ch)];
                    state = 0xF0 | n;
                }
            }
        }
        frames += (speed * (TickLength(rate, tempo) + 1) + 1) * (1 + delay);
        if (jumpOrder >= 0) {
            order = size_t(jumpOrder);
            row = jumpRow;
        } else if (++row == kRowsPerPattern) {
            row = 0;
            ++order;
        }
    }
    return frames;
}

} // namespace MakeMusic
