// Where the build laid out what the tests read: CTest names the build folder
// in TUMBLETOWN_BUILD_DIR; a test binary started by hand looks in the folder
// it was started in.
#pragma once

#include <string>

namespace TestSupport {

// The game's data folder built beside the tests.
std::string BuiltDataFolder();

} // namespace TestSupport
