#include "app/frmGFourfall.h"

#include "platform/DataFolder.h"

namespace TumbletownApp {

TfrmGFourfall::TfrmGFourfall(Platform::TimerScheduler::Clock clock) : TGameForm(Pages, std::move(clock)) {}

TfrmGFourfall::~TfrmGFourfall() = default;

void TfrmGFourfall::InitPages()
{
    if (DataFolder.empty())
        DataFolder = Platform::FindDataFolder();
    Pages.Services.DataFolder = DataFolder;
    Pages.Services.Question = &Question;
    Pages.Services.Browser = &Browser;
    Pages.Services.Delivery = &Delivery;
    Pages.Services.Seeds = &Seeds;
    Pages.Services.WorldReplays = &WorldReplays;
    Pages.InitFirstPage();
}

bool TfrmGFourfall::FinishPagesStep()
{
    return Pages.FinishStartStep();
}

void TfrmGFourfall::AfterPaint()
{
    // Not before the start is done: the first frame must reach the X server
    // with the machine to itself, and the start's own steps come first.
    if (!IsStartPending())
        Pages.DecodePagesInReach();
}

bool TfrmGFourfall::CanShowEveryPage() const
{
    // The sound, opened last, is not waited for.
    return Pages.HasEveryPicture();
}

} // namespace TumbletownApp
