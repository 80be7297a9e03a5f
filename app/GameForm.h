// TGameForm: the main window of the game without its page set: the SDL
// window, the back buffer every paint is drawn into, the window canvas, the
// host adaptor, the timers of the window thread and the main loop. The form
// that owns the game's page set derives from it (TfrmGFourfall); tests derive
// their own with a small page set.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/ScrPagesCorvaneBase.h"
#include "platform/TimerScheduler.h"
#include "platform/desktop/GameWindow.h"
#include "platform/desktop/InputRecord.h"
#include "wlib/ScrPages.h"
#include "wlib/graphics/Canvas.h"

namespace Platform {
class Bitmap;
}

namespace TumbletownApp {

class TGameForm {
public:
    static constexpr int32_t kWidth = Platform::GameWindow::kWidth;
    static constexpr int32_t kHeight = Platform::GameWindow::kHeight;

    // pages: the page set the form drives; the deriving form owns it and
    // destroys it before this base goes. clock: milliseconds of a monotonic
    // clock for the timers (the system's when empty).
    TGameForm(WLib::TScrPages& pages, Platform::TimerScheduler::Clock clock = {});
    virtual ~TGameForm();
    TGameForm(const TGameForm&) = delete;
    TGameForm& operator=(const TGameForm&) = delete;

    // Shows the window: placed for the screen, system cursor hidden. False
    // when no window could be opened. Without a window the form still runs
    // (tests do so); its paints are then shown nowhere.
    // With saved: as the player left the window last time (see
    // GameWindow::Open).
    bool OpenWindow(const std::string& caption, const Platform::WindowGeometry* saved = nullptr);

    // Start-up: bitmap factory, canvas, host, the page set's rectangle,
    // InitPages, one drain of the queue, the tree dump, then FinishStart.
    void FormCreate();
    // FormCreate in two halves, so that the first frame is on the screen
    // sooner: CreateFirstPage readies what the first page shows (paint it
    // then); the rest of the start (the page set's FinishPagesStep pieces,
    // and the window's gamepads: those plugged in already are announced as
    // added, like later ones) is then done by StartStep a piece at a time,
    // by the main loop in idle turns, and by FinishStart all at once.
    void CreateFirstPage();
    // One piece of the rest of the start; false once it is all done.
    bool StartStep();
    void FinishStart();
    // Whether the rest of the start is still to come.
    bool IsStartPending() const { return StartPending; }
    // Paints the whole tree into the back buffer and shows it in one piece.
    void FormPaint();

    // The window's input, each handled to its end (queue drained) here.
    void FormKeyDown(int32_t key);
    void FormKeyPress(uint8_t character);
    void FormKeyUp(int32_t key);
    void FormMouseDown(int32_t button, int32_t x, int32_t y);
    void FormMouseMove(int32_t x, int32_t y);
    void FormMouseUp(int32_t button, int32_t x, int32_t y);
    // A window that loses the focus or is minimised tells the whole tree
    // (evFocusLost): a running game pauses, since the player is not looking.
    // Regaining the focus changes nothing: the player goes on with P.
    void FormActivate() {}
    void FormDeactivate();

    // One record of the window to the handler it belongs to.
    void HandleInput(const Platform::InputRecord& record);
    // One turn of the main loop after its input: the records in order (none
    // after a close), then the timers that are due, then the paint if one
    // was asked for. A key or a button of the mouse first takes the start as
    // far as CanShowEveryPage: what it leads to may need any picture.
    void HandleTurn(const std::vector<Platform::InputRecord>& records);
    // How long the main loop may sleep: 0 with a paint waiting or the start
    // not finished, else until the next timer is due, -1 (until input) with
    // no timer running.
    int SleepLimitMs() const;
    // The main loop: sleeps until input or the next due timer, handles the
    // turn and a piece of the start if some is left, until the window is
    // closed.
    void Run();
    // A loop inside the main loop, for a question waiting for its answer:
    // input and paints, no timers, until done() or the window closes. Returns
    // at once without a window (nothing could answer).
    void RunModal(const std::function<bool()>& done);

    // Host requests (through the adaptor).
    void Invalidate() { RepaintWanted = true; }
    void Close() { Closed = true; }

    bool IsClosed() const { return Closed; }
    bool IsRepaintWanted() const { return RepaintWanted; }
    int PaintCount() const { return Paints; }
    // Milliseconds from construction of the form to the end of its first
    // paint; -1 before it.
    int64_t FirstFrameMs() const { return FirstFrame; }
    // Milliseconds from construction of the form to the end of the rest of
    // the start; -1 before it.
    int64_t StartFinishedMs() const { return StartFinished; }
    const Platform::Bitmap* BackBuffer() const { return Back; }
    Platform::GameWindow& Window() { return GameWindow; }
    Platform::TimerScheduler& Scheduler() { return TimerScheduler; }
    TScrPagesCorvaneBase& Host() { return Adaptor; }
    WLib::TCanvasGDIBase& WindowCanvas() { return Canvas; }

    // The element tree after start-up, one element a line; a diagnostic kept
    // with the window and shown nowhere.
    std::string Memo1;

protected:
    // Loads and builds the page set (the last page built is shown first),
    // at least as far as its first page needs for a whole paint.
    virtual void InitPages() = 0;
    // One piece of what InitPages left for after the first paint; false,
    // doing nothing, once there is none left.
    virtual bool FinishPagesStep() { return false; }
    // After every paint is on the screen: work that may wait for it.
    virtual void AfterPaint() {}
    // Whether every page can already be shown whole, though pieces that no
    // page shows (the sound, say) may still be to come.
    virtual bool CanShowEveryPage() const { return !StartPending; }

private:
    int64_t MsSinceCreated() const;

    std::chrono::steady_clock::time_point Created = std::chrono::steady_clock::now();
    bool StartPending = false;
    int64_t StartFinished = -1;
    bool PadsAsked = false;
    Platform::TimerScheduler TimerScheduler;
    Platform::GameWindow GameWindow;
    // The double buffer, kWidth x kHeight: the window's own frame once the
    // window is open, where the renderer allows (see OpenWindow).
    Platform::Bitmap* Back = nullptr;
    Platform::DC* BackDC = nullptr;
    // Embedded, never freed through reference counts; it outlives the page
    // set, whose every element holds a reference to it.
    WLib::TCanvasGDIBase Canvas;
    TScrPagesCorvaneBase Adaptor;
    WLib::TScrPages& Pages;
    bool RepaintWanted = false;
    bool Closed = false;
    int Paints = 0;
    int64_t FirstFrame = -1;
    std::vector<Platform::InputRecord> Records;
};

} // namespace TumbletownApp
