// The main window's logic without a display: start-up, paints into the back
// buffer, input records to the page set, timers on an injected clock and the
// order of a main-loop turn (input, timers, paint).
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/GameForm.h"
#include "platform/desktop/Bitmap.h"
#include "wlib/App.h"
#include "wlib/Events.h"
#include "wlib/ScrPage.h"
#include "wlib/Timer.h"
#include "wlib/graphics/Bitmap.h"

namespace {

using namespace WLib;
using Platform::InputRecord;
using Kind = Platform::InputRecord::Kind;

constexpr uint16_t kPageColour = 0x07E0; // green
constexpr uint16_t kWhite = 0xFFFF;

// An element that logs what it is offered and draws a square.
class TProbe : public TApp {
public:
    struct TSeen {
        int32_t Code;
        int32_t Param;
        bool operator==(const TSeen& o) const { return Code == o.Code && Param == o.Param; }
    };

    bool HandleEvent(int32_t code, int32_t param) override
    {
        const bool input =
            (code >= evKeyPress && code <= evKeyUp) || (code >= evRawMouseMove && code <= evRawMouseUp);
        if (input || code == Timer.TickId || code == evFocusLost)
            Seen.push_back({code, param});
        if (input && OnInput) {
            InHandler = true;
            OnInput(code, param);
            InHandler = false;
        }
        if (code == Timer.TickId) {
            TickedInHandler |= InHandler || InPaint;
            if (OnTick)
                OnTick();
        }
        return TApp::HandleEvent(code, param);
    }
    void Paint() override
    {
        InPaint = true;
        Canvas.Impl->Rectangle(AbsRect);
        if (OnPaint)
            OnPaint();
        InPaint = false;
    }

    TTimer Timer;
    std::vector<TSeen> Seen;
    std::function<void(int32_t, int32_t)> OnInput;
    std::function<void()> OnTick;
    std::function<void()> OnPaint;
    bool InHandler = false;
    bool InPaint = false;
    bool TickedInHandler = false;
};

std::ostream& operator<<(std::ostream& os, const TProbe::TSeen& s)
{
    return os << "(" << s.Code << ", " << s.Param << ")";
}

class TProbePages : public TScrPages {
public:
    TScrPage Back;
    TScrPage Front;
    TProbe Probe;
};

class TProbeForm : public TumbletownApp::TGameForm {
public:
    explicit TProbeForm(int64_t& now) : TGameForm(Pages, [&now] { return now; }) {}

    TProbePages Pages;
    // Pieces of the start left for after the first paint, done so far, and
    // needed before every page can be shown.
    int PiecesLeft = 0;
    int PiecesDone = 0;
    int PiecesNeeded = 0;

protected:
    bool CanShowEveryPage() const override { return PiecesDone >= PiecesNeeded; }
    bool FinishPagesStep() override
    {
        if (PiecesLeft == 0)
            return false;
        --PiecesLeft;
        ++PiecesDone;
        return true;
    }
    void InitPages() override
    {
        TBitmap colour;
        colour.Create(kWidth, kHeight);
        Platform::Bitmap* pixels = colour.Pixels();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels->SetPixel(x, y, kPageColour);
        TApp::Insert(&Pages.Back, &Pages);
        TApp::Insert(&Pages.Front, &Pages);
        Pages.Front.Background = colour;
        TApp::Insert(&Pages.Probe, &Pages.Front);
        TApp::SetBounds(&Pages.Probe, 100, 200, 50, 60);
        TApp::Insert(&Pages.Probe.Timer, &Pages.Probe);
    }
};

TBitmapBase* FakeFactory()
{
    return nullptr;
}

class GameForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        BitmapFactory = FakeFactory;
        Form.FormCreate();
    }
    void TearDown() override { BitmapFactory = NewBitmapGDI; }

    void Turn(std::vector<InputRecord> records = {}) { Form.HandleTurn(records); }
    static InputRecord Key(Kind kind, int code)
    {
        InputRecord r;
        r.kind = kind;
        r.code = code;
        return r;
    }
    TProbe& Probe() { return Form.Pages.Probe; }
    int Ticks() const
    {
        int n = 0;
        for (const TProbe::TSeen& s : Form.Pages.Probe.Seen)
            n += s.Code == Form.Pages.Probe.Timer.TickId;
        return n;
    }

    int64_t Now = 0;
    TProbeForm Form{Now};
};

TEST_F(GameForm, CreateWiresThePageSetAndShowsTheLastPageBuilt)
{
    EXPECT_EQ(BitmapFactory, &NewBitmapGDI);
    EXPECT_EQ(Form.Pages.Host, &Form.Host());
    EXPECT_EQ(Form.Host().Window, &Form);
    EXPECT_EQ(Form.Pages.Canvas.Impl, &Form.WindowCanvas());
    EXPECT_EQ(Form.Pages.Pages, &Form.Pages);
    EXPECT_EQ(Form.Pages.Rect, (TRect{0, 0, 800, 600}));
    // The start-up drain ran: the front page is the only visible page.
    EXPECT_TRUE(Form.Pages.Events.Empty());
    EXPECT_FALSE(Form.Pages.Back.Visible());
    EXPECT_TRUE(Form.Pages.Front.Visible());
    EXPECT_EQ(Form.Memo1, "\r\n::TPages(Show Act )"
                          "\r\n + ::TPage(Hide )"
                          "\r\n \\ ::TPage(Show Act )"
                          "\r\n    \\ ::TApp(Show Act )"
                          "\r\n       \\ ::TApp(Show Act )");
    EXPECT_TRUE(Form.IsRepaintWanted());
    EXPECT_EQ(Form.PaintCount(), 0);
    EXPECT_EQ(Form.FirstFrameMs(), -1);
}

TEST_F(GameForm, PaintDrawsTheWholeTreeIntoTheBackBuffer)
{
    Turn();
    ASSERT_EQ(Form.PaintCount(), 1);
    EXPECT_FALSE(Form.IsRepaintWanted());
    EXPECT_GE(Form.FirstFrameMs(), 0);
    const Platform::Bitmap* back = Form.BackBuffer();
    EXPECT_EQ(back->Pixel(0, 0), kPageColour);
    EXPECT_EQ(back->Pixel(799, 599), kPageColour);
    EXPECT_EQ(back->Pixel(99, 199), kPageColour);
    // The probe's square: a black outline around white.
    EXPECT_EQ(back->Pixel(100, 200), 0);
    EXPECT_EQ(back->Pixel(159, 249), 0);
    EXPECT_EQ(back->Pixel(101, 201), kWhite);
    EXPECT_EQ(back->Pixel(158, 248), kWhite);
    EXPECT_EQ(back->Pixel(160, 250), kPageColour);
    // Nothing asked for another paint.
    Turn();
    EXPECT_EQ(Form.PaintCount(), 1);
}

struct InputCase {
    const char* Name;
    InputRecord Record;
    std::vector<TProbe::TSeen> Seen; // what the page set's tree is offered
};

std::ostream& operator<<(std::ostream& os, const InputCase& c)
{
    return os << c.Name << " [" << Platform::ToString(c.Record) << "]";
}

InputRecord Rec(Kind kind, int code, int x = 0, int y = 0, bool repeat = false)
{
    InputRecord r;
    r.kind = kind;
    r.code = code;
    r.x = x;
    r.y = y;
    r.repeat = repeat;
    return r;
}

class GameFormInput : public GameForm, public ::testing::WithParamInterface<InputCase> {};

TEST_P(GameFormInput, ReachesThePageSetAsItsEvent)
{
    Turn();
    const InputCase& c = GetParam();
    Turn({c.Record});
    EXPECT_EQ(Probe().Seen, c.Seen);
    if (c.Record.kind == Kind::MouseMove || c.Record.kind == Kind::MouseDown ||
        c.Record.kind == Kind::MouseUp) {
        EXPECT_EQ(Form.Pages.Mouse.X, c.Record.x);
        EXPECT_EQ(Form.Pages.Mouse.Y, c.Record.y);
    }
    EXPECT_FALSE(Form.IsClosed());
}

INSTANTIATE_TEST_SUITE_P(
    Records, GameFormInput,
    ::testing::Values(InputCase{"arrow", Rec(Kind::KeyDown, 0x25), {{evKeyDown, 0x25}}},
                      InputCase{"repeat", Rec(Kind::KeyDown, 0x26, 0, 0, true), {{evKeyDown, 0x26}}},
                      InputCase{"key up", Rec(Kind::KeyUp, 0x11), {{evKeyUp, 0x11}}},
                      InputCase{"byte above 127", Rec(Kind::KeyPress, 233), {{evKeyPress, 233}}},
                      InputCase{"backspace", Rec(Kind::KeyPress, 8), {{evKeyPress, 8}}},
                      InputCase{"move", Rec(Kind::MouseMove, 0, 120, 230), {{evRawMouseMove, 0}}},
                      InputCase{"right button", Rec(Kind::MouseDown, 3, 5, 6), {{evRawMouseDown, 0}}},
                      InputCase{"left up", Rec(Kind::MouseUp, 1, 799, 599), {{evRawMouseUp, 0}}},
                      InputCase{"focus in", Rec(Kind::Activate, 0), {}},
                      InputCase{"focus out", Rec(Kind::Deactivate, 0), {{evFocusLost, 0}}}),
    [](const ::testing::TestParamInfo<InputCase>& info) {
        std::string name = info.param.Name;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST_F(GameForm, MouseInputReachesTheElementUnderThePointer)
{
    Turn();
    Turn({Rec(Kind::MouseMove, 0, 130, 220), Rec(Kind::MouseDown, 1, 130, 220)});
    EXPECT_TRUE(Probe().MouseInside());
    Turn({Rec(Kind::MouseMove, 0, 10, 10)});
    EXPECT_FALSE(Probe().MouseInside());
}

TEST_F(GameForm, TimersRunOnTheClockAndRestartReplacesThePlatformTimer)
{
    Turn();
    Probe().Timer.Start(100);
    EXPECT_EQ(Form.Host().LiveTimers(), 1);
    TWinTimer* first = Probe().Timer.PlatformTimer;
    Probe().Timer.Start(500);
    EXPECT_EQ(Form.Host().LiveTimers(), 1);
    // The freed record serves the next timer.
    EXPECT_EQ(Probe().Timer.PlatformTimer, first);
    EXPECT_EQ(Form.SleepLimitMs(), 500);
    Now = 499;
    Turn();
    EXPECT_EQ(Ticks(), 0);
    EXPECT_EQ(Form.SleepLimitMs(), 1);
    Now = 500;
    Turn();
    EXPECT_EQ(Ticks(), 1);
    // Late ticks are not made up: 1.7 periods late gives one tick.
    Now = 1850;
    Turn();
    EXPECT_EQ(Ticks(), 2);
    EXPECT_EQ(Form.SleepLimitMs(), 500);
    Probe().Timer.Stop();
    EXPECT_EQ(Form.Host().LiveTimers(), 0);
    EXPECT_EQ(Form.SleepLimitMs(), -1); // idle: sleep until input
    Now = 10000;
    Turn();
    EXPECT_EQ(Ticks(), 2);
}

TEST_F(GameForm, ATimerDueDuringAnInputHandlerTicksAfterIt)
{
    Turn();
    Probe().Timer.Start(100);
    // The handler takes 250 ms: the timer is due twice over meanwhile.
    Probe().OnInput = [this](int32_t code, int32_t) {
        if (code == evKeyDown)
            Now += 250;
    };
    Turn({Rec(Kind::KeyDown, 0x28), Rec(Kind::KeyUp, 0x28)});
    const int32_t tick = Probe().Timer.TickId;
    EXPECT_EQ(Probe().Seen, (std::vector<TProbe::TSeen>{{evKeyDown, 0x28}, {evKeyUp, 0x28}, {tick, 0}}));
    EXPECT_FALSE(Probe().TickedInHandler);
}

TEST_F(GameForm, ATimerDueDuringAPaintTicksInTheNextTurn)
{
    Probe().Timer.Start(100);
    Probe().OnPaint = [this] { Now += 150; };
    Turn(); // the start-up paint, slow
    EXPECT_EQ(Form.PaintCount(), 1);
    EXPECT_EQ(Ticks(), 0);
    EXPECT_EQ(Form.SleepLimitMs(), 0);
    Probe().OnPaint = nullptr;
    Turn();
    EXPECT_EQ(Ticks(), 1);
    EXPECT_FALSE(Probe().TickedInHandler);
}

TEST_F(GameForm, ATickThatAsksForAPaintIsPaintedInTheSameTurn)
{
    Turn();
    Probe().Timer.Start(40);
    Probe().OnTick = [this] { TApp::Invalidate(&Probe()); };
    Now = 40;
    Turn();
    EXPECT_EQ(Ticks(), 1);
    EXPECT_EQ(Form.PaintCount(), 2);
}

TEST_F(GameForm, ManyRepaintRequestsMakeOnePaint)
{
    Turn();
    Probe().OnInput = [this](int32_t, int32_t) {
        for (int i = 0; i < 20; ++i)
            TApp::Invalidate(&Probe());
    };
    Turn({Rec(Kind::KeyDown, 0x41), Rec(Kind::KeyPress, 'a'), Rec(Kind::KeyUp, 0x41)});
    EXPECT_EQ(Form.PaintCount(), 2);
    // An exposed window is painted whole again.
    Turn({Rec(Kind::Expose, 0)});
    EXPECT_EQ(Form.PaintCount(), 3);
}

TEST_F(GameForm, QuitClosesAndDropsTheRestOfTheTurn)
{
    Turn();
    Probe().Timer.Start(100);
    Probe().OnInput = [this](int32_t code, int32_t param) {
        if (code == evKeyDown && param == 0x51) {
            TApp::Post(&Probe(), evQuit, 0, CallDispatch, nullptr);
            TApp::Invalidate(&Probe());
            Now += 500;
        }
    };
    Turn({Rec(Kind::KeyDown, 0x51), Rec(Kind::KeyDown, 0x25)});
    EXPECT_TRUE(Form.IsClosed());
    EXPECT_EQ(Probe().Seen, (std::vector<TProbe::TSeen>{{evKeyDown, 0x51}}));
    EXPECT_EQ(Ticks(), 0);
    EXPECT_EQ(Form.PaintCount(), 1);
}

TEST_F(GameForm, TheWindowsCloseButtonCloses)
{
    Turn({Rec(Kind::Close, 0), Rec(Kind::KeyDown, 0x25)});
    EXPECT_TRUE(Form.IsClosed());
    EXPECT_TRUE(Probe().Seen.empty());
    EXPECT_EQ(Form.PaintCount(), 0);
}

TEST_F(GameForm, ATickMayStopItsOwnTimer)
{
    Turn();
    Probe().Timer.Start(100);
    Probe().OnTick = [this] { Probe().Timer.Stop(); };
    Now = 100;
    Turn();
    EXPECT_EQ(Ticks(), 1);
    EXPECT_EQ(Form.Host().LiveTimers(), 0);
    Now = 1000;
    Turn();
    EXPECT_EQ(Ticks(), 1);
}

// The start in two halves, as the game starts: a first paint, then the
// rest a piece at a time.
class HalfStarted : public ::testing::Test {
protected:
    void SetUp() override
    {
        BitmapFactory = FakeFactory;
        Form.PiecesLeft = 3;
        Form.PiecesNeeded = 2;
        Form.CreateFirstPage();
        Form.HandleTurn({});
        Form.Pages.Probe.OnInput = [this](int32_t, int32_t) { DoneWhenHandled.push_back(Form.PiecesDone); };
    }
    void TearDown() override { BitmapFactory = NewBitmapGDI; }

    int64_t Now = 0;
    TProbeForm Form{Now};
    std::vector<int> DoneWhenHandled; // pieces done when the tree got each input
};

TEST_F(HalfStarted, TheRestComesAPieceAtATimeAndTheLoopDoesNotSleepMeanwhile)
{
    EXPECT_EQ(Form.PaintCount(), 1) << "the first page is painted before the rest";
    EXPECT_TRUE(Form.IsStartPending());
    EXPECT_EQ(Form.StartFinishedMs(), -1);
    EXPECT_EQ(Form.SleepLimitMs(), 0);
    EXPECT_TRUE(Form.StartStep()); // the window's gamepads
    EXPECT_EQ(Form.PiecesDone, 0);
    for (int piece = 1; piece <= 3; ++piece) {
        EXPECT_TRUE(Form.StartStep());
        EXPECT_EQ(Form.PiecesDone, piece);
    }
    EXPECT_FALSE(Form.StartStep());
    EXPECT_FALSE(Form.IsStartPending());
    EXPECT_GE(Form.StartFinishedMs(), Form.FirstFrameMs());
    EXPECT_EQ(Form.SleepLimitMs(), -1) << "no timer: sleeps until input";
    EXPECT_FALSE(Form.StartStep());
    EXPECT_EQ(Form.PiecesDone, 3);
}

struct StartCase {
    const char* Name;
    InputRecord Record;
    bool Waits; // the pieces every page needs are done before the record is handled
};

std::ostream& operator<<(std::ostream& os, const StartCase& c)
{
    return os << c.Name;
}

class InputWhileStarting : public HalfStarted, public ::testing::WithParamInterface<StartCase> {};

TEST_P(InputWhileStarting, KeysAndButtonsWaitForEveryPageThePointerDoesNot)
{
    const StartCase& c = GetParam();
    Form.HandleTurn({c.Record});
    // Only as far as the pages need: the last piece is left for the loop.
    EXPECT_EQ(Form.PiecesDone, c.Waits ? 2 : 0);
    EXPECT_TRUE(Form.IsStartPending());
    const bool reachesTree = c.Record.kind != Kind::Activate && c.Record.kind != Kind::Deactivate &&
                             c.Record.kind != Kind::Expose && c.Record.kind != Kind::Close;
    if (reachesTree) {
        EXPECT_EQ(DoneWhenHandled, std::vector<int>{c.Waits ? 2 : 0});
    }
    // A second key finds every page there and waits for nothing (a closed
    // form takes no more input).
    Form.HandleTurn({Rec(Kind::KeyDown, 0x28)});
    EXPECT_EQ(Form.PiecesDone, Form.IsClosed() ? 0 : 2);
    EXPECT_TRUE(Form.IsStartPending());
}

INSTANTIATE_TEST_SUITE_P(
    Records, InputWhileStarting,
    ::testing::Values(StartCase{"key_down", Rec(Kind::KeyDown, 0x0D), true},
                      StartCase{"key_press", Rec(Kind::KeyPress, 'a'), true},
                      StartCase{"key_up", Rec(Kind::KeyUp, 0x25), true},
                      StartCase{"button_down", Rec(Kind::MouseDown, 1, 130, 220), true},
                      StartCase{"button_up", Rec(Kind::MouseUp, 1, 130, 220), true},
                      StartCase{"pointer_move", Rec(Kind::MouseMove, 0, 130, 220), false},
                      StartCase{"exposed", Rec(Kind::Expose, 0), false},
                      StartCase{"focus_in", Rec(Kind::Activate, 0), false},
                      StartCase{"focus_out", Rec(Kind::Deactivate, 0), false},
                      StartCase{"closed", Rec(Kind::Close, 0), false}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.Name); });

} // namespace
