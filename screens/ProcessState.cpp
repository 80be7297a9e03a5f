#include "screens/ProcessState.h"

#include "rules/ProcessState.h"
#include "screens/WFourfall.h"
#include "store/ScoreSubmit.h"
#include "wlib/sound/Speaker.h"

namespace WFourfall {

bool ResetProcessState()
{
    GFourfall::ResetRulesProcessState();
    UseClockRulesSeed();
    hssSetDefaultDriverFactory(nullptr);
    Platform::SetUserSettings(nullptr);
    SetHttpExchange(nullptr);
    return WLib::Speaker == nullptr;
}

TProcessScope::TProcessScope(Platform::TSettingsStore* settings, hssDriverFactory driver, uint32_t seed)
{
    ResetProcessState();
    Platform::SetUserSettings(settings);
    hssSetDefaultDriverFactory(std::move(driver));
    UseFixedRulesSeed(seed);
}

TProcessScope::~TProcessScope()
{
    ResetProcessState();
}

} // namespace WFourfall
