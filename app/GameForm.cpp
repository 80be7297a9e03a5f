#include "app/GameForm.h"

#include "platform/Memory.h"
#include "platform/desktop/Bitmap.h"
#include "platform/desktop/DeviceContext.h"
#include "wlib/App.h"
#include "wlib/graphics/Bitmap.h"
#include "wlib/graphics/Font.h"

#include <cstring>

namespace TumbletownApp {

using namespace WLib;

TGameForm::TGameForm(TScrPages& pages, Platform::TimerScheduler::Clock clock)
    : TimerScheduler(std::move(clock)), Adaptor(TimerScheduler), Pages(pages)
{
    Back = Platform::CreateCompatibleBitmap(kWidth, kHeight);
    BackDC = Platform::CreateMemoryDC();
    Platform::SelectBitmap(BackDC, Back);
}

TGameForm::~TGameForm()
{
    // The deriving form has destroyed the page set by now; nothing draws here
    // any more.
    Canvas.DC = nullptr;
    Platform::DeleteDC(BackDC);
    Platform::DeleteBitmap(Back);
}

bool TGameForm::OpenWindow(const std::string& caption, const Platform::WindowGeometry* saved)
{
    if (!GameWindow.Open(caption, saved))
        return false;
    // Drawn straight into the window's frame where the renderer allows: the
    // paint is then shown without a copy, and the back buffer's memory is
    // saved. What is drawn already goes along.
    int pitch = 0;
    if (uint16_t* frame = GameWindow.FramePixels(pitch)) {
        if (Platform::Bitmap* onFrame = Platform::WrapBitmap(frame, kWidth, kHeight, pitch)) {
            for (int y = 0; y < kHeight; ++y)
                std::memcpy(onFrame->Row(y), Back->Row(y), size_t(kWidth) * 2);
            Platform::SelectBitmap(BackDC, onFrame);
            Platform::DeleteBitmap(Back);
            Back = onFrame;
        }
    }
    return true;
}

void TGameForm::FormCreate()
{
    CreateFirstPage();
    FinishStart();
}

void TGameForm::CreateFirstPage()
{
    // Every skin bitmap of the pages is made by this factory.
    BitmapFactory = NewBitmapGDI;
    // Placement, the hidden system cursor and double buffering are the
    // window's (OpenWindow); this DC is the back buffer's, valid between
    // paints too, so that pages brought to the front draw into it at once.
    Canvas.DC = BackDC;
    Canvas.Font = TFont::NewDefault();
    Adaptor.Window = this;
    Pages.Host = &Adaptor;
    Pages.Canvas.SetImpl(&Canvas);
    TApp::Link(&Pages);
    // The fixed layout, whatever the window's outer size: in full screen the
    // window scales the 800 x 600 picture.
    TApp::SetRect(&Pages, TRect{0, 0, kWidth, kHeight});
    InitPages();
    // Activations, shows and hides of the build take effect before the first
    // paint.
    Pages.Events.ProcessEvents();
    const TAString dump = TApp::DumpTree(&Pages, TAString("\r\n"), TAString("\r\n"));
    Memo1.assign(dump.Text(), static_cast<size_t>(dump.Length()));
    Invalidate();
    StartPending = true;
}

int64_t TGameForm::MsSinceCreated() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Created)
        .count();
}

bool TGameForm::StartStep()
{
    if (!StartPending)
        return false;
    if (!PadsAsked) {
        PadsAsked = true;
        GameWindow.OpenPads();
    } else if (!FinishPagesStep()) {
        StartPending = false;
        StartFinished = MsSinceCreated();
        // What the start decoded, parsed and tried (the audio back ends,
        // say) and then freed goes back to the system.
        Platform::GiveBackFreeMemory();
    }
    Pages.Events.ProcessEvents();
    return StartPending;
}

void TGameForm::FinishStart()
{
    while (StartStep()) {
    }
}

void TGameForm::FormPaint()
{
    RepaintWanted = false;
    Platform::DC* kept = Canvas.DC;
    Canvas.DC = BackDC;
    Pages.PaintTree();
    Canvas.DC = kept;
    GameWindow.Present(reinterpret_cast<const uint16_t*>(Back->Bits()), Back->Stride());
    ++Paints;
    if (FirstFrame < 0)
        FirstFrame = MsSinceCreated();
    AfterPaint();
}

void TGameForm::FormKeyDown(int32_t key)
{
    Pages.KeyDown(key);
}

void TGameForm::FormKeyPress(uint8_t character)
{
    Pages.KeyPress(character);
}

void TGameForm::FormKeyUp(int32_t key)
{
    Pages.KeyUp(key);
}

void TGameForm::FormDeactivate()
{
    Pages.PostAndProcess(evFocusLost, 0);
}

void TGameForm::FormMouseDown(int32_t button, int32_t x, int32_t y)
{
    Pages.MouseDown(x, y, button);
}

void TGameForm::FormMouseMove(int32_t x, int32_t y)
{
    Pages.MouseMove(x, y);
}

void TGameForm::FormMouseUp(int32_t button, int32_t x, int32_t y)
{
    Pages.MouseUp(x, y, button);
}

namespace {

// Input whose handling may show any page (or a lit button of it); the
// pointer moving over the first page, the window's focus and its exposure
// need nothing more than the first page has.
bool NeedsEveryPage(Platform::InputRecord::Kind kind)
{
    using Kind = Platform::InputRecord::Kind;
    return kind == Kind::KeyDown || kind == Kind::KeyPress || kind == Kind::KeyUp ||
           kind == Kind::MouseDown || kind == Kind::MouseUp;
}

} // namespace

void TGameForm::HandleInput(const Platform::InputRecord& record)
{
    using Kind = Platform::InputRecord::Kind;
    switch (record.kind) {
    case Kind::KeyDown:
        FormKeyDown(record.code);
        break;
    case Kind::KeyPress:
        FormKeyPress(static_cast<uint8_t>(record.code));
        break;
    case Kind::KeyUp:
        FormKeyUp(record.code);
        break;
    case Kind::MouseDown:
        FormMouseDown(record.code, record.x, record.y);
        break;
    case Kind::MouseMove:
        FormMouseMove(record.x, record.y);
        break;
    case Kind::MouseUp:
        FormMouseUp(record.code, record.x, record.y);
        break;
    case Kind::Activate:
        FormActivate();
        break;
    case Kind::Deactivate:
        FormDeactivate();
        break;
    case Kind::Close:
        Close();
        break;
    case Kind::Expose:
        // No partial repaint: the window shows a whole new paint.
        Invalidate();
        break;
    }
}

void TGameForm::HandleTurn(const std::vector<Platform::InputRecord>& records)
{
    for (const Platform::InputRecord& record : records) {
        if (Closed)
            return;
        if (NeedsEveryPage(record.kind))
            while (!CanShowEveryPage() && StartStep()) {
            }
        HandleInput(record);
    }
    if (Closed)
        return;
    // Only here, outside every drain, paint and input handler, do timers tick.
    TimerScheduler.FireDue();
    if (RepaintWanted && !Closed)
        FormPaint();
}

int TGameForm::SleepLimitMs() const
{
    return RepaintWanted || StartPending ? 0 : TimerScheduler.MillisecondsUntilDue();
}

void TGameForm::RunModal(const std::function<bool()>& done)
{
    if (GameWindow.Handle() == nullptr)
        return;
    // Its own records: the turn that asked is still going through the main
    // loop's.
    std::vector<Platform::InputRecord> records;
    while (!Closed && !done()) {
        if (RepaintWanted)
            FormPaint();
        records.clear();
        GameWindow.WaitForInput(RepaintWanted ? 0 : -1, records);
        for (const Platform::InputRecord& record : records) {
            if (Closed || done())
                break;
            HandleInput(record);
        }
    }
    if (RepaintWanted && !Closed)
        FormPaint();
}

void TGameForm::Run()
{
    while (!Closed) {
        Records.clear();
        GameWindow.WaitForInput(SleepLimitMs(), Records);
        HandleTurn(Records);
        if (!Closed)
            StartStep();
    }
}

} // namespace TumbletownApp
