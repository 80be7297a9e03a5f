// A request target as the client sent it ("/path?key=value&bare"), read
// into the path and the arguments with their percent escapes undone. Done
// here rather than by the HTTP library, which cuts a path at an escaped NUL
// and forgets which values were escaped (a number written as %30 is not the
// plain 0).
#pragma once

#include "server/ScoreService.h"

#include <string>
#include <vector>

namespace ScoreServer {

// False for a broken escape ("%4", "%zz") or an escaped NUL anywhere.
bool ReadRequestTarget(const std::string& target, std::string& path, std::vector<TQueryArg>& args);

} // namespace ScoreServer
