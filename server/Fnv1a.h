// FNV-1a, 64 bits: the server's one short hash, for names that must stay the
// same for the same bytes (a replay's game, a file's ETag). Not a defence
// against anyone choosing bytes to collide.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ScoreServer {

class TFnv1a {
public:
    // The low `bytes` bytes of value, lowest first.
    void Add(std::uint64_t value, int bytes);
    void AddBytes(std::string_view bytes);
    // 16 lower-case hexadecimal digits.
    std::string Hex() const;

private:
    std::uint64_t H = 0xCBF29CE484222325ull;
};

} // namespace ScoreServer
