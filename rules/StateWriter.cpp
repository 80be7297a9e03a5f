#include "rules/StateWriter.h"

#include <cstring>

#include "rules/AbsFigure.h"
#include "rules/BoardText.h"

namespace GFourfall {

namespace {

// Built in a string, not a stream: the replay viewer's WebAssembly build
// carries the rules without the stream library (a hundred kilobytes).
void AppendNumber(std::string& out, const char* key, int64_t value)
{
    out += key;
    out += std::to_string(value);
}

void AppendFigure(std::string& out, const TAbsFigure* f)
{
    if (f == nullptr) {
        out += "null";
        return;
    }
    AppendNumber(out, "{\"x\":", f->X);
    AppendNumber(out, ",\"y\":", f->Y);
    AppendNumber(out, ",\"w\":", f->Width);
    AppendNumber(out, ",\"h\":", f->Height);
    out += ",\"cells\":[";
    for (int r = 0; r < FigureRowCount(*f); ++r)
        out += (r ? ",\"" : "\"") + FigureRowText(*f, r) + '"';
    out += "]}";
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

std::string StateJson(const TGameState& s, const THiScoreTable& scores)
{
    std::string out;
    out.reserve(256 + 16 * static_cast<std::size_t>(s.Height > 0 ? s.Height : 0));
    AppendNumber(out, "{\"status\":", s.Status);
    AppendNumber(out, ",\"score\":", s.Score);
    AppendNumber(out, ",\"level\":", s.Level);
    AppendNumber(out, ",\"linesLeft\":", s.LinesLeft);
    AppendNumber(out, ",\"fallPeriod\":", s.FallPeriod);
    AppendNumber(out, ",\"difficulty\":", s.Difficulty);
    AppendNumber(out, ",\"gameNum\":", s.GameNum);
    AppendNumber(out, ",\"hiScorePos\":", s.HiScorePos);
    AppendNumber(out, ",\"flags\":{\"changed\":", s.Changed);
    AppendNumber(out, ",\"newHiScore\":", s.NewHiScore);
    AppendNumber(out, ",\"rotate\":", s.SndRotate);
    AppendNumber(out, ",\"hitBottom\":", s.SndHitBottom);
    AppendNumber(out, ",\"drop\":", s.SndDrop);
    AppendNumber(out, ",\"remove\":", s.SndRemove);
    AppendNumber(out, ",\"newLevel\":", s.SndNewLevel);
    AppendNumber(out, ",\"gameOver\":", s.SndGameOver);
    AppendNumber(out, ",\"clap\":", s.SndClap);
    out += "},\"board\":[";
    for (int y = 1; y <= s.Height; ++y)
        out += (y > 1 ? ",\"" : "\"") + BoardRowText(s, y) + '"';
    out += "],\"cur\":";
    AppendFigure(out, s.CurFig);
    out += ",\"next\":";
    AppendFigure(out, s.NextFig);
    out += ",\"table\":[";
    // The list of the selected type; a number outside the table shows type 0's.
    const int type = s.GameNum >= 0 && s.GameNum < kScoreTypeSlots ? s.GameNum : 0;
    for (int i = 0; i < kScoreEntries; ++i) {
        const THiScoreEntry& e = scores.Entries[type][0][i];
        out += i ? ",{\"name\":" : "{\"name\":";
        out += JsonString(std::string(e.Name, strnlen(e.Name, kScoreNameSize)));
        AppendNumber(out, ",\"score\":", e.Score);
        out += '}';
    }
    out += "]}\n";
    return out;
}

void WriteStateJson(std::ostream& out, const TGameState& s, const THiScoreTable& scores)
{
    out << StateJson(s, scores);
}

} // namespace GFourfall
