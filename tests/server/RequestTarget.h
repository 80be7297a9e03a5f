// Requests for the server's own handling, made without a socket: a request
// target split as the HTTP library splits it, and the target of the game's
// own request for a result. Shared by the service tests and its fuzzer.
#pragma once

#include "server/ScoreService.h"

#include <cstdint>
#include <string>

namespace ServerTest {

// Path, then the query split at "&" and at the first "=" of each part; a
// part without "=" is a bare key.
ScoreServer::TRequest RequestFromTarget(const std::string& target, const std::string& method = "GET",
                                        const std::string& address = "192.0.2.7");

// "/cgi/version.pl?hs&prg=Tumbltwn&inf=..." exactly as the game's request line carries it.
std::string GameTarget(std::int32_t type, const std::string& name, std::int32_t score);

} // namespace ServerTest
