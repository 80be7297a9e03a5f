// The request target as a client sends it, fed anything: read or refused,
// never a crash; what is read holds no NUL, and a value is marked escaped
// exactly when its text held an escape.
#include "server/RequestTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string target(reinterpret_cast<const char*>(data), size);
    std::string path;
    std::vector<ScoreServer::TQueryArg> args;
    if (!ScoreServer::ReadRequestTarget(target, path, args))
        return 0;
    const bool rawNul = target.find('\0') != std::string::npos;
    if (!rawNul && path.find('\0') != std::string::npos)
        std::abort();
    std::size_t escapes = 0;
    for (const ScoreServer::TQueryArg& a : args) {
        if (!rawNul && (a.Key.find('\0') != std::string::npos ||
                        (a.Value.has_value() && a.Value->find('\0') != std::string::npos)))
            std::abort();
        if (a.Escaped && (!a.Value.has_value() || target.find('%') == std::string::npos))
            std::abort();
        escapes += a.Escaped ? 1 : 0;
    }
    if (escapes > 0 && target.find('?') == std::string::npos)
        std::abort();
    return 0;
}
