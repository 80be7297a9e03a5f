// played-game GAME SEED NAME COLUMNS ROWS [TOKEN]: writes to standard output
// the replay of a finished game of that game number, played by the scripted
// player of the replay tests for a minute, on a well of that size. Without a
// token, seeds from SEED on are tried until the game scores (a result of 0
// points is never sent); the first line on standard error names the seed
// used. With a token a server dealt, the game plays the token's seed (SEED
// is not used) and its replay carries the token, as the game's own would.
#include "tests/server/ReplayGames.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 6 && argc != 7) {
        std::cerr << "usage: played-game GAME SEED NAME COLUMNS ROWS [TOKEN]\n";
        return 2;
    }
    const int game = std::atoi(argv[1]);
    if (argc == 7) {
        const std::string token = argv[6];
        if (ServerTest::SeedOfToken(token) == 0) {
            std::cerr << "played-game: not a token: " << token << "\n";
            return 2;
        }
        const GFourfall::TReplay r = ServerTest::DealtGame(token, game, argv[3]);
        if (r.Score <= 0) {
            std::cerr << "played-game: the dealt game scored nothing\n";
            return 1;
        }
        std::cerr << "seed " << r.Seed << "\n";
        std::cout << GFourfall::ReplayText(r);
        return 0;
    }
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
