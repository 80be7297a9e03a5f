// Names and addresses that whoever runs the server refused (with
// "tumbletown-scores moderate refuse-name" and "refuse-address"): their
// results, replays and seed requests are refused from then on. Kept in the
// database's table refused (kind, value), so every server sharing the
// database refuses the same; each server reads the table again at most
// kRefusedListSeconds after it last did.
#pragma once

#include "server/AddressNet.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ScoreServer {

constexpr const char* kRefusedNameKind = "name";
constexpr const char* kRefusedAddressKind = "address";
// How long a server goes on with the list it read last: a refusal (or an
// allow) takes effect on every server within this time.
constexpr std::int64_t kRefusedListSeconds = 2;

// The text an address refusal is kept under: ADDR/BITS with the address cut
// to its prefix. An IPv6 address without /BITS means its /64, the network
// the rate limit counts it under (one household or machine owns one); an
// IPv4 address without /BITS means itself. False when text is no address.
bool RefusedAddressText(const std::string& text, std::string& kept);

// The table's rows, (kind, value).
using TRefusedRows = std::vector<std::pair<std::string, std::string>>;

class TRefusedList {
public:
    // Takes the table's rows; rows of another kind, or an address that does
    // not parse, are passed over.
    void Set(const TRefusedRows& rows);
    // Whether the name (UTF-8, as results are kept) is refused: byte for byte.
    bool RefusesName(const std::string& name) const;
    // Whether the address (as the server saw the client) is in a refused network.
    bool RefusesAddress(const std::string& address) const;
    bool Empty() const { return Names.empty() && Nets.empty(); }

private:
    std::vector<std::string> Names;
    std::vector<TAddressNet> Nets;
};

} // namespace ScoreServer
