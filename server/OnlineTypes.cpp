#include "server/OnlineTypes.h"

namespace ScoreServer {

const TOnlineType* FindOnlineType(std::int32_t number)
{
    for (const TOnlineType& type : kOnlineTypes)
        if (type.Number == number)
            return &type;
    return nullptr;
}

} // namespace ScoreServer
