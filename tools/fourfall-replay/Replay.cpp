// The replay driver.
#include "tools/fourfall-replay/Replay.h"

#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/Replay.h"
#include "rules/Rules.h"
#include "rules/StateWriter.h"

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

void Print(std::ostream& out, TRules& rules)
{
    WriteStateJson(out, rules.GameState, rules.HiScores);
    ClearRequests(rules);
}

int Fail(std::ostream& err, const std::string& token, const char* why)
{
    err << "fourfall-replay: bad token \"" << token << "\": " << why << '\n';
    return kReplayBadInput;
}

} // namespace

int RunReplay(std::istream& in, std::ostream& out, std::ostream& err)
{
    TRules rules; // this run's game alone
    bool seeded = false;
    int64_t lastTime = 0;
    std::string command;
    // The argument after command, or false at the end of input.
    auto next = [&in](std::string& token) { return static_cast<bool>(in >> token); };
    while (in >> command) {
        if (command[0] == '#') {
            std::string rest;
            std::getline(in, rest);
            continue;
        }
        if (!seeded && command != "seed") {
            return Fail(err, command, "the first command must be seed");
        }
        std::string arg1;
        std::string arg2;
        int64_t a = 0;
        int64_t b = 0;
        TReplayOp op = TReplayOp::Tick;
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
            RulesInit(rules, static_cast<uint32_t>(a));
            RegisterGameTypes(rules);
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
            SetSize(rules, static_cast<int32_t>(a), static_cast<int32_t>(b));
        } else if (command == "select") {
            if (!next(arg1)) {
                return Fail(err, command, "missing number");
            }
            if (!ParseNumber(arg1, true, INT32_MIN, INT32_MAX, a)) {
                return Fail(err, arg1, "not a 32-bit number");
            }
            SelectGame(rules, static_cast<int32_t>(a));
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
            rules.Options.*(field->Field) = static_cast<int32_t>(a);
        } else if (command == "at") {
            if (!next(arg1)) {
                return Fail(err, command, "missing number");
            }
            if (!ParseNumber(arg1, false, 0, UINT32_MAX, a)) {
                return Fail(err, arg1, "not an unsigned 32-bit number");
            }
            if (a < lastTime) {
                return Fail(err, arg1, "time goes back");
            }
            lastTime = a;
        } else if (command == "start") {
            StartGame(rules);
        } else if (command == "print") {
            Print(out, rules);
        } else if (ReplayOpFromName(command, op)) {
            ApplyReplayOp(rules, op);
        } else {
            return Fail(err, command, "unknown command");
        }
    }
    out.flush();
    return kReplayOk;
}

} // namespace GFourfall
