// The world high-score page and its JSON twin, made from the best results
// of one game type. The page stands alone (no script, no outside resource)
// and wears the colours of the game's own high-score screen.
#pragma once

#include "server/OnlineTypes.h"
#include "server/ScoreDatabase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ScoreServer {

constexpr int kWorldPageRows = 100;

// The address of a type's page, as the game's World button opens it.
std::string WorldPagePath(std::int32_t onlineType);

// The HTML page: a tab for every online type (the shown one selected), then
// rank, name, score and date of each result, best first.
std::string RenderWorldPage(const TOnlineType& shown, const std::vector<TScoreRecord>& best);

// {"type":N,"name":"...","scores":[{"rank":1,"name":"...","score":S,"date":"YYYY-MM-DD","time":SECONDS},...]}
std::string RenderScoresJson(const TOnlineType& shown, const std::vector<TScoreRecord>& best);

} // namespace ScoreServer
