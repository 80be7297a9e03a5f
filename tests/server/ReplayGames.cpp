#include "tests/server/ReplayGames.h"

#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/Options.h"
#include "rules/Rules.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

namespace ServerTest {

using namespace GFourfall;

namespace {

// A replay's header for a game on seed, well and type, with the game started
// in rules as a replay of it starts.
TReplay StartedGame(TRules& rules, std::int32_t gameNum, std::uint32_t seed, std::int32_t columns,
                    std::int32_t rows)
{
    RulesInit(rules, seed);
    RegisterGameTypes(rules);
    TReplay r;
    r.Version = "test";
    r.Seed = SeedOfRandomState(rules);
    r.Columns = columns;
    r.Rows = rows;
    r.GameNum = gameNum;
    r.StartLevel = rules.Options.StartLevel;
    r.Difficulty = rules.Options.Difficulty;
    StartReplayedGame(rules, r);
    return r;
}

} // namespace

TReplay PlayedGame(std::int32_t gameNum, std::uint32_t seed, const std::string& name, std::uint32_t playMs,
                   std::int32_t columns, std::int32_t rows)
{
    TRules rules;
    TReplay r = StartedGame(rules, gameNum, seed, columns, rows);
    std::uint32_t player = seed * 2654435761u + 99u; // the player's own choices
    const TReplayOp moves[] = {TReplayOp::Left, TReplayOp::Right, TReplayOp::Rotate,
                               TReplayOp::Left, TReplayOp::Right, TReplayOp::Down};
    auto apply = [&](std::uint32_t at, TReplayOp op) {
        r.Steps.push_back(TReplayStep{at, op});
        ApplyReplayOp(rules, op);
    };
    std::uint32_t nextTick = static_cast<std::uint32_t>(rules.GameState.FallPeriod);
    for (std::uint32_t t = 0; rules.GameState.Status == kStatusPlaying; t += 200) {
        while (nextTick <= t && rules.GameState.Status == kStatusPlaying) {
            apply(nextTick, TReplayOp::Tick);
            nextTick += static_cast<std::uint32_t>(rules.GameState.FallPeriod);
        }
        if (rules.GameState.Status != kStatusPlaying)
            break;
        player = player * 1103515245u + 12345u;
        apply(t, t < playMs ? moves[(player >> 16) % 6] : TReplayOp::Drop);
    }
    r.HasClaim = true;
    r.Name = name;
    r.Score = rules.GameState.Score;
    return r;
}

std::string PlayedGameText(std::int32_t gameNum, std::uint32_t seed, const std::string& name,
                           std::uint32_t playMs)
{
    return ReplayText(PlayedGame(gameNum, seed, name, playMs));
}

std::uint32_t SeedOfToken(const std::string& token)
{
    const std::size_t first = token.find('.');
    const std::size_t second = first == std::string::npos ? first : token.find('.', first + 1);
    const std::size_t third = second == std::string::npos ? second : token.find('.', second + 1);
    if (third == std::string::npos)
        return 0;
    return static_cast<std::uint32_t>(std::stoul(token.substr(second + 1, third - second - 1)));
}

TReplay DealtGame(const std::string& token, std::int32_t gameNum, const std::string& name,
                  std::uint32_t playMs)
{
    TReplay r = PlayedGame(gameNum, SeedOfToken(token), name, playMs);
    r.Token = token;
    return r;
}

namespace {

// The board without the falling figure: true where a cell is taken.
struct TBoard {
    int Width = 0, Height = 0;
    std::array<std::uint64_t, 64> Taken{}; // a row's columns as bits, rows and columns from 1

    bool At(int row, int column) const
    {
        return row < 1 || column < 1 || column > Width || row > Height || (Taken[row] >> column & 1u) != 0;
    }
    void Take(int row, int column) { Taken[row] |= std::uint64_t{1} << column; }
    void Free(int row, int column) { Taken[row] &= ~(std::uint64_t{1} << column); }
};

struct TShape {
    std::vector<std::pair<int, int>> Cells; // (row, column) within the figure's box
    int Width = 0;
};

TShape ShapeOf(const TAbsFigure& f)
{
    TShape s;
    s.Width = f.Width;
    for (int r = 0; r < f.Height; ++r)
        for (int c = 0; c < f.Width; ++c)
            if (f.Cells[r][c] != 0)
                s.Cells.emplace_back(r, c);
    return s;
}

// The figure turned once as the rules turn it: new[w-1-c][r] = old[r][c].
TShape Turned(const TShape& s, int height)
{
    TShape t;
    t.Width = height;
    for (const auto& [r, c] : s.Cells)
        t.Cells.emplace_back(s.Width - 1 - c, r);
    return t;
}

// Lower is better: stack height, holes and roughness after setting shape
// with its box's left column at x, dropped from row y; full rows count for.
double Placement(const TBoard& board, const TShape& shape, int x, int y, bool& fits)
{
    auto fitsAt = [&](int row) {
        for (const auto& [r, c] : shape.Cells)
            if (board.At(row + r, x + c))
                return false;
        return true;
    };
    fits = fitsAt(y);
    if (!fits)
        return 0;
    int row = y;
    while (fitsAt(row + 1))
        ++row;
    TBoard after = board;
    for (const auto& [r, c] : shape.Cells)
        after.Take(row + r, x + c);
    int full = 0;
    const std::uint64_t all = ((std::uint64_t{1} << after.Width) - 1) << 1;
    for (int r = 1; r <= after.Height; ++r) {
        if ((after.Taken[r] & all) == all) {
            ++full;
            for (int above = r; above > 1; --above)
                after.Taken[above] = after.Taken[above - 1];
            after.Taken[1] = 0;
        }
    }
    // The well-known weights of a good one-figure player: landing height,
    // rows removed, row and column transitions, holes, wells.
    int rowTransitions = 0, columnTransitions = 0, holes = 0, wells = 0;
    for (int r = 1; r <= after.Height; ++r)
        for (int c = 0; c <= after.Width; ++c)
            rowTransitions += after.At(r, c) != after.At(r, c + 1) ? 1 : 0;
    for (int c = 1; c <= after.Width; ++c) {
        bool covered = false;
        int depth = 0;
        for (int r = 1; r <= after.Height + 1; ++r) {
            const bool taken = after.At(r, c);
            if (r > 1 || taken)
                columnTransitions += taken != (r > 1 && after.At(r - 1, c)) ? 1 : 0;
            if (taken)
                covered = true;
            else if (covered)
                ++holes;
            if (!taken && after.At(r, c - 1) && after.At(r, c + 1))
                wells += ++depth;
            else
                depth = 0;
        }
    }
    int top = after.Height, bottom = 0;
    for (const auto& [r, c] : shape.Cells) {
        top = std::min(top, row + r);
        bottom = std::max(bottom, row + r);
    }
    const double landing = after.Height - (top + bottom) / 2.0;
    return 4.50 * landing - 3.42 * full + 3.22 * rowTransitions + 9.35 * columnTransitions + 7.90 * holes +
           3.39 * wells;
}

// The keys that set the falling figure best: turns, moves, drop.
std::vector<TReplayOp> BestKeys(const TRules& rules)
{
    const TGameState& g = rules.GameState;
    const TAbsFigure& f = *g.CurFig;
    TBoard board;
    board.Width = g.Width;
    board.Height = g.Height;
    for (int r = 1; r <= g.Height; ++r)
        for (int c = 1; c <= g.Width; ++c)
            if (g.Board[r][c] != kCellEmpty && g.Board[r][c] != kCellWall)
                board.Take(r, c);
    TShape shape = ShapeOf(f);
    int height = f.Height;
    for (const auto& [r, c] : shape.Cells)
        board.Free(f.Y + r, f.X + c);
    std::vector<TReplayOp> best{TReplayOp::Drop};
    double bestScore = 1e18;
    for (int turns = 0; turns < 4; ++turns) {
        for (int x = 1 - shape.Width; x <= g.Width; ++x) {
            bool fits = false;
            const double score = Placement(board, shape, x, f.Y, fits);
            if (!fits || score >= bestScore)
                continue;
            bestScore = score;
            best.assign(turns, TReplayOp::Rotate);
            best.insert(best.end(), static_cast<std::size_t>(std::abs(x - f.X)),
                        x < f.X ? TReplayOp::Left : TReplayOp::Right);
            best.push_back(TReplayOp::Drop);
        }
        const int width = shape.Width;
        shape = Turned(shape, height);
        height = width;
    }
    return best;
}

} // namespace

TReplay LongGame(std::int32_t gameNum, std::uint32_t seed, const std::string& name, std::uint32_t playMs,
                 const TKeyPace& pace)
{
    TRules rules;
    TReplay r = StartedGame(rules, gameNum, seed, kDealtColumns, kDealtRows);
    std::uint32_t nextTick = static_cast<std::uint32_t>(rules.GameState.FallPeriod);
    std::uint32_t nextKey = pace.ThinkMs;
    std::vector<TReplayOp> keys;
    bool planned = false;
    // A dropped figure lies at the bottom until the next tick sets it and
    // brings the next: the player waits for that one.
    bool waiting = false;
    while (rules.GameState.Status == kStatusPlaying) {
        const TAbsFigure* figure = rules.GameState.CurFig;
        const int y = figure->Y;
        if (waiting || nextTick <= nextKey) {
            r.Steps.push_back(TReplayStep{nextTick, TReplayOp::Tick});
            ApplyReplayOp(rules, TReplayOp::Tick);
            if (rules.GameState.CurFig != figure || rules.GameState.CurFig->Y < y) { // a new figure
                nextKey = std::max(nextKey, nextTick + pace.ThinkMs);
                waiting = planned = false;
            }
            nextTick += static_cast<std::uint32_t>(rules.GameState.FallPeriod);
            continue;
        }
        if (!planned) {
            keys = nextKey < playMs ? BestKeys(rules) : std::vector<TReplayOp>{TReplayOp::Drop};
            planned = true;
        }
        const TReplayOp op = keys.empty() ? TReplayOp::Drop : keys.front();
        if (!keys.empty())
            keys.erase(keys.begin());
        r.Steps.push_back(TReplayStep{nextKey, op});
        ApplyReplayOp(rules, op);
        waiting = op == TReplayOp::Drop;
        nextKey += pace.KeyMs;
    }
    r.HasClaim = true;
    r.Name = name;
    r.Score = rules.GameState.Score;
    return r;
}

void WaitWhileItIsPlayed(const TReplay& game, std::chrono::steady_clock::time_point dealtAt)
{
    const std::uint32_t played = game.Steps.empty() ? 0 : game.Steps.back().TimeMs;
    std::this_thread::sleep_until(dealtAt + std::chrono::milliseconds(played + 1000));
}

} // namespace ServerTest
