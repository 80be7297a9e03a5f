#include "tests/platform/BuildTree.h"

#include <cstdlib>

namespace TestSupport {

std::string BuiltDataFolder()
{
    const char* build = std::getenv("TUMBLETOWN_BUILD_DIR");
    return std::string(build != nullptr ? build : ".") + "/data";
}

} // namespace TestSupport
