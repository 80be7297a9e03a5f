#include "screens/ProcessState.h"

#include "screens/WFourfall.h"
#include "store/ReplayFolder.h"
#include "store/ScoreSubmit.h"
#include "wlib/sound/Speaker.h"

namespace WFourfall {

bool ResetProcessState()
{
    UseClockRulesSeed();
    hssSetDefaultDriverFactory(nullptr);
    WLib::HoldSpeakerOpening(false);
    Platform::SetUserSettings(nullptr);
    SetHttpExchange(nullptr);
    SetReplayFolder(std::nullopt);
    return WLib::Speaker == nullptr;
}

TProcessScope::TProcessScope(Platform::TSettingsStore* settings, hssDriverFactory driver, uint32_t seed,
                             const std::string& replayFolder)
{
    ResetProcessState();
    SetReplayFolder(replayFolder);
    Platform::SetUserSettings(settings);
    hssSetDefaultDriverFactory(std::move(driver));
    UseFixedRulesSeed(seed);
}

TProcessScope::~TProcessScope()
{
    ResetProcessState();
}

} // namespace WFourfall
