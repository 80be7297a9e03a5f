// The page that plays a verified result's replay in the browser (/watch/ID):
// the player's name, the game type, the date and the verified mark, written
// here as text; the well, the panel and the controls, run by the viewer's
// script from the server's own files (see ViewerFiles.h).
#pragma once

#include "server/OnlineTypes.h"
#include "server/ScoreDatabase.h"

#include <cstdint>
#include <string>

namespace ScoreServer {

constexpr const char* kWatchPath = "/watch/";

// The page's policy: its own files and nothing else; the script may compile
// WebAssembly (wasm-unsafe-eval) but never evaluate text; fetches go back to
// this server alone (the wasm module and the replay).
constexpr const char* kWatchPolicy =
    "default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self'; "
    "connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

// The address of a verified result's viewer page.
std::string WatchPath(std::int64_t scoreId);

std::string RenderWatchPage(const TOnlineType& type, const TScoreRecord& result);

} // namespace ScoreServer
