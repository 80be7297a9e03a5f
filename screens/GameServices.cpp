#include "screens/GameServices.h"

#include "platform/DesignPath.h"
#include "platform/desktop/UrlOpener.h"
#include "platform/desktop/YesNoQuestion.h"

namespace WFourfall {

std::string TGameServices::Path(const char* designName) const
{
    return Platform::ResolveDesignPath(DataFolder, designName);
}

bool TGameServices::Ask(const char* question) const
{
    return Question != nullptr && Question->Ask(question);
}

bool TGameServices::AskNoByDefault(const char* question) const
{
    return Question != nullptr && Question->AskNoByDefault(question);
}

void TGameServices::OpenUrl(const std::string& url) const
{
    if (Browser != nullptr)
        Browser->Open(url);
}

uint64_t TGameServices::Send(int32_t onlineType, const std::string& name, int32_t score,
                             const std::string& replayText) const
{
    if (Delivery == nullptr)
        return 0;
    return Delivery->Deliver(onlineType, name, score, replayText);
}

} // namespace WFourfall
