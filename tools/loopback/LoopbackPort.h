// A port of 127.0.0.1 where nothing listens at the moment: for a server
// about to start there, or for a client that must find nobody there.
#pragma once

#include <cstdint>

namespace Loopback {

// Binds port 0, reads the port the system chose and lets it go again; 0 when
// no socket could be had. Another program may take it meanwhile: the caller
// that starts a server there sees the bind fail and says so.
std::uint16_t FreePort();

} // namespace Loopback
