// TGhost: the game a player races, a replay played in rules of its own beside
// the player's game. It is moved by the replay's own times against the
// player's played time, so the two games see the same figures at the same
// moments; its results never reach any high-score table but its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "rules/Replay.h"
#include "rules/Rules.h"

namespace WFourfall {

class TGhost {
public:
    // Sets up rules of its own for the replay and starts its game; the
    // final score is worked out at once (the race's finishing line).
    void Start(const GFourfall::TReplay& replay);
    // No ghost any more.
    void Stop();
    bool Active() const { return Running; }

    // Applies every operation due by playedMs of play; true when any was.
    bool CatchUp(int64_t playedMs);
    // The time of play at which the next operation is due; -1 when none is left.
    int64_t NextDueMs() const;
    // The ghost's game has ended.
    bool Over() const { return Running && Rules.GameState.Status == GFourfall::kStatusGameOver; }
    // The score the ghost's game ends with.
    int32_t FinalScore() const { return Final; }
    std::size_t StepsDone() const { return Next; }

    const GFourfall::TReplay& Replay() const { return Raced; }
    const GFourfall::TRules& State() const { return Rules; }

private:
    GFourfall::TRules Rules;
    GFourfall::TReplay Raced;
    std::size_t Next = 0;
    int32_t Final = 0;
    bool Running = false;
};

} // namespace WFourfall
