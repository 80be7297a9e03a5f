// A network of addresses written ADDR[/BITS] ("127.0.0.1", "10.0.0.0/8",
// "2001:db8::/32"), for the trusted reverse proxies, and the key an address
// is counted under in the per-client limits.
#pragma once

#include <string>

namespace ScoreServer {

class TAddressNet {
public:
    // False when text is not an address with an optional prefix length.
    bool Parse(const std::string& text);
    // Whether the address (IPv4 or IPv6, as text) is in the network.
    bool Contains(const std::string& address) const;
    // The network as ADDR/BITS, the address cut to its prefix: one text for
    // every way of writing the same network ("2001:db8::1/64" and
    // "2001:0db8:0:0::/64" are both "2001:db8::/64").
    std::string Text() const;

private:
    bool Six = false;
    unsigned char Bytes[16] = {};
    int Bits = 0;
};

// The key a client counts under in the rate limit and the connection caps:
// IPv4 as is, IPv6 as its /64 network (one household or machine owns one).
std::string ClientKey(const std::string& address);

} // namespace ScoreServer
