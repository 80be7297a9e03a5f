#include "sound/hssMusicChannel.h"

#include "sound/hssPeriodTables.h"
#include "sound/hssSpeaker.h"

namespace {

constexpr uint32_t kTempoReference = 44100;
constexpr uint32_t kStartTempo = 50; // 125 BPM * 2 / 5
constexpr uint32_t kStartSpeed = 6;
constexpr uint32_t kNoRestart = 127;
constexpr int32_t kMinSlidePeriod = 13;

uint32_t Be16(const uint8_t* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}

} // namespace

hssMusicChannel::hssMusicChannel()
{
    for (uint32_t c = 0; c < kHssModMaxChannels; ++c) {
        VibSpeed[c] = 9;
        VibDepth[c] = 2;
    }
}

void hssMusicChannel::SetVolume(uint32_t v)
{
    Volume = v < 64 ? v : 64;
    const uint32_t master = Speaker != nullptr ? Speaker->MusicMaster : 64;
    EffVolume = master * Volume >> 6;
    for (uint32_t c = 0; c < kHssModMaxChannels; ++c)
        UpdateEffVol(c);
}

void hssMusicChannel::SetPan(uint32_t s)
{
    Pan = s < 255 ? s : 255;
    const uint32_t d = ((255 - Pan) * 64) >> 8;
    for (uint32_t c = 0; c + 1 < kHssModMaxChannels; c += 2) {
        ChPan[c] = 64 + d;
        ChPan[c + 1] = 192 - d;
    }
}

uint32_t hssMusicChannel::SetPosition(uint32_t v)
{
    if ((v >> 6) + 1 > SongLength)
        return (v >> 6) + 1;
    if (Speaker != nullptr)
        Speaker->LockDriver();
    Order = v >> 6;
    Pattern = OrderAt(Order);
    RowPos = (v & 63) * Channels;
    SongEnded = 0;
    if (Speaker != nullptr)
        Speaker->UnlockDriver();
    return 0;
}

uint32_t hssMusicChannel::GetPosition()
{
    return Channels == 0 ? 0 : RowPos / Channels + Order * 64;
}

uint32_t hssMusicChannel::GetLength()
{
    return SongLength * 64;
}

void hssMusicChannel::Setup(const hssMusic& music)
{
    Module = music.Data;
    Patterns = music.Data + kHssModPatterns;
    Channels = music.ChannelCount();
    SongLength = music.SongLength();
    PatternCount = music.StoredPatterns();

    const uint64_t dataStart =
        kHssModPatterns + uint64_t(PatternCount) * Channels * kHssModRows * kHssModCellBytes;
    InstrData[0] = nullptr;
    InstrFinetune[0] = 0;
    InstrEnd[0] = InstrLoopStart[0] = InstrLoopLen[0] = 0;
    InstrVolume[0] = 0;
    uint64_t offset = 0;
    for (uint32_t i = 1; i <= kHssModInstruments; ++i) {
        const uint8_t* header = Module + kHssModSampleHeaders + kHssModSampleHeaderBytes * (i - 1);
        const uint64_t words = Be16(header + 22);
        const uint64_t start = dataStart + offset;
        // Sample data that reaches past the end of the file is cut where the
        // file ends; an instrument with none of its data left is empty.
        const uint64_t present = start >= music.Size ? 0 : music.Size - start;
        const uint64_t bytes = words * 2 < present ? words * 2 : present;
        if (bytes == 0) {
            InstrData[i] = nullptr;
            InstrFinetune[i] = 0;
            InstrEnd[i] = InstrLoopStart[i] = InstrLoopLen[i] = 0;
            InstrVolume[i] = 0;
        } else {
            InstrEnd[i] = bytes << 16;
            InstrLoopStart[i] = uint64_t(Be16(header + 26)) << 17;
            const uint64_t loopWords = Be16(header + 28);
            InstrLoopLen[i] = loopWords > 1 ? loopWords << 17 : 0;
            InstrVolume[i] = header[25];
            // Finetune is a 4-bit value; the high bits would index past the
            // period table.
            InstrFinetune[i] = header[24] & 0x0F;
            InstrData[i] = reinterpret_cast<const int8_t*>(Module + start);
        }
        offset += words * 2;
    }

    SourceRate = music.SourceRate;
    PlayRate = music.TempoRate;
    Reserved = music.Reserved;
    Tempo = kStartTempo;
    Recalc = 1;
    TickCount = 0;
    Speed = kStartSpeed;
    RowTick = Speed;
    Order = 0;
    Pattern = OrderAt(0);
    RowPos = 0;
    const uint32_t restart = music.RestartPosition();
    Restart = restart != kNoRestart && restart < SongLength ? restart : 0;
    JumpOrder = kNoJump;
    JumpRow = kNoJump;
    PatternDelay = 0;
    SongEnded = 0;

    SetPan(music.Separation);
    for (uint32_t c = 0; c < kHssModMaxChannels; ++c) {
        Instr[c] = 0;
        ChPeriod[c] = 0;
        VibPos[c] = 0;
        SampleOffset[c] = 0;
        LoopState[c] = 0;
        LoopRow[c] = 0;
    }
    Loop = music.LoopFlag ? 1 : 0;
    SetVolume(music.Volume);
}

void hssMusicChannel::RecalcTickLen(uint32_t outputRate)
{
    const uint32_t perTempo = uint32_t((uint64_t(PlayRate) << 8) / kTempoReference);
    const int64_t divisor = int64_t(perTempo) * Tempo;
    // A tempo reference under 1/256 of 44100 would divide by zero.
    const int64_t ticks = divisor == 0 ? 0 : (int64_t(outputRate) << 16) / divisor;
    TickLen = uint32_t(ticks >> 8);
}

void hssMusicChannel::UpdateEffVol(uint32_t c)
{
    ChEffVol[c] = int32_t(uint32_t(ChVolume[c]) * EffVolume >> 6);
}

uint32_t hssMusicChannel::NoteOf(uint32_t period) const
{
    // Periods above the table take its longest note.
    return Speaker->NoteOfTable[period < kHssPeriodSlots ? period : kHssMaxPeriod];
}

uint32_t hssMusicChannel::StepOf(int32_t period) const
{
    // Slides, vibrato and delayed notes may leave 0 to 1712: keep inside.
    if (period < 0)
        period = 0;
    if (period > int32_t(kHssMaxPeriod))
        period = kHssMaxPeriod;
    return Speaker->StepTable[period];
}

int32_t hssMusicChannel::PeriodAt(uint32_t noteIdx, uint32_t notesUp)
{
    const uint32_t row = (noteIdx / kHssNotes) % kHssFinetunes;
    uint32_t column = noteIdx % kHssNotes + notesUp;
    // An arpeggio above the highest note stays on the highest note of its
    // finetune row rather than running into the next row.
    if (column >= kHssNotes)
        column = kHssNotes - 1;
    return kHssPeriods[row][column];
}

bool hssMusicChannel::ControlFrame(uint64_t frame)
{
    if (RowTick != Speed) {
        if (TickCount < TickLen) {
            ++TickCount;
        } else {
            ++RowTick;
            TickCount = 0;
            if (RowTick != Speed)
                for (uint32_t c = 0; c < Channels; ++c)
                    TickEffects(c);
        }
    } else if (PatternDelay > 0) {
        --PatternDelay;
        RowTick = 0;
    } else if (SongEnded) {
        Halt();
        HaltFrame = frame;
        return false;
    } else {
        ReadRow();
        if (JumpOrder == kNoJump) {
            RowPos += Channels;
            if (RowPos != kHssModRows * Channels) {
                RowTick = 0;
            } else {
                RowPos = 0;
                ++Order;
                if (Order < SongLength) {
                    Pattern = OrderAt(Order);
                } else if (Loop) {
                    Order = Restart;
                    Pattern = OrderAt(Order);
                } else {
                    SongEnded = 1;
                }
                RowTick = 0;
            }
        } else {
            if (JumpOrder < SongLength) {
                Order = JumpOrder;
                Pattern = OrderAt(Order);
                RowPos = JumpRow;
            } else {
                SongEnded = 1;
            }
            JumpOrder = kNoJump;
            RowTick = 0;
        }
    }
    return true;
}

uint32_t hssMusicChannel::Render(int32_t* left, int32_t* right, uint32_t frames, bool stereoOut, bool smooth,
                                 uint32_t outputRate, uint64_t frame)
{
    uint32_t done = 0;
    while (done < frames) {
        if (Recalc) {
            RecalcTickLen(outputRate);
            Recalc = 0;
        }
        // Frames that only count the tick on need no control step of their
        // own: they are mixed as one run.
        uint32_t run;
        if (RowTick != Speed && TickCount < TickLen) {
            run = TickLen - TickCount;
            if (run > frames - done)
                run = frames - done;
            TickCount += run;
        } else {
            if (!ControlFrame(frame + done))
                return done;
            run = 1;
        }
        for (uint32_t c = 0; c < Channels; ++c) {
            if (InstrData[Instr[c]] == nullptr)
                continue;
            if (smooth)
                MixRun<true>(c, left + done, right + done, run, stereoOut);
            else
                MixRun<false>(c, left + done, right + done, run, stereoOut);
        }
        done += run;
    }
    return done;
}

namespace {

// One frame of a module channel's sample: the nearest byte, or in smooth
// mode the line between it and the next one, in 8.8 fixed point.
template <bool Smooth> inline int32_t SampleAt(const int8_t* data, uint64_t pos, uint64_t next)
{
    const int32_t a = data[pos >> 16];
    if (!Smooth)
        return a;
    const int32_t b = data[next];
    const int32_t frac = int32_t((pos >> 8) & 0xFF);
    return a * 256 + (b - a) * frac;
}

} // namespace

template <bool Smooth>
void hssMusicChannel::MixRun(uint32_t c, int32_t* left, int32_t* right, uint32_t run, bool stereoOut)
{
    const uint32_t i = Instr[c];
    const int8_t* data = InstrData[i];
    const int32_t vol = ChEffVol[c];
    // Per output side: stereo splits (vol - r) * 2 and r * 2; mono takes vol.
    const int32_t r = int32_t(ChPan[c]) * vol >> 8;
    const int32_t lv = stereoOut ? (vol - r) * 2 : vol;
    const int32_t rv = r * 2;
    const uint64_t end = InstrEnd[i];
    const uint64_t loopLen = InstrLoopLen[i];
    const uint64_t loopEnd = InstrLoopStart[i] + loopLen;
    const uint64_t step = StepNow[c];
    // The byte after the last one heard: its loop start when it loops, else
    // silence (read as the byte itself, so nothing past the data is read).
    const uint64_t lastByte = (end >> 16) - 1;
    const uint64_t loopByte = InstrLoopStart[i] >> 16;
    // Positions below `safe` need neither the loop check nor the end check,
    // nor (smooth) a look at the byte after them.
    uint64_t limit = loopLen != 0 && loopEnd < end ? loopEnd : end;
    const uint64_t margin = Smooth ? (uint64_t(1) << 16) : 0;
    const uint64_t safe = limit > margin ? limit - margin : 0;
    uint64_t pos = SamplePos[c];
    uint32_t k = 0;
    while (k < run) {
        if (pos < safe) {
            uint32_t n = run - k;
            if (step != 0) {
                const uint64_t until = (safe - pos + step - 1) / step;
                if (until < n)
                    n = uint32_t(until);
            }
            const uint32_t stop = k + n;
            if (stereoOut) {
                for (; k < stop; ++k) {
                    const int32_t s = SampleAt<Smooth>(data, pos, (pos >> 16) + 1);
                    if (Smooth) {
                        left[k] += lv * s >> 8;
                        right[k] += rv * s >> 8;
                    } else {
                        left[k] += lv * s;
                        right[k] += rv * s;
                    }
                    pos += step;
                }
            } else {
                for (; k < stop; ++k) {
                    const int32_t s = SampleAt<Smooth>(data, pos, (pos >> 16) + 1);
                    left[k] += Smooth ? lv * s >> 8 : lv * s;
                    pos += step;
                }
            }
            continue;
        }
        // The slow frame, as the design states it: the loop goes back once
        // per frame, and past the end of the data nothing sounds.
        if (loopLen != 0 && pos >= loopEnd)
            pos -= loopLen;
        if (pos < end) {
            uint64_t next = (pos >> 16) + 1;
            if (Smooth && (loopLen != 0 && (next << 16) >= loopEnd))
                next = loopByte;
            else if (Smooth && next > lastByte)
                next = pos >> 16;
            const int32_t s = SampleAt<Smooth>(data, pos, next);
            if (Smooth) {
                left[k] += lv * s >> 8;
                if (stereoOut)
                    right[k] += rv * s >> 8;
            } else {
                left[k] += lv * s;
                if (stereoOut)
                    right[k] += rv * s;
            }
            pos += step;
        } else if (!(loopLen != 0 && pos >= loopEnd)) {
            break; // past a sample that does not loop (or a damaged loop): silent from here on
        }
        ++k;
    }
    SamplePos[c] = pos;
}

void hssMusicChannel::ReadRow()
{
    static const uint8_t kEmptyCell[kHssModCellBytes] = {0, 0, 0, 0};
    // The loader keeps every order of the song inside the stored patterns
    // and every jump lands on row 0 to 63; this guard only keeps a damaged
    // state from reading outside the image.
    const bool inside = Pattern < PatternCount && RowPos < kHssModRows * Channels;
    for (uint32_t c = 0; c < Channels; ++c) {
        const uint8_t* cell =
            inside ? Patterns + (uint64_t(Pattern) * kHssModRows * Channels + RowPos + c) * kHssModCellBytes
                   : kEmptyCell;
        RowEffects(c, cell);
    }
}

void hssMusicChannel::RowEffects(uint32_t c, const uint8_t* cell)
{
    uint32_t instrument = (cell[0] & 0xF0) | (cell[2] >> 4);
    const uint32_t period = uint32_t(cell[0] & 0x0F) << 8 | cell[1];
    const uint32_t effect = cell[2] & 0x0F;
    const uint32_t param = cell[3];
    const uint32_t x = param >> 4;
    const uint32_t y = param & 0x0F;
    // Instrument numbers above 31 name no instrument: read as none.
    if (instrument > kHssModInstruments)
        instrument = 0;

    Cmd[c] = effect;
    ParX[c] = x;
    ParY[c] = y;
    Param[c] = param;
    if (instrument != 0) {
        Instr[c] = instrument;
        ChVolume[c] = InstrVolume[instrument];
        UpdateEffVol(c);
    }
    if (period != 0 && effect != 0x3 && effect != 0x5 && !(effect == 0xE && x == 13)) {
        SamplePos[c] = 0;
        NoteIdx[c] = NoteOf(period) + InstrFinetune[Instr[c]] * kHssNotes;
        ChPeriod[c] = PeriodAt(NoteIdx[c], 0);
    }
    if (Instr[c] != 0)
        StepNow[c] = StepOf(ChPeriod[c]);

    switch (effect) {
    case 0x0:
        if (param != 0) {
            ArpTick[c] = 0;
            ArpSteps[0][c] = StepNow[c];
            ArpSteps[1][c] = StepOf(PeriodAt(NoteIdx[c], x));
            ArpSteps[2][c] = StepOf(PeriodAt(NoteIdx[c], y));
        }
        break;
    case 0x1:
    case 0x2:
        PortaPeriod[c] = ChPeriod[c];
        break;
    case 0x3:
        if (period != 0)
            TargetPeriod[c] = PeriodAt(NoteOf(period) + InstrFinetune[Instr[c]] * kHssNotes, 0);
        else if (TargetPeriod[c] == 0)
            TargetPeriod[c] = PeriodAt(NoteIdx[c], 0);
        if (param != 0)
            PortaSpeed[c] = int32_t(param);
        break;
    case 0x4:
        if (param != 0) {
            VibPos[c] = 0;
            VibSpeed[c] = x;
            VibDepth[c] = y;
        }
        break;
    case 0x5:
    case 0x6:
    case 0xA:
        VolSlide[c] = param == 0 ? 0 : x != 0 ? int32_t(x) : -int32_t(y);
        break;
    case 0x9:
        if (param != 0)
            SampleOffset[c] = uint64_t(param) * 256 << 16;
        SamplePos[c] = SampleOffset[c];
        break;
    case 0xB:
        if (!Loop && param <= Order) {
            JumpOrder = SongLength; // the song ends after this row
        } else {
            JumpOrder = param;
            JumpRow = 0;
        }
        break;
    case 0xC:
        ChVolume[c] = int32_t(param);
        UpdateEffVol(c);
        break;
    case 0xD: {
        uint32_t row = x * 10 + y;
        // A pattern has 64 rows: a break to a row beyond starts the next
        // pattern at its top.
        if (row >= kHssModRows)
            row = 0;
        if (Order + 1 < SongLength) {
            JumpOrder = Order + 1;
            JumpRow = row * Channels;
        } else if (!Loop) {
            JumpOrder = SongLength;
        } else {
            JumpOrder = Restart;
            JumpRow = row * Channels;
        }
        break;
    }
    case 0xE:
        switch (x) {
        case 6: {
            uint32_t n;
            if (LoopState[c] & 0xF0) {
                if (y == 0)
                    break;
                n = (LoopState[c] & 0x0F) - 1u;
            } else {
                if (y == 0) {
                    LoopRow[c] = RowPos;
                    break;
                }
                n = y;
            }
            if (n == 0) {
                LoopState[c] = 0;
            } else {
                JumpOrder = Order;
                JumpRow = LoopRow[c];
                LoopState[c] = uint8_t(0xF0 | (n & 0x0F));
            }
            break;
        }
        case 10:
            ChVolume[c] = ChVolume[c] + int32_t(y) > 64 ? 64 : ChVolume[c] + int32_t(y);
            UpdateEffVol(c);
            break;
        case 11:
            ChVolume[c] = ChVolume[c] - int32_t(y) < 0 ? 0 : ChVolume[c] - int32_t(y);
            UpdateEffVol(c);
            break;
        case 12:
            CutCount[c] = y;
            break;
        case 13:
            DelayCount[c] = y - 1u; // all bits set when y is 0
            DelayPeriod[c] = int32_t(period);
            break;
        case 14:
            PatternDelay = y;
            break;
        default:
            break;
        }
        break;
    case 0xF:
        if (param > 32) {
            Tempo = param * 2 / 5;
            RecalcTickLen(Speaker->OutputRate);
        } else if (param != 0) {
            Speed = param;
        }
        break;
    default:
        break;
    }
}

void hssMusicChannel::VolumeSlide(uint32_t c)
{
    int32_t v = ChVolume[c] + VolSlide[c];
    ChVolume[c] = v < 0 ? 0 : v > 64 ? 64 : v;
    UpdateEffVol(c);
}

void hssMusicChannel::TickEffects(uint32_t c)
{
    switch (Cmd[c]) {
    case 0x0:
        if (Param[c] != 0) {
            ArpTick[c] = (ArpTick[c] + 1) % 3;
            StepNow[c] = ArpSteps[ArpTick[c]][c];
        }
        break;
    case 0x1:
        PortaPeriod[c] -= int32_t(Param[c]);
        if (PortaPeriod[c] < kMinSlidePeriod)
            PortaPeriod[c] = kMinSlidePeriod;
        ChPeriod[c] = PortaPeriod[c];
        StepNow[c] = StepOf(ChPeriod[c]);
        break;
    case 0x2:
        PortaPeriod[c] += int32_t(Param[c]);
        if (PortaPeriod[c] > int32_t(kHssMaxPeriod))
            PortaPeriod[c] = kHssMaxPeriod;
        ChPeriod[c] = PortaPeriod[c];
        StepNow[c] = StepOf(ChPeriod[c]);
        break;
    case 0x3:
    case 0x5:
        if (ChPeriod[c] > TargetPeriod[c]) {
            ChPeriod[c] -= PortaSpeed[c];
            if (ChPeriod[c] < TargetPeriod[c] || ChPeriod[c] < 0)
                ChPeriod[c] = TargetPeriod[c];
        }
        if (ChPeriod[c] < TargetPeriod[c]) {
            ChPeriod[c] += PortaSpeed[c];
            if (ChPeriod[c] > TargetPeriod[c])
                ChPeriod[c] = TargetPeriod[c];
        }
        StepNow[c] = StepOf(ChPeriod[c]);
        if (Cmd[c] == 0x5)
            VolumeSlide(c);
        break;
    case 0x4:
    case 0x6: {
        const int32_t swing = VibPos[c] < 32 ? int32_t(kHssSine[VibPos[c]] * VibDepth[c] >> 7)
                                             : -int32_t(kHssSine[VibPos[c] - 32] * VibDepth[c] >> 7);
        const int32_t p = ChPeriod[c] + swing;
        VibPos[c] += VibSpeed[c];
        if (VibPos[c] >= 64)
            VibPos[c] -= 64;
        StepNow[c] = StepOf(p);
        if (Cmd[c] == 0x6)
            VolumeSlide(c);
        break;
    }
    case 0xA:
        VolumeSlide(c);
        break;
    case 0xE:
        if (ParX[c] == 12) {
            if (CutCount[c] > 0)
                --CutCount[c];
            if (CutCount[c] == 0)
                ChEffVol[c] = 0;
        } else if (ParX[c] == 13) {
            if (DelayCount[c] == kDelayDue) {
                ChPeriod[c] = DelayPeriod[c];
                StepNow[c] = StepOf(ChPeriod[c]);
                DelayCount[c] = kDelayDone;
            } else if (DelayCount[c] != kDelayDone) {
                --DelayCount[c];
            }
        }
        break;
    default:
        break;
    }
}
