#include "rules/StateWriter.h"

#include <cstring>

#include "rules/AbsFigure.h"
#include "rules/BoardText.h"

namespace GFourfall {

namespace {

void WriteFigure(std::ostream& out, const TAbsFigure* f)
{
    if (f == nullptr) {
        out << "null";
        return;
    }
    out << "{\"x\":" << f->X << ",\"y\":" << f->Y << ",\"w\":" << f->Width << ",\"h\":" << f->Height
        << ",\"cells\":[";
    for (int r = 0; r < FigureRowCount(*f); ++r)
        out << (r ? ",\"" : "\"") << FigureRowText(*f, r) << '"';
    out << "]}";
}

} // namespace

std::string JsonString(const std::string& text)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + '"';
}

void WriteStateJson(std::ostream& out, const TGameState& s, const THiScoreTable& scores)
{
    out << "{\"status\":" << s.Status << ",\"score\":" << s.Score << ",\"level\":" << s.Level
        << ",\"linesLeft\":" << s.LinesLeft << ",\"fallPeriod\":" << s.FallPeriod
        << ",\"difficulty\":" << s.Difficulty << ",\"gameNum\":" << s.GameNum
        << ",\"hiScorePos\":" << s.HiScorePos;
    out << ",\"flags\":{\"changed\":" << s.Changed << ",\"newHiScore\":" << s.NewHiScore
        << ",\"rotate\":" << s.SndRotate << ",\"hitBottom\":" << s.SndHitBottom << ",\"drop\":" << s.SndDrop
        << ",\"remove\":" << s.SndRemove << ",\"newLevel\":" << s.SndNewLevel
        << ",\"gameOver\":" << s.SndGameOver << ",\"clap\":" << s.SndClap << '}';
    out << ",\"board\":[";
    for (int y = 1; y <= s.Height; ++y)
        out << (y > 1 ? ",\"" : "\"") << BoardRowText(s, y) << '"';
    out << "],\"cur\":";
    WriteFigure(out, s.CurFig);
    out << ",\"next\":";
    WriteFigure(out, s.NextFig);
    out << ",\"table\":[";
    // The list of the selected type; a number outside the table shows type 0's.
    const int type = s.GameNum >= 0 && s.GameNum < kScoreTypeSlots ? s.GameNum : 0;
    for (int i = 0; i < kScoreEntries; ++i) {
        const THiScoreEntry& e = scores.Entries[type][0][i];
        out << (i ? ",{\"name\":" : "{\"name\":")
            << JsonString(std::string(e.Name, strnlen(e.Name, kScoreNameSize))) << ",\"score\":" << e.Score
            << '}';
    }
    out << "]}\n";
}

} // namespace GFourfall
