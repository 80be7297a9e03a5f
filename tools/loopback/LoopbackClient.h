// A client of a server on 127.0.0.1, for load tools and tests: a connection
// from any loopback address (127.0.0.x, so that one machine can stand for
// many players' addresses), and one HTTP exchange the way the game makes it.
#pragma once

#include <cstdint>
#include <string>

namespace Loopback {

constexpr int kExchangeMs = 30000;

// A TCP connection from the loopback address from to 127.0.0.1:port; its
// descriptor, -1 on failure. The local port is chosen at connect, by the
// whole address pair: bound alone first, thousands of connections a second
// would run out of ports still in TIME_WAIT, and a load's requests would fail
// in the client instead of the server.
int Connect(std::uint16_t port, const char* from = "127.0.0.1");

struct TExchange {
    int Status = 0;    // the reply's status code; 0 when none came
    std::string Reply; // every byte the server sent
};

// One exchange as the game makes it: a new connection, the request sent
// whole, the sending side shut, and the reply read until the server closes
// it, at most ms in all. A server that never answers costs ms, no more.
TExchange Exchange(std::uint16_t port, const std::string& request, const char* from = "127.0.0.1",
                   int ms = kExchangeMs);

} // namespace Loopback
