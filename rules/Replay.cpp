#include "rules/Replay.h"

#include <cstring>

#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "rules/Rules.h"

#ifndef TUMBLETOWN_VERSION
#define TUMBLETOWN_VERSION "0"
#endif

namespace GFourfall {

namespace {

const char* const kOpNames[kReplayOpCount] = {"tick", "left", "right", "rotate", "drop", "down"};

constexpr std::size_t kMaxVersion = 40;

// Decimal digits only (a '-' first when negative is allowed), at most 10 of
// them, written as ReplayText writes them, and within [low, high].
bool ParseNumber(const char* begin, const char* end, bool allowNegative, int64_t low, int64_t high,
                 int64_t& value)
{
    bool negative = false;
    if (allowNegative && begin != end && *begin == '-') {
        negative = true;
        ++begin;
    }
    // One way to write each number: no leading zero and no "-0", so that
    // what is read writes back byte for byte.
    if (begin == end || end - begin > 10 || (*begin == '0' && (end - begin > 1 || negative)))
        return false;
    int64_t v = 0;
    for (const char* p = begin; p != end; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        v = v * 10 + (*p - '0');
    }
    if (negative)
        v = -v;
    if (v < low || v > high)
        return false;
    value = v;
    return true;
}

// Walks the text line by line; every line must end with "\n".
class TLines {
public:
    explicit TLines(const std::string& text) : Text(text) {}

    bool Next(std::string& line)
    {
        if (Pos >= Text.size())
            return false;
        const std::size_t end = Text.find('\n', Pos);
        if (end == std::string::npos)
            return false;
        line.assign(Text, Pos, end - Pos);
        Pos = end + 1;
        return true;
    }
    bool AtEnd() const { return Pos >= Text.size(); }

private:
    const std::string& Text;
    std::size_t Pos = 0;
};

// "word N" with N in range.
bool WordNumber(const std::string& line, const char* word, int64_t low, int64_t high, int64_t& value)
{
    const std::size_t n = std::strlen(word);
    if (line.compare(0, n, word) != 0 || line.size() <= n || line[n] != ' ')
        return false;
    return ParseNumber(line.data() + n + 1, line.data() + line.size(), low < 0, low, high, value);
}

bool Fail(std::string& why, const char* reason)
{
    why = reason;
    return false;
}

// What a token line may hold: printable ASCII without spaces, bounded.
bool TokenIsClean(const std::string& token)
{
    if (token.empty() || token.size() > kMaxReplayToken)
        return false;
    for (unsigned char c : token)
        if (c <= 0x20 || c >= 0x7F)
            return false;
    return true;
}

bool NameIsClean(const std::string& name)
{
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

} // namespace

const char* ReplayOpName(TReplayOp op)
{
    const int i = static_cast<int>(op);
    return i >= 0 && i < kReplayOpCount ? kOpNames[i] : "";
}

bool ReplayOpFromName(const std::string& name, TReplayOp& op)
{
    for (int i = 0; i < kReplayOpCount; ++i) {
        if (name == kOpNames[i]) {
            op = static_cast<TReplayOp>(i);
            return true;
        }
    }
    return false;
}

void ApplyReplayOp(TRules& rules, TReplayOp op)
{
    if (op == TReplayOp::Tick) {
        FallTick(rules);
        return;
    }
    TAbsFigure* f = rules.GameState.CurFig;
    if (rules.GameState.Status != kStatusPlaying || f == nullptr)
        return;
    switch (op) {
    case TReplayOp::Left:
        f->Left();
        break;
    case TReplayOp::Right:
        f->Right();
        break;
    case TReplayOp::Rotate:
        f->Rotate();
        break;
    case TReplayOp::Drop:
        f->Drop();
        break;
    case TReplayOp::Down:
        f->Down();
        break;
    case TReplayOp::Tick:
        break;
    }
}

const char* GameVersion()
{
    return TUMBLETOWN_VERSION;
}

std::string ReplayText(const TReplay& r)
{
    std::string t;
    t.reserve(200 + r.Steps.size() * 14);
    t += kReplayMagic;
    t += std::to_string(kReplayFormat) + "\n";
    t += "# version " + (r.Version.empty() ? std::string("0") : r.Version) + "\n";
    // A token that could not be read back is left out rather than written.
    if (TokenIsClean(r.Token))
        t += "# token " + r.Token + "\n";
    if (r.HasClaim) {
        std::string name;
        for (unsigned char c : r.Name)
            if (c >= 0x20 && c != 0x7F)
                name += static_cast<char>(c);
        t += "# name " + name + "\n";
        t += "# score " + std::to_string(r.Score) + "\n";
    }
    t += "seed " + std::to_string(r.Seed) + "\n";
    t += "size " + std::to_string(r.Columns) + " " + std::to_string(r.Rows) + "\n";
    t += "select " + std::to_string(r.GameNum) + "\n";
    t += "option StartLevel " + std::to_string(r.StartLevel) + "\n";
    t += "option Difficulty " + std::to_string(r.Difficulty) + "\n";
    t += "start\n";
    for (const TReplayStep& s : r.Steps) {
        t += "at ";
        t += std::to_string(s.TimeMs);
        t += ' ';
        t += ReplayOpName(s.Op);
        t += '\n';
    }
    t += "print\n";
    return t;
}

bool ParseReplay(const std::string& text, TReplay& out, std::string& why, const TReplayLimits& limits)
{
    if (text.size() > limits.MaxBytes)
        return Fail(why, "too large");
    out = TReplay();
    TLines lines(text);
    std::string line;
    int64_t v = 0;
    if (!lines.Next(line) || line != std::string(kReplayMagic) + std::to_string(kReplayFormat))
        return Fail(why, "not a replay of this format");
    if (!lines.Next(line) || line.compare(0, 10, "# version ") != 0 || line.size() == 10 ||
        line.size() > 10 + kMaxVersion || line.find(' ', 10) != std::string::npos)
        return Fail(why, "no version");
    out.Version = line.substr(10);
    if (!lines.Next(line))
        return Fail(why, "cut short");
    if (line.compare(0, 8, "# token ") == 0) {
        out.Token = line.substr(8);
        if (!TokenIsClean(out.Token))
            return Fail(why, "bad token");
        if (!lines.Next(line))
            return Fail(why, "cut short");
    }
    if (line.compare(0, 7, "# name ") == 0) {
        out.Name = line.substr(7);
        if (out.Name.size() > 59 || !NameIsClean(out.Name))
            return Fail(why, "bad name");
        if (!lines.Next(line) || !WordNumber(line, "# score", 0, INT32_MAX, v))
            return Fail(why, "bad score");
        out.Score = static_cast<int32_t>(v);
        out.HasClaim = true;
        if (!lines.Next(line))
            return Fail(why, "cut short");
    }
    if (!WordNumber(line, "seed", 0, UINT32_MAX, v))
        return Fail(why, "bad seed");
    out.Seed = static_cast<uint32_t>(v);
    if (!lines.Next(line) || line.compare(0, 5, "size ") != 0)
        return Fail(why, "bad size");
    {
        const std::size_t space = line.find(' ', 5);
        int64_t columns = 0;
        int64_t rows = 0;
        if (space == std::string::npos ||
            !ParseNumber(line.data() + 5, line.data() + space, false, 1, kMaxPlaySize, columns) ||
            !ParseNumber(line.data() + space + 1, line.data() + line.size(), false, 1, kMaxPlaySize, rows))
            return Fail(why, "bad size");
        out.Columns = static_cast<int32_t>(columns);
        out.Rows = static_cast<int32_t>(rows);
    }
    if (!lines.Next(line) || !WordNumber(line, "select", 0, kGameTypeCount - 1, v))
        return Fail(why, "bad game number");
    out.GameNum = static_cast<int32_t>(v);
    if (!lines.Next(line) || !WordNumber(line, "option StartLevel", INT32_MIN, INT32_MAX, v))
        return Fail(why, "bad start level");
    out.StartLevel = static_cast<int32_t>(v);
    if (!lines.Next(line) || !WordNumber(line, "option Difficulty", INT32_MIN, INT32_MAX, v))
        return Fail(why, "bad difficulty");
    out.Difficulty = static_cast<int32_t>(v);
    if (!lines.Next(line) || line != "start")
        return Fail(why, "no start");
    uint32_t last = 0;
    while (true) {
        if (!lines.Next(line))
            return Fail(why, "cut short");
        if (line == "print")
            break;
        if (out.Steps.size() >= limits.MaxSteps)
            return Fail(why, "too many operations");
        // "at T op"
        const std::size_t space = line.find(' ', 3);
        TReplayOp op = TReplayOp::Tick;
        if (line.compare(0, 3, "at ") != 0 || space == std::string::npos ||
            !ParseNumber(line.data() + 3, line.data() + space, false, 0, UINT32_MAX, v) ||
            !ReplayOpFromName(line.substr(space + 1), op))
            return Fail(why, "bad operation");
        if (static_cast<uint32_t>(v) < last)
            return Fail(why, "time goes back");
        last = static_cast<uint32_t>(v);
        out.Steps.push_back(TReplayStep{last, op});
    }
    if (!lines.AtEnd())
        return Fail(why, "text after the end");
    return true;
}

void StartReplayedGame(TRules& rules, const TReplay& replay)
{
    SeedRandom(rules, replay.Seed);
    SetSize(rules, replay.Columns, replay.Rows);
    SelectGame(rules, replay.GameNum);
    const TOptions kept = rules.Options;
    rules.Options.StartLevel = replay.StartLevel;
    rules.Options.Difficulty = replay.Difficulty;
    StartGame(rules);
    rules.Options = kept;
}

TReplayOutcome PlayReplayToEnd(TRules& rules, const TReplay& replay)
{
    return PlayReplayToEnd(rules, replay, nullptr);
}

TReplayOutcome PlayReplayToEnd(TRules& rules, const TReplay& replay, const std::function<bool()>& keepGoing,
                               std::size_t checkEvery)
{
    ResetRules(rules);
    RulesInit(rules, replay.Seed);
    RegisterGameTypes(rules);
    StartReplayedGame(rules, replay);
    TReplayOutcome outcome;
    if (checkEvery == 0)
        checkEvery = 1;
    for (const TReplayStep& s : replay.Steps) {
        if (keepGoing && outcome.Steps % checkEvery == 0 && !keepGoing())
            break;
        ApplyReplayOp(rules, s.Op);
        ++outcome.Steps;
    }
    outcome.Score = rules.GameState.Score;
    outcome.Level = rules.GameState.Level;
    outcome.Status = rules.GameState.Status;
    return outcome;
}

} // namespace GFourfall
