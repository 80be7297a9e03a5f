// fourfall-replay: a headless driver of the rules for bug reports,
// regression fixtures and bots. It reads whitespace-separated commands and
// prints the game state as JSON on request.
//
//   seed N            first, once: start the rules with the generator seeded
//                     with the unsigned 32-bit N, then register the game types
//   size C R          SetSize
//   select K          SelectGame
//   option NAME V     set an option by its stored value name (StartLevel, ...)
//   start             StartGame
//   left right rotate drop down
//                     the falling figure's operation, only while playing
//   tick              FallTick
//   at MS             the time of the operations that follow, in milliseconds
//                     of play (recorded games carry it); it may not go back
//   # ...             a comment, to the end of the line
//   print             one line of JSON; then clears Changed, NewHiScore and
//                     the sound requests, as the play screen would
//
// Anything else: one line on the error stream naming the bad token, status 2.
#pragma once

#include <istream>
#include <ostream>

namespace GFourfall {

constexpr int kReplayOk = 0;
constexpr int kReplayBadInput = 2;

// Runs the commands of in to its end. Returns kReplayOk at the end of input,
// kReplayBadInput at the first bad token (after the error line on err).
// Each run plays in rules of its own, made fresh: runs in one process (or
// on several threads) share nothing.
int RunReplay(std::istream& in, std::ostream& out, std::ostream& err);

} // namespace GFourfall
