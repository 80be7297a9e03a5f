// The replay driver.
#include "tools/fourfall-replay/Replay.h"

#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace GFourfall {

namespace {

struct TOptionField {
    const char* Name;
    int32_t TOptions::*Field;
};

const TOptionField kOptionFields[] = {
    {"StartLevel", &TOptions::StartLevel}, {"Difficulty", &TOptions::Difficulty},
    {"ZPlaySound", &TOptions::ZPlaySound}, {"ZPlayMusic", &TOptions::ZPlayMusic},
    {"ZNextFig", &TOptions::ZNextFig},     {"UseEffects", &TOptions::UseEffects},
    {"MouseType", &TOptions::MouseType},   {"BackRound", &TOptions::BackRound},
    {"NumBlocks", &TOptions::NumBlocks},
};

// Decimal digits only, with an optional '-' when negative is allowed.
bool ParseNumber(const std::string& token, bool allowNegative, int64_t low, int64_t high, int64_t& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (allowNegative && !token.empty() && token[0] == '-') {
        negative = true;
        i = 1;
    }
    if (i == token.size() || token.size() - i > 12) {
        return false;
    }
    int64_t v = 0;
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') {
            return false;
        }
        v = v * 10 + (token[i] - '0');
    }
    if (negative) {
        v = -v;
    }
    if (v < low || v > high) {
        return false;
    }
    value = v;
    return true;
}

char CellChar(uint8_t v)
{
    if (v == kCellEmpty) {
        return '.';
    }
    if (v == kCellWall) {
        return '#';
    }
    if (v >= 1 && v <= 7) {
        return static_cast<char>('0' + v);
    }
    return '?';
}

// A JSON string of the bytes of text: quotes, backslashes, control bytes and
// bytes above 127 are escaped, so the line stays plain ASCII.
void WriteJsonString(std::ostream& out, const char* text, std::size_t maxLength)
{
    static const char kHex[] = "0123456789abcdef";
    out << '"';
    for (std::size_t i = 0; i < maxLength && text[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out << '\\' << static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out << "\\u00" << kHex[c >> 4] << kHex[c & 15];
        } else {
            out << static_cast<char>(c);
        }
    }
    out << '"';
}

void WriteFigure(std::ostream& out, const TAbsFigure* f)
{
    if (f == nullptr) {
        out << "null";
        return;
    }
    const int w = f->Width < 0 ? 0 : (f->Width > kFigureSize ? kFigureSize : f->Width);
    const int h = f->Height < 0 ? 0 : (f->Height > kFigureSize ? kFigureSize : f->Height);
    out << "{\"x\":" << f->X << ",\"y\":" << f->Y << ",\"w\":" << f->Width << ",\"h\":" << f->Height
        << ",\"cells\":[";
    for (int r = 0; r < h; ++r) {
        out << (r ? ",\"" : "\"");
        for (int c = 0; c < w; ++c) {
            out << CellChar(f->Cells[r][c]);
        }
        out << '"';
    }
    out << "]}";
}

void Print(std::ostream& out)
{
    TGameState& s = GameState;
    out << "{\"status\":" << s.Status << ",\"score\":" << s.Score << ",\"level\":" << s.Level
        << ",\"linesLeft\":" << s.LinesLeft << ",\"fallPeriod\":" << s.FallPeriod
        << ",\"difficulty\":" << s.Difficulty << ",\"gameNum\":" << s.GameNum
        << ",\"hiScorePos\":" << s.HiScorePos;
    out << ",\"flags\":{\"changed\":" << s.Changed << ",\"newHiScore\":" << s.NewHiScore
        << ",\"rotate\":" << s.SndRotate << ",\"hitBottom\":" << s.SndHitBottom << ",\"drop\":" << s.SndDrop
        << ",\"remove\":" << s.SndRemove << ",\"newLevel\":" << s.SndNewLevel
        << ",\"gameOver\":" << s.SndGameOver << ",\"clap\":" << s.SndClap << '}';
    out << ",\"board\":[";
    for (int y = 1; y <= s.Height; ++y) {
        out << (y > 1 ? ",\"" : "\"");
        for (int x = 1; x <= s.Width; ++x) {
            out << CellChar(s.Board[y][x]);
        }
        out << '"';
    }
    out << "],\"cur\":";
    WriteFigure(out, s.CurFig);
    out << ",\"next\":";
    WriteFigure(out, s.NextFig);
    out << ",\"table\":[";
    const int type = s.GameNum >= 0 && s.GameNum < kScoreTypeSlots ? s.GameNum : 0;
    for (int i = 0; i < kScoreEntries; ++i) {
        const THiScoreEntry& e = HiScores.Entries[type][0][i];
        out << (i ? ",{\"name\":" : "{\"name\":");
        WriteJsonString(out, e.Name, kScoreNameSize);
        out << ",\"score\":" << e.Score << '}';
    }
    out << "]}\n";
    s.Changed = s.NewHiScore = false;
    s.SndRotate = s.SndHitBottom = s.SndDrop = s.SndRemove = false;
    s.SndNewLevel = s.SndGameOver = s.SndClap = false;
}

int Fail(std::ostream& err, const std::string& token, const char* why)
{
    err << "fourfall-replay: bad token \"" << token << "\": " << why << '\n';
    return kReplayBadInput;
}

} // namespace

int RunReplay(std::istream& in, std::ostream& out, std::ostream& err)
{
    bool seeded = false;
    std::string command;
    // The argument after command, or false at the end of input.
    auto next = [&in](std::string& token) { return static_cast<bool>(in >> token); };
    while (in >> command) {
        if (!seeded && command != "seed") {
            return Fail(err, command, "the first command must be seed");
        }
        std::string arg1;
        std::string arg2;
        int64_t a = 0;
        int64_t b = 0;
        if (command == "seed") {
            if (seeded) {
                return Fail(err, command, "seed may be given once only");
            }
            if (!next(arg1)) {
                return Fail(err, command, "missing number");
            }
            if (!ParseNumber(arg1, false, 0, UINT32_MAX, a)) {
                return Fail(err, arg1, "not an unsigned 32-bit number");
            }
            // A fresh program's state, so that a run in a process that ran
            // another one before replays the same.
            RulesReset();
            ResetOptions();
            ClearScores();
            RulesInit(static_cast<uint32_t>(a));
            RegisterGameTypes();
            seeded = true;
        } else if (command == "size") {
            if (!next(arg1) || !next(arg2)) {
                return Fail(err, command, "missing number");
            }
            if (!ParseNumber(arg1, true, INT32_MIN, INT32_MAX, a)) {
                return Fail(err, arg1, "not a 32-bit number");
            }
            if (!ParseNumber(arg2, true, INT32_MIN, INT32_MAX, b)) {
                return Fail(err, arg2, "not a 32-bit number");
            }
            SetSize(static_cast<int32_t>(a), static_cast<int32_t>(b));
        } else if (command == "select") {
            if (!next(arg1)) {
                return Fail(err, command, "missing number");
            }
            if (!ParseNumber(arg1, true, INT32_MIN, INT32_MAX, a)) {
                return Fail(err, arg1, "not a 32-bit number");
            }
            SelectGame(static_cast<int32_t>(a));
        } else if (command == "option") {
            if (!next(arg1) || !next(arg2)) {
                return Fail(err, command, "missing name or value");
            }
            const TOptionField* field = nullptr;
            for (const TOptionField& f : kOptionFields) {
                if (arg1 == f.Name) {
                    field = &f;
                }
            }
            if (field == nullptr) {
                return Fail(err, arg1, "no such option");
            }
            if (!ParseNumber(arg2, true, INT32_MIN, INT32_MAX, a)) {
                return Fail(err, arg2, "not a 32-bit number");
            }
            Options.*(field->Field) = static_cast<int32_t>(a);
        } else if (command == "start") {
            StartGame();
        } else if (command == "tick") {
            FallTick();
        } else if (command == "print") {
            Print(out);
        } else if (command == "left" || command == "right" || command == "rotate" || command == "drop" ||
                   command == "down") {
            TAbsFigure* f = GameState.CurFig;
            if (GameState.Status != kStatusPlaying || f == nullptr) {
                continue;
            }
            if (command == "left") {
                f->Left();
            } else if (command == "right") {
                f->Right();
            } else if (command == "rotate") {
                f->Rotate();
            } else if (command == "drop") {
                f->Drop();
            } else {
                f->Down();
            }
        } else {
            return Fail(err, command, "unknown command");
        }
    }
    out.flush();
    return kReplayOk;
}

} // namespace GFourfall
