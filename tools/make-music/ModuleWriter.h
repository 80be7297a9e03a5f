// Writes a tracker module in the four-channel MOD layout and its eight-channel
// variant: 31 instrument headers, the order list, the signature, the patterns
// and the signed 8-bit instrument data, all numbers big-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace MakeMusic {

constexpr int kRowsPerPattern = 64;
constexpr int kMaxInstruments = 31;
constexpr int kMaxOrders = 128;

// One cell of a pattern: instrument 0 keeps the channel's instrument, period 0
// plays no new note.
struct TCell {
    int Instrument = 0;
    int Period = 0;
    int Effect = 0;
    int Param = 0;

    bool operator==(const TCell& o) const
    {
        return Instrument == o.Instrument && Period == o.Period && Effect == o.Effect && Param == o.Param;
    }
};

// One instrument: signed 8-bit data; a loop of 0 bytes plays the data once.
// Lengths and loop bounds must be even (the file counts 16-bit words).
struct TInstrument {
    std::string Name;
    std::vector<int8_t> Data;
    int Volume = 64;
    int LoopStart = 0;
    int LoopLength = 0;
};

// A pattern is kRowsPerPattern rows of Channels cells.
struct TPattern {
    std::vector<TCell> Cells;
    bool operator==(const TPattern& o) const { return Cells == o.Cells; }
};

struct TModule {
    std::string Title;
    int Channels = 4;                     // 4 gives "M.K.", 8 gives "8CHN"
    std::vector<TInstrument> Instruments; // instrument 1 is Instruments[0]
    std::vector<TPattern> Patterns;
    std::vector<int> Order;
};

// The file image of the module. Returns an empty vector when the module
// cannot be written (bad channel count, too many instruments or orders, an
// instrument longer than the format holds, odd lengths).
std::vector<uint8_t> WriteModule(const TModule& module);

} // namespace MakeMusic
