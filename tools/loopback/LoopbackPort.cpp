#include "tools/loopback/LoopbackPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Loopback {

std::uint16_t FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0;
    ::close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

} // namespace Loopback
