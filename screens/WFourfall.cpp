#include "screens/WFourfall.h"

#include <algorithm>
#include <chrono>

#include "platform/KeyCodes.h"
#include "rules/AbsFigure.h"
#include "rules/GameState.h"
#include "rules/GameTypes.h"
#include "rules/HiScores.h"
#include "rules/Options.h"
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
constexpr int kTextWeight = 800;

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

void DrawCell(TApp* element, const TBitmap& balls, int32_t v, int32_t x, int32_t y)
{
    if (v < 1 || v > kTileColourCount)
        return;
    // The style row is held to the rows the sheet has: a value edited by hand
    // must not make every block invisible.
    const TSize sheet = balls.IsEmpty() ? TSize{0, 0} : balls.GetSize();
    const int32_t rows = sheet.Height / kTileSize;
    const int32_t style = std::clamp(Options.NumBlocks, 0, std::max(rows - 1, 0));
    const int32_t left = (v - 1) * kTileSize;
    const int32_t top = style * kTileSize;
    if (left + kTileSize <= sheet.Width && top + kTileSize <= sheet.Height) {
        element->Canvas.Draw(balls, kRopSrcCopy, x, y, TRect(left, top, left + kTileSize, top + kTileSize));
        return;
    }
    // No tile to copy: a flat square of the cell's colour with a dark rim,
    // so that neighbours stay apart.
    const uint32_t rgb = kTileColours[v - 1];
    const uint32_t bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    element->Canvas.FillRect(TRect(x, y, x + kTileSize, y + kTileSize), 0x000000);
    element->Canvas.FillRect(TRect(x + 1, y + 1, x + kTileSize - 1, y + kTileSize - 1), bgr);
}

TWFourfall::TWFourfall()
{
    // The rules are one global state: a second page set (tests) starts afresh.
    RulesReset();
    RulesInit(RulesSeed());
    RegisterGameTypes();
    // Consecutive codes: StartIds[k] is StartIds[0] + k.
    for (int k = 0; k < kGameCount; ++k)
        StartIds[k] = NewId();
    Insert(&FallTimer, this);
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
    return GameState.Status == kStatusPlaying && !Paused && GameState.CurFig != nullptr && OnShownPage();
}

void TWFourfall::Perform(TPlayAction action)
{
    if (!Playing())
        return;
    TAbsFigure* f = GameState.CurFig;
    switch (action) {
    case paLeft:
        f->Left();
        break;
    case paRight:
        f->Right();
        break;
    case paTurn:
        f->Rotate();
        break;
    case paDrop:
        f->Drop();
        break;
    case paDown:
        f->Down();
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
    const bool entryOpen = GameState.HiScorePos >= 0 && GameState.HiScorePos < kScoreEntries;
    if (code == evKeyDown &&
        (param == Platform::kVkReturn || param == Platform::kVkSpace || param == Platform::kVkPadA ||
         param == Platform::kVkPadStart) &&
        OnShownPage() && GameState.Status == kStatusGameOver && !entryOpen) {
        StartPlay(GameState.GameNum);
        taken = true;
    }
    if (code == evDeactivated) {
        FallTimer.Stop();
        StopRepeat();
    }
    if (code >= StartIds[0] && code < StartIds[0] + kGameCount)
        StartPlay(code - StartIds[0]);
    if (code == FallTimer.TickId) {
        FallTick();
        GameState.Changed = true;
    }
    SyncWithRules();
    return TApp::HandleEvent(code, param) || taken;
}

void TWFourfall::StartPlay(int32_t k)
{
    Activate(Page);
    Paused = false;
    SetSize(Rect.Width() / CellSize.Width, Rect.Height() / CellSize.Height);
    SelectGame(k);
    StartGame();
    FallTimer.Start(GameState.FallPeriod);
}

void TWFourfall::TogglePause()
{
    if (GameState.Status != kStatusPlaying)
        return;
    if (!Paused) {
        Paused = true;
        FallTimer.Stop();
        GameState.Changed = true;
    } else {
        Paused = false;
        TimerPeriod = GameState.FallPeriod;
        FallTimer.Start(GameState.FallPeriod);
        GameState.Changed = true;
    }
}

void TWFourfall::SyncWithRules()
{
    TGameState& s = GameState;
    if (TimerPeriod != s.FallPeriod) {
        TimerPeriod = s.FallPeriod;
        FallTimer.Start(s.FallPeriod);
    }
    if (s.Changed)
        Invalidate(this);
    if (Options.ZPlaySound != 0) {
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
        Post(this, ResultPageId, 0, CallDispatch, nullptr);
        s.NewHiScore = false;
    }
}

void TWFourfall::Paint()
{
    const TGameState& s = GameState;
    for (int32_t r = 0; r < s.Height; ++r)
        for (int32_t c = 0; c < s.Width; ++c) {
            const uint8_t v = s.Board[r + 1][c + 1];
            if (v != kCellEmpty && v != kCellWall)
                DrawCell(this, Balls, v, c * CellSize.Width, r * CellSize.Height);
        }
    Canvas.SetTextColor(kTextColour);
    Canvas.GetFont().SetHeight(Rect.Width() / 8);
    Canvas.GetFont().SetWeight(kTextWeight);
    const TRect whole(0, 0, Rect.Width(), Rect.Height());
    if (s.Status == kStatusGameOver)
        Canvas.DrawTextInRect(0, whole, "GAME OVER");
    else if (s.Status == kStatusPlaying && Paused)
        Canvas.DrawTextInRect(0, whole, "PAUSE");
}

} // namespace WFourfall
