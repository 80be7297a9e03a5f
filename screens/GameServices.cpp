#include "screens/GameServices.h"

#include "platform/DesignPath.h"
#include "platform/desktop/UrlOpener.h"
#include "platform/desktop/YesNoQuestion.h"

namespace WFourfall {

std::string TGameServices::Path(const char* designName) const
{
    return Platform::ResolveDesignPath(DataFolder, designName);
}

bool TGameServices::Ask(const char* question, Platform::TPreferredAnswer preferred) const
{
    return Question != nullptr && Question->Ask(question, preferred);
}

void TGameServices::OpenUrl(const std::string& url) const
{
    if (Browser != nullptr)
        Browser->Open(url);
}

void TGameServices::Send(int32_t onlineType, const char* name, int32_t score) const
{
    if (SendScore)
        SendScore(onlineType, name, score);
}

void TGameServices::Upload(const std::string& replayText) const
{
    if (SendReplay)
        SendReplay(replayText);
}

} // namespace WFourfall
