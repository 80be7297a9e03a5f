// played-game GAME SEED NAME COLUMNS ROWS: writes to standard output the
// replay of a finished game of that game number, played by the scripted
// player of the replay tests for a minute, on a well of that size. Seeds
// from SEED on are tried until the game scores (a result of 0 points is
// never sent); the first line on standard error names the seed used.
#include "tests/server/ReplayGames.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::cerr << "usage: played-game GAME SEED NAME COLUMNS ROWS\n";
        return 2;
    }
    const int game = std::atoi(argv[1]);
    const auto seed = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    for (std::uint32_t s = seed; s < seed + 100; ++s) {
        GFourfall::TReplay r =
            ServerTest::PlayedGame(game, s, argv[3], 60000, std::atoi(argv[4]), std::atoi(argv[5]));
        if (r.Score > 0) {
            std::cerr << "seed " << s << "\n";
            std::cout << GFourfall::ReplayText(r);
            return 0;
        }
    }
    std::cerr << "played-game: no game scored\n";
    return 1;
}
