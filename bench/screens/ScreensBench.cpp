// Full repaints of the game's screens on the test host: the play screen in
// the middle of a game (background, tiles, preview, panel, the cursor) and
// the main menu. TUMBLETOWN_DATA_DIR chooses the skins (the built content);
// without it the tests' solid-colour fixture is used.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "platform/OfflineAudioDriver.h"
#include "platform/SettingsStore.h"
#include "platform/hssDriver.h"
#include "rules/GameState.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "screens/GamePages.h"
#include "screens/ProcessState.h"
#include "tests/screens/Fixtures.h"
#include "wlib/TestHost.h"

namespace {

using namespace WFourfall;
using namespace WLib;

struct TGame {
    Platform::TMemorySettingsStore Store;
    TProcessScope Process{&Store, TOfflineAudioDriver::Factory(), 5};
    TTestHost Host;
    std::unique_ptr<TGamePages> Pages;

    TGame()
    {
        Pages = std::make_unique<TGamePages>();
        const char* data = std::getenv("TUMBLETOWN_DATA_DIR");
        static const Test::TFixtureData fixture;
        Pages->Services.DataFolder = data != nullptr && *data ? data : fixture.Path();
        Host.Attach(*Pages);
        Pages->InitPages();
        Host.Start();
        Pages->MouseMove(400, 300);
    }
    ~TGame() { Pages.reset(); }
};

void PlayScreenMidGame(benchmark::State& state)
{
    TGame game;
    game.Pages->PostAndProcess(game.Pages->Play.Board.StartIds[0], 0);
    // Half a board of landed figures.
    for (int i = 0; i < 40 && game.Pages->Rules.GameState.Status == GFourfall::kStatusPlaying; ++i) {
        game.Pages->KeyDown(i % 3 == 0 ? 0x25 : (i % 3 == 1 ? 0x27 : 0x26));
        game.Pages->KeyDown(0x25 + (i % 2) * 2);
        game.Pages->KeyDown(0x28);
        game.Host.Advance(1000);
        if (game.Pages->Rules.GameState.Board[14][7] != 0)
            break;
    }
    for (auto _ : state)
        game.Host.Paint();
}
BENCHMARK(PlayScreenMidGame)->Unit(benchmark::kMicrosecond);

// The play screen in the middle of a race (1) and of the same game played
// alone (0): what drawing the ghost's well and panel adds to a frame. The
// ghost is the replay of a first game played the same way, so both wells
// are half full.
void PlayScreenRace(benchmark::State& state)
{
    TGame game;
    TWFourfall& board = game.Pages->Play.Board;
    auto play = [&game] {
        for (int i = 0; i < 40 && game.Pages->Rules.GameState.Status == GFourfall::kStatusPlaying; ++i) {
            game.Pages->KeyDown(i % 3 == 0 ? 0x25 : (i % 3 == 1 ? 0x27 : 0x26));
            game.Pages->KeyDown(0x25 + (i % 2) * 2);
            game.Pages->KeyDown(0x28);
            game.Host.Advance(1000);
            if (game.Pages->Rules.GameState.Board[14][7] != 0)
                break;
        }
    };
    game.Pages->PostAndProcess(board.StartIds[0], 0);
    play();
    const GFourfall::TReplay ghost = board.Recording();
    if (state.range(0) != 0)
        board.Race(ghost);
    else
        game.Pages->PostAndProcess(board.StartIds[0], 0);
    play();
    if (board.Racing() != (state.range(0) != 0) ||
        game.Pages->Rules.GameState.Status != GFourfall::kStatusPlaying)
        state.SkipWithError("not the game asked for");
    for (auto _ : state)
        game.Host.Paint();
    state.counters["ghostSteps"] = static_cast<double>(board.Racing() ? board.RacedGhost().StepsDone() : 0);
}
BENCHMARK(PlayScreenRace)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One key event on the play screen, from the page set's input to the rules
// and the repaint request, with the game recorded (1) and not (0): what
// recording adds per event. Left and Right alternate, so the figure stays.
void PlayScreenKeyEvent(benchmark::State& state)
{
    TGame game;
    TWFourfall& board = game.Pages->Play.Board;
    board.Records = state.range(0) != 0;
    game.Pages->PostAndProcess(board.StartIds[0], 0);
    int32_t key = 0x25;
    for (auto _ : state) {
        game.Pages->KeyDown(key);
        game.Pages->KeyUp(key);
        key = key == 0x25 ? 0x27 : 0x25;
    }
    if (game.Pages->Rules.GameState.Status != GFourfall::kStatusPlaying)
        state.SkipWithError("the game ended");
    state.counters["recorded"] = static_cast<double>(board.Recording().Steps.size());
}
BENCHMARK(PlayScreenKeyEvent)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);

void MainMenu(benchmark::State& state)
{
    TGame game;
    for (auto _ : state)
        game.Host.Paint();
}
BENCHMARK(MainMenu)->Unit(benchmark::kMicrosecond);

} // namespace
