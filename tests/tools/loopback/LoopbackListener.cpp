#include "tests/tools/loopback/LoopbackListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

TLoopbackListener::TLoopbackListener(int backlog)
{
    Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (Fd < 0 || ::bind(Fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(Fd, backlog) != 0 ||
        ::getsockname(Fd, reinterpret_cast<sockaddr*>(&a), &length) != 0)
        return;
    ListenPort = ntohs(a.sin_port);
}

TLoopbackListener::~TLoopbackListener()
{
    if (Fd >= 0)
        ::close(Fd);
}

int TLoopbackListener::Accept(int ms) const
{
    pollfd p{Fd, POLLIN, 0};
    if (ListenPort == 0 || ::poll(&p, 1, ms) != 1)
        return -1;
    return ::accept4(Fd, nullptr, nullptr, SOCK_CLOEXEC);
}

} // namespace TestSupport
