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

// The address of a type's page, as the game's World button opens it; with
// verifiedOnly, the page of its verified results alone.
std::string WorldPagePath(std::int32_t onlineType, bool verifiedOnly = false);

// The address a verified result's replay is downloaded from.
std::string ReplayPath(std::int64_t scoreId);

// The HTML page: a tab for every online type (the shown one selected), a
// switch between all results and verified ones only, then rank, name, score,
// date and (when verified) the replay's download of each result, best first;
// with watchLinks, a verified result's row also links to its replay viewer.
std::string RenderWorldPage(const TOnlineType& shown, const std::vector<TScoreRecord>& best,
                            bool verifiedOnly = false, bool watchLinks = false);

// {"type":N,"name":"...","scores":[{"rank":1,"name":"...","score":S,"date":"YYYY-MM-DD","time":SECONDS,
//  "verified":false},...],"bestVerifiedReplay":null}; a verified result whose
// replay is still kept also has "replay":"/api/v1/replays/ID".
// bestVerifiedReplay names the replay of the type's best verified result with
// a kept replay (the game races it), whether or not it is among the K listed;
// null when the type has none.
std::string RenderScoresJson(const TOnlineType& shown, const std::vector<TScoreRecord>& best,
                             const TScoreRecord* bestVerified = nullptr);

} // namespace ScoreServer
