#include "screens/GameServices.h"

#include "platform/DesignPath.h"
#include "platform/FolderFiles.h"
#include "platform/desktop/UrlOpener.h"
#include "platform/desktop/YesNoQuestion.h"
#include "rules/GameTypes.h"

#include <cstdio>
#include <vector>

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

uint64_t TGameServices::Send(int32_t onlineType, const std::string& name, int32_t score,
                             const std::string& replayText) const
{
    if (Delivery == nullptr)
        return 0;
    return Delivery->Deliver(onlineType, name, score, replayText);
}

void TGameServices::WantSeeds(std::initializer_list<int32_t> gameNums) const
{
    if (Seeds == nullptr)
        return;
    std::vector<int32_t> types;
    for (int32_t game : gameNums)
        types.push_back(GFourfall::OnlineType(game));
    Seeds->Want(types);
}

bool TGameServices::TakeSeed(int32_t gameNum, TDealtSeed& out) const
{
    const int32_t online = GFourfall::OnlineType(gameNum);
    return Seeds != nullptr && online >= 0 && Seeds->Take(online, out);
}

void TGameServices::NoteDataFile(const std::string& path, bool loaded) const
{
    if (loaded || !Noted.insert(path).second || !DataProblem)
        return;
    DataProblem(std::string(Platform::PathExists(path) ? "damaged" : "missing") + " data file: " + path);
}

void TGameServices::WriteDataProblem(const std::string& line)
{
    std::fprintf(stderr, "tumbletown: %s\n", line.c_str());
}

} // namespace WFourfall
