#include "screens/WFourfall.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/KeyCodes.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
#include "rules/Replay.h"
#include "screens/QuestionBox.h"
#include "screens/layout/TileColours.h"
#include "wlib/ScrPage.h"
#include "wlib/ScrPages.h"

namespace WFourfall {

using namespace WLib;
using namespace GFourfall;

const char* const kEffectFiles[sndCount] = {
    "Sounds\\Rotate.wav",   "Sounds\\HitBottom.wav", "Sounds\\Drop.wav", "Sounds\\Remove.wav",
    "Sounds\\NewLevel.wav", "Sounds\\GameOver.wav",  "Sounds\\Clap.wav",
};

namespace {

bool FixedSeed = false;
uint32_t FixedSeedValue = 0;

uint32_t RulesSeed()
{
    if (FixedSeed)
        return FixedSeedValue;
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

constexpr uint32_t kTextColour = 0xDCFDEE;
constexpr const char* kLeaveQuestion = "Leave this game? It is not over and cannot be taken up again.";
constexpr int kTextWeight = 800;
// The plate under PAUSE, GAME OVER and REPLAY: the question box's panel,
// and its hint line in a quieter colour (0x00BBGGRR).
constexpr uint32_t kPlateGround = kPanelColour;
constexpr uint32_t kPlateRim = kRimColour;
constexpr uint32_t kHintColour = 0xF0D8C8;
constexpr int kHintWeight = 400;
constexpr int32_t kPlateMargin = 10;

} // namespace

void UseFixedRulesSeed(uint32_t seed)
{
    FixedSeed = true;
    FixedSeedValue = seed;
}

void UseClockRulesSeed()
{
    FixedSeed = false;
}

namespace {

uint32_t Bgr(uint32_t rgb)
{
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// The tile's style row, held to the rows the sheet has: a value edited by
// hand must not make every block invisible.
int32_t StyleRow(const TOptions& options, const TBitmap& sheet)
{
    const int32_t rows = sheet.IsEmpty() ? 0 : sheet.GetSize().Height / kTileSize;
    return std::clamp(options.NumBlocks, 0, std::max(rows - 1, 0));
}

// The shadow's dots: light and dark in turn, so that the outline shows on the
// dark and the light backgrounds alike while staying thin.
constexpr uint32_t kShadowLight = 0xE8E8E8;
constexpr uint32_t kShadowDark = 0x202020;

void ShadowDot(TCanvas& canvas, int32_t x, int32_t y)
{
    canvas.FillRect(TRect(x, y, x + 1, y + 1), ((x + y) & 1) != 0 ? kShadowDark : kShadowLight);
}

} // namespace

void DrawCell(TApp* element, const TOptions& options, const TBitmap& balls, int32_t v, int32_t x, int32_t y)
{
    if (v < 1 || v > kTileColourCount)
        return;
    const TSize sheet = balls.IsEmpty() ? TSize{0, 0} : balls.GetSize();
    const int32_t left = (v - 1) * kTileSize;
    const int32_t top = StyleRow(options, balls) * kTileSize;
    if (left + kTileSize <= sheet.Width && top + kTileSize <= sheet.Height) {
        element->Canvas.Draw(balls, kRopSrcCopy, x, y, TRect(left, top, left + kTileSize, top + kTileSize));
        return;
    }
    // No tile to copy: a flat square of the cell's colour with a dark rim,
    // so that neighbours stay apart.
    element->Canvas.FillRect(TRect(x, y, x + kTileSize, y + kTileSize), 0x000000);
    element->Canvas.FillRect(TRect(x + 1, y + 1, x + kTileSize - 1, y + kTileSize - 1),
                             Bgr(kTileColours[v - 1]));
}

void DrawSpecialCell(TApp* element, const TOptions& options, const TBitmap& specials, TSpecialKind kind,
                     int32_t x, int32_t y)
{
    if (kind == TSpecialKind::None)
        return;
    const int32_t column = kind == TSpecialKind::Creator ? 0 : 1;
    const TSize sheet = specials.IsEmpty() ? TSize{0, 0} : specials.GetSize();
    const int32_t left = column * kTileSize;
    const int32_t top = StyleRow(options, specials) * kTileSize;
    if (left + kTileSize <= sheet.Width && top + kTileSize <= sheet.Height) {
        element->Canvas.Draw(specials, kRopSrcCopy, x, y,
                             TRect(left, top, left + kTileSize, top + kTileSize));
        return;
    }
    // No tile to copy: the ground with a rim, and the sign (a plus for the
    // creator, a bar across for the destroyer), still telling the two apart.
    TCanvas& canvas = element->Canvas;
    canvas.FillRect(TRect(x, y, x + kTileSize, y + kTileSize), 0x000000);
    canvas.FillRect(TRect(x + 1, y + 1, x + kTileSize - 1, y + kTileSize - 1),
                    Bgr(kSpecialTileGrounds[column]));
    const uint32_t sign = Bgr(kSpecialTileSigns[column]);
    canvas.FillRect(TRect(x + 4, y + 7, x + 12, y + 9), sign);
    if (kind == TSpecialKind::Creator)
        canvas.FillRect(TRect(x + 7, y + 4, x + 9, y + 12), sign);
}

void DrawFigure(TApp* element, const TOptions& options, const TBitmap& balls, const TBitmap& specials,
                const TAbsFigure& figure, int32_t x, int32_t y)
{
    const TSpecialKind kind = SpecialKind(&figure);
    for (int32_t r = 0; r < figure.Height && r < kFigureSize; ++r)
        for (int32_t c = 0; c < figure.Width && c < kFigureSize; ++c) {
            const uint8_t v = figure.Cells[r][c];
            if (v == 0)
                continue;
            if (kind != TSpecialKind::None)
                DrawSpecialCell(element, options, specials, kind, x + c * kTileSize, y + r * kTileSize);
            else
                DrawCell(element, options, balls, v, x + c * kTileSize, y + r * kTileSize);
        }
}

TWFourfall::TWFourfall(GFourfall::TRules& rules) : Rules(rules)
{
    RulesReset(Rules);
    RulesInit(Rules, RulesSeed());
    RegisterGameTypes(Rules);
    // Consecutive codes: StartIds[k] is StartIds[0] + k.
    for (int k = 0; k < kGameCount; ++k)
        StartIds[k] = NewId();
    Insert(&FallTimer, this);
    Insert(&WatchTimer, this);
    Insert(&RepeatTimer, this);
}

TWFourfall::~TWFourfall() = default;

bool TWFourfall::OnShownPage() const
{
    return Page != nullptr && Page->Active();
}

const TControls& TWFourfall::Keys() const
{
    static const TControls kDefaults;
    return Controls != nullptr ? *Controls : kDefaults;
}

bool TWFourfall::Playing() const
{
    // A watched replay takes no moves at all.
    return Rules.GameState.Status == kStatusPlaying && !Paused && !Watching &&
           Rules.GameState.CurFig != nullptr && OnShownPage();
}

void TWFourfall::Perform(TPlayAction action)
{
    if (!Playing())
        return;
    switch (action) {
    case paLeft:
        Operate(TReplayOp::Left);
        break;
    case paRight:
        Operate(TReplayOp::Right);
        break;
    case paTurn:
        Operate(TReplayOp::Rotate);
        break;
    case paDrop:
        Operate(TReplayOp::Drop);
        break;
    case paDown:
        Operate(TReplayOp::Down);
        break;
    default:
        return;
    }
    if (Performed)
        Performed(action);
}

void TWFourfall::StopRepeat()
{
    RepeatKey = 0;
    RepeatAction = paNone;
    RepeatTimer.Stop();
}

bool TWFourfall::KeyDown(int32_t key)
{
    // Keys move the figure only while the game is on screen: keys typed on
    // other pages (a name, say) must not play a game left behind.
    if (!OnShownPage())
        return false;
    // A watched replay hears its own few keys and nothing else.
    if (Watching) {
        HandleWatchKey(key);
        return true;
    }
    // The desktop repeats a held key at its own pace: moves repeat at the
    // game's, and turns and drops do not repeat at all.
    const bool desktopRepeat = Pages != nullptr && Pages->KeyRepeating();
    const TPlayAction action = Keys().ActionOf(key);
    if (action == paPause) {
        if (!desktopRepeat)
            TogglePause();
        return true;
    }
    if (action == paNone || !Playing())
        return false;
    if (desktopRepeat)
        return true;
    Perform(action);
    if (action == paLeft || action == paRight || action == paDown) {
        RepeatKey = key;
        RepeatAction = action;
        RepeatingAtRate = false;
        RepeatTimer.Start(Keys().RepeatDelayMs);
    }
    return true;
}

void TWFourfall::KeyUp(int32_t key)
{
    if (key == RepeatKey)
        StopRepeat();
    if (key >= 0 && key < 256)
        HeldAtGameOver[key] = false;
}

bool TWFourfall::GameRunning() const
{
    return Rules.GameState.Status == kStatusPlaying && !Watching && OnShownPage();
}

void TWFourfall::Leave()
{
    if (GameRunning()) {
        if (!Paused)
            TogglePause();
        // The board shows PAUSE behind the question.
        SyncWithRules();
        if (Services == nullptr || !Services->Ask(kLeaveQuestion, Platform::TPreferredAnswer::No))
            return;
        // Thrown away: nothing is left to go on with.
        Recording_ = false;
        Paused = false;
        Rules.GameState.Status = kStatusNoGame;
        Rules.GameState.Changed = true;
    }
    if (Watching)
        EndWatching();
    // Leaving the page leaves the race: the ghost goes with it.
    Ghost.Stop();
    if (GhostTimer)
        GhostTimer->Stop();
    if (MenuPageId != 0)
        Post(this, MenuPageId, 0, CallDispatch, nullptr);
}

void TWFourfall::NoteGameOverKeys()
{
    for (int key = 0; key < 256; ++key)
        HeldAtGameOver[key] = Pages != nullptr && Pages->KeyHeld(key);
}

bool TWFourfall::HandleEvent(int32_t code, int32_t param)
{
    bool taken = false;
    if (code == evKeyDown)
        taken = KeyDown(param);
    if (code == evKeyUp)
        KeyUp(param);
    if (code == RepeatTimer.TickId) {
        if (RepeatKey != 0 && Playing()) {
            Perform(RepeatAction);
            // The first repeat came after the delay; the next ones come at
            // the rate.
            if (!RepeatingAtRate) {
                RepeatingAtRate = true;
                RepeatTimer.Start(Keys().RepeatRateMs);
            }
        } else {
            StopRepeat();
        }
    }
    // After a game over on the play screen, Enter, Space or the pad's A or
    // Start starts the same game type again. Not while an entry of the
    // high-score list still waits for its name: Enter confirms that name
    // wherever it is pressed.
    const bool entryOpen = Rules.GameState.HiScorePos >= 0 && Rules.GameState.HiScorePos < kScoreEntries;
    if (code == evKeyDown &&
        (param == Platform::kVkReturn || param == Platform::kVkSpace || param == Platform::kVkPadA ||
         param == Platform::kVkPadStart) &&
        OnShownPage() && Rules.GameState.Status == kStatusGameOver && !entryOpen && !Watching &&
        !HeldAtGameOver[param]) {
        // After a race, again is the same race.
        if (Ghost.Active())
            Race(Ghost.Replay());
        else
            StartPlay(Rules.GameState.GameNum);
        taken = true;
    }
    if (code == evFocusLost)
        Pause();
    if (code == evDeactivated) {
        FallTimer.Stop();
        StopRepeat();
        if (Watching)
            EndWatching();
    }
    if (code >= StartIds[0] && code < StartIds[0] + kGameCount)
        StartPlay(code - StartIds[0]);
    if (code == LeaveId)
        Leave();
    if (code == FallTimer.TickId && !Watching) {
        Operate(TReplayOp::Tick);
        Rules.GameState.Changed = true;
    }
    if (code == WatchTimer.TickId && Watching)
        WatchTick();
    MoveGhost();
    SyncWithRules();
    return TApp::HandleEvent(code, param) || taken;
}

void TWFourfall::StartPlay(int32_t k)
{
    BeginGame(k, nullptr);
}

bool TWFourfall::Race(const TReplay& ghost)
{
    if (ghost.Columns != Rect.Width() / CellSize.Width || ghost.Rows != Rect.Height() / CellSize.Height)
        return false;
    // The replay may be the ghost's own (racing again).
    const TReplay raced = ghost;
    BeginGame(raced.GameNum, &raced);
    SyncWithRules();
    return true;
}

void TWFourfall::BeginGame(int32_t k, const TReplay* ghost)
{
    if (Watching)
        EndWatching();
    if (Rules.GameState.HiScorePos >= 0 && Rules.GameState.HiScorePos < kScoreEntries && EntryLeft)
        EntryLeft();
    Activate(Page);
    Paused = false;
    if (ghost != nullptr) {
        // The ghost's figures: its seed, taken over for this game only.
        if (!RandomKept)
            KeptRandom = Rules.RandomState;
        RandomKept = true;
        SeedRandom(Rules, ghost->Seed);
        SetSize(Rules, ghost->Columns, ghost->Rows);
    } else {
        if (RandomKept)
            Rules.RandomState = KeptRandom;
        RandomKept = false;
        SetSize(Rules, Rect.Width() / CellSize.Width, Rect.Height() / CellSize.Height);
    }
    SelectGame(Rules, k);
    // A seed the server dealt for this type ahead of time, when one is in
    // hand, is played and its token goes with the record (once: the next
    // game gets the next seed). Otherwise the generator goes on from game to
    // game; the record starts from where it stands, so that the game can be
    // played again from its seed alone. A race plays the ghost's seed and
    // takes no dealt one.
    TDealtSeed dealt;
    const bool seeded =
        ghost == nullptr && Services != nullptr && Services->TakeSeed(Rules.GameState.GameNum, dealt);
    if (seeded)
        SeedRandom(Rules, dealt.Seed);
    Record = TReplay();
    Record.Version = GameVersion();
    Record.Seed = SeedOfRandomState(Rules);
    if (seeded)
        Record.Token = dealt.Token;
    Record.Columns = Rules.GameState.Width;
    Record.Rows = Rules.GameState.Height;
    Record.GameNum = Rules.GameState.GameNum;
    const TOptions kept = Rules.Options;
    if (ghost != nullptr) {
        // The ghost's options for its start; the player's stay as they are.
        Rules.Options.StartLevel = ghost->StartLevel;
        Rules.Options.Difficulty = ghost->Difficulty;
    }
    Record.StartLevel = Rules.Options.StartLevel;
    Record.Difficulty = Rules.Options.Difficulty;
    StartGame(Rules);
    Rules.Options = kept;
    Recording_ = Rules.GameState.Status == kStatusPlaying;
    RecordDone = false;
    RecordRaced = ghost != nullptr;
    PlayedBefore = 0;
    ResumedAt = NowMs();
    FallTimer.Start(Rules.GameState.FallPeriod);
    if (ghost != nullptr) {
        if (!GhostTimer) {
            GhostTimer = std::make_unique<TTimer>();
            Insert(GhostTimer.get(), this);
        }
        Ghost.Start(*ghost);
    } else {
        Ghost.Stop();
        if (GhostTimer)
            GhostTimer->Stop();
    }
    MoveGhost();
    if (GhostView != nullptr)
        Invalidate(GhostView);
}

void TWFourfall::MoveGhost()
{
    if (!Ghost.Active() || !GhostTimer)
        return;
    if (Paused || Watching) {
        GhostTimer->Stop();
        return;
    }
    // The ghost keeps up with the time played even when the page went away
    // at that very moment (a last landing that opened the result page).
    const int64_t played = PlayedMs();
    if (Ghost.CatchUp(played) && GhostView != nullptr)
        Invalidate(GhostView);
    const int64_t due = Ghost.NextDueMs();
    if (due < 0 || !OnShownPage())
        GhostTimer->Stop();
    else
        GhostTimer->Start(static_cast<int32_t>(std::clamp<int64_t>(due - played, 1, INT32_MAX / 4)));
}

int64_t TWFourfall::NowMs() const
{
    return Pages != nullptr && Pages->Host != nullptr ? Pages->Host->NowMs() : 0;
}

int64_t TWFourfall::PlayedMs() const
{
    return Paused ? PlayedBefore : PlayedBefore + (NowMs() - ResumedAt);
}

void TWFourfall::Operate(TReplayOp op)
{
    const bool recorded = Recording_ && Records && !Watching && Rules.GameState.Status == kStatusPlaying;
    if (recorded) {
        const int64_t ms = std::clamp<int64_t>(PlayedMs(), 0, UINT32_MAX);
        // Times never go back, whatever the clock does.
        const uint32_t last = Record.Steps.empty() ? 0 : Record.Steps.back().TimeMs;
        Record.Steps.push_back(TReplayStep{std::max(static_cast<uint32_t>(ms), last), op});
    }
    const bool wasPlaying = Rules.GameState.Status == kStatusPlaying;
    ApplyReplayOp(Rules, op);
    if (wasPlaying && Rules.GameState.Status == kStatusGameOver)
        NoteGameOverKeys();
    if (recorded && Rules.GameState.Status != kStatusPlaying) {
        Recording_ = false;
        RecordDone = true;
    }
}

void TWFourfall::Watch(const TReplay& replay)
{
    if (Watching)
        EndWatching();
    Activate(Page);
    FallTimer.Stop();
    Ghost.Stop();
    if (GhostTimer)
        GhostTimer->Stop();
    Recording_ = false;
    Paused = false;
    Watching = true;
    KeptScores = Rules.HiScores;
    Watched = replay;
    StartReplayedGame(Rules, Watched);
    TimerPeriod = Rules.GameState.FallPeriod;
    Rules.GameState.Changed = true;
    WatchNext = 0;
    WatchClock = 0;
    Speed = 1;
    ScheduleWatch();
    SyncWithRules();
}

void TWFourfall::EndWatching()
{
    if (!Watching)
        return;
    Watching = false;
    Paused = false;
    WatchTimer.Stop();
    Rules.HiScores = KeptScores;
    Rules.GameState.HiScorePos = -1;
    Rules.GameState.NewHiScore = false;
    // What was watched is over: no game is left to go on with.
    if (Rules.GameState.Status == kStatusPlaying)
        Rules.GameState.Status = kStatusNoGame;
    Rules.GameState.Changed = true;
}

void TWFourfall::HandleWatchKey(int32_t key)
{
    if (key == Platform::kVkEscape) {
        EndWatching();
        if (MenuPageId != 0)
            Post(this, MenuPageId, 0, CallDispatch, nullptr);
        return;
    }
    if (key == Platform::kVkP && Rules.GameState.Status == kStatusPlaying) {
        if (!Paused)
            CatchUpWatchClock();
        Paused = !Paused;
        if (Paused)
            WatchTimer.Stop();
        else
            ScheduleWatch();
        Rules.GameState.Changed = true;
    }
    for (int32_t speed : kWatchSpeeds) {
        if (key == '0' + speed && speed != Speed) {
            if (!Paused)
                CatchUpWatchClock();
            Speed = speed;
            if (!Paused)
                ScheduleWatch();
        }
    }
}

void TWFourfall::CatchUpWatchClock()
{
    // The time watched since the timer was set counts, up to the next step:
    // pausing or changing the speed neither skips nor repeats any of it.
    if (WatchNext >= Watched.Steps.size())
        return;
    const int64_t watched = std::max<int64_t>(NowMs() - WatchScheduledAt, 0) * Speed;
    WatchClock = std::min<int64_t>(WatchClock + watched, Watched.Steps[WatchNext].TimeMs);
}

void TWFourfall::ScheduleWatch()
{
    if (WatchNext >= Watched.Steps.size()) {
        WatchTimer.Stop();
        return;
    }
    const int64_t due = std::max<int64_t>(Watched.Steps[WatchNext].TimeMs - WatchClock, 0);
    WatchPlanned = static_cast<int32_t>(std::clamp<int64_t>((due + Speed - 1) / Speed, 1, INT32_MAX / 4));
    WatchTimer.Start(WatchPlanned);
    WatchScheduledAt = NowMs();
}

void TWFourfall::WatchTick()
{
    // A tick may come later than asked (the timers' shortest period, a busy
    // loop): the replay keeps up with the time that passed.
    WatchClock += std::max<int64_t>(WatchPlanned, NowMs() - WatchScheduledAt) * Speed;
    const bool wasPlaying = Rules.GameState.Status == kStatusPlaying;
    while (WatchNext < Watched.Steps.size() && Watched.Steps[WatchNext].TimeMs <= WatchClock)
        ApplyReplayOp(Rules, Watched.Steps[WatchNext++].Op);
    Rules.GameState.Changed = true;
    if (wasPlaying && Rules.GameState.Status != kStatusPlaying) {
        // The watched game's result is no result of this player's.
        Rules.HiScores = KeptScores;
        Rules.GameState.HiScorePos = -1;
        Rules.GameState.NewHiScore = false;
    }
    ScheduleWatch();
}

void TWFourfall::Pause()
{
    if (!Paused && OnShownPage() && Rules.GameState.Status == kStatusPlaying)
        TogglePause();
}

void TWFourfall::TogglePause()
{
    if (Watching) {
        HandleWatchKey(Platform::kVkP);
        return;
    }
    if (Rules.GameState.Status != kStatusPlaying)
        return;
    if (!Paused) {
        PlayedBefore = PlayedMs();
        Paused = true;
        FallTimer.Stop();
        Rules.GameState.Changed = true;
    } else {
        Paused = false;
        ResumedAt = NowMs();
        TimerPeriod = Rules.GameState.FallPeriod;
        FallTimer.Start(Rules.GameState.FallPeriod);
        Rules.GameState.Changed = true;
    }
}

void TWFourfall::SyncWithRules()
{
    TGameState& s = Rules.GameState;
    if (TimerPeriod != s.FallPeriod && Watching)
        TimerPeriod = s.FallPeriod; // the replay paces the fall
    if (TimerPeriod != s.FallPeriod) {
        TimerPeriod = s.FallPeriod;
        FallTimer.Start(s.FallPeriod);
    }
    if (s.Changed)
        Invalidate(this);
    if (Rules.Options.ZPlaySound != 0) {
        bool* flags[sndCount] = {&s.SndRotate,   &s.SndHitBottom, &s.SndDrop, &s.SndRemove,
                                 &s.SndNewLevel, &s.SndGameOver,  &s.SndClap};
        for (int i = 0; i < sndCount; ++i) {
            if (*flags[i]) {
                *flags[i] = false;
                Sounds[i].Play();
            }
        }
    }
    s.Changed = false;
    if (s.NewHiScore) {
        if (EntryMade)
            EntryMade();
        Post(this, ResultPageId, 0, CallDispatch, nullptr);
        s.NewHiScore = false;
    }
}

void TWFourfall::PaintLandingShadow()
{
    const TAbsFigure* f = Rules.GameState.CurFig;
    if (f == nullptr || !f->OnBoard)
        return;
    const int32_t fall = f->DropDistance();
    if (fall <= 0)
        return; // it lies where it would land: the figure itself covers the place
    auto filled = [f](int32_t r, int32_t c) {
        return r >= 0 && r < f->Height && r < kFigureSize && c >= 0 && c < f->Width && c < kFigureSize &&
               f->Cells[r][c] != 0;
    };
    const int32_t w = CellSize.Width, h = CellSize.Height;
    for (int32_t r = 0; r < f->Height && r < kFigureSize; ++r)
        for (int32_t c = 0; c < f->Width && c < kFigureSize; ++c) {
            if (!filled(r, c))
                continue;
            // Board rows and columns count from 1; the widget's pixels from 0.
            const int32_t x = (f->X + c - 1) * w;
            const int32_t y = (f->Y + fall + r - 1) * h;
            // Only the figure's outline: an edge between two of its cells is not drawn.
            if (!filled(r - 1, c))
                for (int32_t i = 0; i < w; ++i)
                    ShadowDot(Canvas, x + i, y);
            if (!filled(r + 1, c))
                for (int32_t i = 0; i < w; ++i)
                    ShadowDot(Canvas, x + i, y + h - 1);
            if (!filled(r, c - 1))
                for (int32_t i = 0; i < h; ++i)
                    ShadowDot(Canvas, x, y + i);
            if (!filled(r, c + 1))
                for (int32_t i = 0; i < h; ++i)
                    ShadowDot(Canvas, x + w - 1, y + i);
        }
}

void TWFourfall::Paint()
{
    const TGameState& s = Rules.GameState;
    // Under the cells, so that where the figure already covers its landing
    // place, the figure shows and not its outline.
    if (Rules.Options.ZShadow != 0 && s.Status == kStatusPlaying && !Paused)
        PaintLandingShadow();
    // The falling figure is stamped into the board like any block; a special
    // one is told apart by its place and drawn in its own tiles.
    const TAbsFigure* cur = s.CurFig;
    const TSpecialKind special = cur != nullptr && cur->OnBoard ? SpecialKind(cur) : TSpecialKind::None;
    for (int32_t r = 0; r < s.Height; ++r)
        for (int32_t c = 0; c < s.Width; ++c) {
            const uint8_t v = s.Board[r + 1][c + 1];
            if (v == kCellEmpty || v == kCellWall)
                continue;
            const int32_t fr = r + 1 - (special != TSpecialKind::None ? cur->Y : 0);
            const int32_t fc = c + 1 - (special != TSpecialKind::None ? cur->X : 0);
            const bool ofSpecial = special != TSpecialKind::None && fr >= 0 && fr < cur->Height &&
                                   fr < kFigureSize && fc >= 0 && fc < cur->Width && fc < kFigureSize &&
                                   cur->Cells[fr][fc] != 0;
            if (ofSpecial)
                DrawSpecialCell(this, Rules.Options, Specials, special, c * CellSize.Width,
                                r * CellSize.Height);
            else
                DrawCell(this, Rules.Options, Balls, v, c * CellSize.Width, r * CellSize.Height);
        }
    PaintPlate();
}

void TWFourfall::PaintPlate()
{
    const TGameState& s = Rules.GameState;
    const char* title = nullptr;
    if (s.Status == kStatusGameOver)
        title = "GAME OVER";
    else if (s.Status == kStatusPlaying && Paused)
        title = "PAUSE";
    else if (s.Status == kStatusPlaying && Watching)
        title = "REPLAY";
    if (title == nullptr)
        return;
    // What the player can do now, in the keys they have.
    std::string hint;
    if (Watching)
        hint = "Speed " + std::to_string(Speed) + "x   Esc: stop";
    else if (s.Status == kStatusGameOver)
        hint = "Enter: again   Esc: menu";
    else
        hint = Platform::VirtualKeyName(Keys().Keys[paPause]) + ": go on   Esc: leave";
    // A plate across the well, so that the words never sit on the blocks.
    const int32_t w = Rect.Width(), h = Rect.Height();
    const int32_t plateH = w * 2 / 5;
    const TRect plate(kPlateMargin, (h - plateH) / 2, w - kPlateMargin, (h + plateH) / 2);
    Canvas.FillRect(plate, kPlateRim);
    Canvas.FillRect(TRect(plate.Left + 2, plate.Top + 2, plate.Right - 2, plate.Bottom - 2), kPlateGround);
    Canvas.SetTextColor(kTextColour);
    Canvas.GetFont().SetWeight(kTextWeight);
    Canvas.GetFont().SetHeight(w / 8);
    const int32_t split = plate.Top + plateH * 3 / 5;
    Canvas.DrawTextInRect(0, TRect(plate.Left, plate.Top + 4, plate.Right, split), title);
    Canvas.SetTextColor(kHintColour);
    Canvas.GetFont().SetWeight(kHintWeight);
    Canvas.GetFont().SetHeight(w / 15);
    Canvas.DrawTextInRect(0, TRect(plate.Left, split, plate.Right, plate.Bottom - 6), hint.c_str());
}

} // namespace WFourfall
