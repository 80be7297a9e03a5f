#include "tools/make-music/ModuleWriter.h"

#include <algorithm>

namespace MakeMusic {

namespace {

constexpr size_t kTitleSize = 20;
constexpr size_t kInstrumentNameSize = 22;
constexpr size_t kMaxInstrumentBytes = 65535 * 2;

void PutWord(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v & 0xFF));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        out.push_back(i < text.size() ? uint8_t(text[i]) : 0);
}

bool Valid(const TModule& m)
{
    if (m.Channels != 4 && m.Channels != 8)
        return false;
    if (m.Instruments.size() > size_t(kMaxInstruments) || m.Order.empty() ||
        m.Order.size() > size_t(kMaxOrders))
        return false;
    for (const TInstrument& ins : m.Instruments) {
        if (ins.Data.size() > kMaxInstrumentBytes || ins.Data.size() % 2 || ins.LoopStart % 2 ||
            ins.LoopLength % 2 || size_t(ins.LoopStart + ins.LoopLength) > ins.Data.size())
            return false;
    }
    for (int p : m.Order)
        if (p < 0 || size_t(p) >= m.Patterns.size())
            return false;
    for (const TPattern& p : m.Patterns)
        if (p.Cells.size() != size_t(kRowsPerPattern * m.Channels))
            return false;
    return true;
}

} // namespace

std::vector<uint8_t> WriteModule(const TModule& m)
{
    std::vector<uint8_t> out;
    if (!Valid(m))
        return out;

    PutText(out, m.Title, kTitleSize);
    for (int i = 0; i < kMaxInstruments; ++i) {
        if (size_t(i) < m.Instruments.size()) {
            const TInstrument& ins = m.Instruments[size_t(i)];
            PutText(out, ins.Name, kInstrumentNameSize);
            PutWord(out, unsigned(ins.Data.size() / 2));
            out.push_back(0); // finetune
            out.push_back(uint8_t(std::clamp(ins.Volume, 0, 64)));
            PutWord(out, unsigned(ins.LoopStart / 2));
            PutWord(out, ins.LoopLength ? unsigned(ins.LoopLength / 2) : 1u);
        } else {
            PutText(out, "", kInstrumentNameSize);
            PutWord(out, 0);
            out.push_back(0);
            out.push_back(0);
            PutWord(out, 0);
            PutWord(out, 1);
        }
    }

    // Only the patterns the order list names are stored: 1 + the highest one.
    const int stored = 1 + *std::max_element(m.Order.begin(), m.Order.end());
    out.push_back(uint8_t(m.Order.size()));
    out.push_back(0); // restart position
    for (int i = 0; i < kMaxOrders; ++i)
        out.push_back(size_t(i) < m.Order.size() ? uint8_t(m.Order[size_t(i)]) : 0);
    PutText(out, m.Channels == 4 ? "M.K." : "8CHN", 4);

    for (int p = 0; p < stored; ++p) {
        for (const TCell& c : m.Patterns[size_t(p)].Cells) {
            out.push_back(uint8_t((c.Instrument & 0xF0) | ((c.Period >> 8) & 0x0F)));
            out.push_back(uint8_t(c.Period & 0xFF));
            out.push_back(uint8_t(((c.Instrument & 0x0F) << 4) | (c.Effect & 0x0F)));
            out.push_back(uint8_t(c.Param));
        }
    }
    for (const TInstrument& ins : m.Instruments)
        for (int8_t s : ins.Data)
            out.push_back(uint8_t(s));
    return out;
}

} // namespace MakeMusic
