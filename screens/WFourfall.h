// TWFourfall: the board widget and the controller of a game. It starts games
// on its start codes, turns the player's keys into figure moves, keeps its
// fall timer at the rules' fall period, repaints, plays the sound effects the
// rules ask for and opens the high-score page when a result entered the table.
// Every game it starts is recorded (see rules/Replay.h), and it plays
// recorded games back for watching.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "rules/CommandFig.h"
#include "rules/HiScores.h"
#include "rules/Replay.h"
#include "rules/Rules.h"
#include "screens/GameServices.h"
#include "screens/Ghost.h"
#include "store/Controls.h"
#include "wlib/App.h"
#include "wlib/Timer.h"
#include "wlib/graphics/Bitmap.h"
#include "wlib/graphics/Geometry.h"
#include "wlib/sound/Sound.h"

namespace WFourfall {

// The sound effects, in the order their request flags are looked at.
enum : int {
    sndRotate,
    sndHitBottom,
    sndDrop,
    sndRemove,
    sndNewLevel,
    sndGameOver,
    sndClap,
    sndCount,
};
extern const char* const kEffectFiles[sndCount];

// Draws one 16 x 16 tile of colour v (1 to 7) in the block style of the
// options' NumBlocks at (x, y) of the element's canvas.
void DrawCell(WLib::TApp* element, const TOptions& options, const WLib::TBitmap& balls, int32_t v, int32_t x,
              int32_t y);
// Draws one 16 x 16 tile of a special figure (the creator or the destroyer)
// in the block style of the options' NumBlocks at (x, y); a plain figure's kind
// draws nothing.
void DrawSpecialCell(WLib::TApp* element, const TOptions& options, const WLib::TBitmap& specials,
                     GFourfall::TSpecialKind kind, int32_t x, int32_t y);
// Draws the figure's cells with their top-left corner at (x, y), in the
// special figures' own tiles when it is one.
void DrawFigure(WLib::TApp* element, const TOptions& options, const WLib::TBitmap& balls,
                const WLib::TBitmap& specials, const GFourfall::TAbsFigure& figure, int32_t x, int32_t y);

// The seed the next board widget gives the rules: the millisecond clock, or
// the fixed value set here (for tests and the headless driver).
void UseFixedRulesSeed(uint32_t seed);
void UseClockRulesSeed();

class TWFourfall : public WLib::TApp {
public:
    static constexpr int32_t kGameCount = 9;
    // The speeds a replay can be watched at (keys 1, 2 and 4).
    static constexpr int32_t kWatchSpeeds[3] = {1, 2, 4};

    // Resets the given rules (the page set's), seeds them, registers the game
    // types and takes the nine consecutive start codes.
    explicit TWFourfall(GFourfall::TRules& rules);
    ~TWFourfall() override;

    bool HandleEvent(int32_t code, int32_t param) override;
    // The landed cells and the falling figure, the landing shadow under
    // them when the option is on; "GAME OVER", "PAUSE" or "REPLAY" over them
    // on a plate, with a line of what the keys do now (a replay's speed).
    void Paint() override;

    // Brings the play page to the front and starts a new game of number k.
    void StartPlay(int32_t k);
    // Follows the rules after an event: timer period, repaint, effects, result page.
    void SyncWithRules();
    // P: stops a running game's timer, or lets a stopped game go on.
    void TogglePause();
    // Pauses a running game or a watched replay on the play page (the window
    // lost the focus); nothing when it is paused already or no game runs.
    void Pause();
    // The play page's Main Menu button, Escape and the pad's Back: a game
    // still running is paused and the player asked whether to leave it (No
    // preferred, back to the paused game); after GAME OVER, while watching or
    // once the player said Yes, the main menu.
    void Leave();
    // Whether a game is going on that leaving would throw away.
    bool GameRunning() const;
    // The game is paused: the rules know nothing of it (their Status stays
    // playing); the timer is stopped and the keys move nothing.
    bool IsPaused() const { return Paused; }

    // Every operation the play screen hands the rules goes through here, from
    // whatever input made it: it is applied and, while the recorded game is
    // being played, written down with the milliseconds of play so far.
    void Operate(GFourfall::TReplayOp op);
    // The record of the game started last (complete once it has ended).
    const GFourfall::TReplay& Recording() const { return Record; }
    // The token of the seed the server dealt for the recorded game; empty
    // when it plays a seed of the game's own.
    const std::string& DealtToken() const { return Record.Token; }
    // True once the recorded game has ended (its last operation is in).
    bool RecordingComplete() const { return RecordDone; }
    // Games are recorded unless this is switched off (to measure what
    // recording costs).
    bool Records = true;

    // Brings the play page to the front and plays the replay at its pace.
    // While watching, the player's moves do not reach the rules: P pauses,
    // 1, 2 and 4 set the speed, Escape and leaving the page end it. The
    // high-score table stays as it was.
    void Watch(const GFourfall::TReplay& replay);
    void EndWatching();
    bool IsWatching() const { return Watching; }
    int32_t WatchSpeed() const { return Speed; }
    // Operations of the watched replay applied so far.
    std::size_t WatchedSteps() const { return WatchNext; }

    // Starts a race against a replay: a new game on the play page with the
    // replay's seed, well, game type and options, the replay's game beside
    // it as the ghost, moved by its recorded times against this game's
    // played time (pauses pause it). The game is recorded and may enter the
    // table as any other; the ghost's never does. False, and nothing
    // changes, when the replay's well is not this board's size.
    bool Race(const GFourfall::TReplay& ghost);
    // The game started last races a ghost (until the next game starts or
    // a replay is watched).
    bool Racing() const { return Ghost.Active(); }
    const TGhost& RacedGhost() const { return Ghost; }
    // The recorded game raced a ghost: its figures were known beforehand.
    bool RecordingRaced() const { return RecordRaced; }
    // Repainted whenever the ghost moves (the play page's ghost panel).
    WLib::TApp* GhostView = nullptr;
    // The one door through which the player's play operations reach the
    // rules: the chosen keys, their repeat and the gamepad all end here, one
    // call per move, turn or drop (paLeft, paRight, paTurn, paDrop, paDown;
    // anything else is ignored). Whoever wants to see or record what the
    // player did to the board watches this. Does nothing unless a game is
    // running, not paused, on the shown page.
    void Perform(TPlayAction action);
    // Told of every operation Perform passes to the rules, after the rules
    // have taken it (a recorder, a test).
    std::function<void(TPlayAction)> Performed;

    // The keys of the actions and the repeat; the page set's, or the
    // defaults when none is given.
    const TControls* Controls = nullptr;

    WLib::TBitmap Balls;
    WLib::TBitmap Specials; // the tiles of the creator and the destroyer
    WLib::TSize CellSize{16, 16};
    WLib::TTimer FallTimer;   // a child element of the board
    WLib::TTimer RepeatTimer; // the game's own repeat of a held move
    WLib::TTimer WatchTimer;  // paces a watched replay
    WLib::TSound Sounds[sndCount];
    int32_t ResultPageId = 0;
    // Told when a finished game has just made an entry in the high-score
    // table (before the result page is asked for): what the player earned is
    // kept at once, whatever key comes next.
    std::function<void()> EntryMade;
    // Told when a new game starts while the last game's entry still waits
    // for its name: the name stands as typed.
    std::function<void()> EntryLeft;
    int32_t MenuPageId = 0; // where leaving the play page leads
    // The code of the play page's way back (its button and Escape): Leave.
    int32_t LeaveId = WLib::NewId();
    // Where the leave question is asked; none: a running game is never left
    // without the player's Yes.
    const TGameServices* Services = nullptr;
    int32_t StartIds[kGameCount];
    int32_t TimerPeriod = 0;
    // The game this board plays (the page set's).
    GFourfall::TRules& Rules;

private:
    bool OnShownPage() const;
    int64_t NowMs() const;
    // Milliseconds of play of the recorded game: pauses do not count.
    int64_t PlayedMs() const;
    void HandleWatchKey(int32_t key);
    void WatchTick();
    void ScheduleWatch();
    void CatchUpWatchClock();
    bool Playing() const;
    const TControls& Keys() const;
    // A key went down or up; true when it was one of the play's.
    bool KeyDown(int32_t key);
    void KeyUp(int32_t key);
    void StopRepeat();

    // The held key that repeats its action, 0 for none.
    int32_t RepeatKey = 0;
    TPlayAction RepeatAction = paNone;
    bool RepeatingAtRate = false;
    void PaintLandingShadow();
    void PaintPlate();

    bool Paused = false;
    // The game over keys that were already down when the game ended: they
    // start the next game only once let go, so that the drop being hammered
    // when the well filled up does not skip the final board.
    bool HeldAtGameOver[256] = {};
    void NoteGameOverKeys();

    GFourfall::TReplay Record;
    bool Recording_ = false;
    bool RecordDone = false;
    int64_t PlayedBefore = 0; // play before the last pause
    int64_t ResumedAt = 0;    // clock when play last (re)started

    bool Watching = false;
    GFourfall::TReplay Watched;
    std::size_t WatchNext = 0;    // the next step to apply
    int64_t WatchClock = 0;       // replay time reached
    int32_t WatchPlanned = 0;     // period of the watch timer now running
    int64_t WatchScheduledAt = 0; // clock when it was set
    int32_t Speed = 1;
    THiScoreTable KeptScores{};

    // Starts game number k; with a ghost, from the ghost's start.
    void BeginGame(int32_t k, const GFourfall::TReplay* ghost);
    // The ghost catches up with the time played and waits for its next step.
    void MoveGhost();
    TGhost Ghost;
    // Made at the first race: without races the element tree is as it was.
    std::unique_ptr<WLib::TTimer> GhostTimer;
    bool RecordRaced = false;
    // The generator as it stood before a race took the ghost's seed: the
    // next ordinary game goes on from there.
    bool RandomKept = false;
    uint32_t KeptRandom = 0;
};

} // namespace WFourfall
