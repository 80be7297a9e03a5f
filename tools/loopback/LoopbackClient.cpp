#include "tools/loopback/LoopbackClient.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace Loopback {

int Connect(std::uint16_t port, const char* from)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int yes = 1;
    if (::inet_pton(AF_INET, from, &local.sin_addr) == 1 &&
        ::setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &yes, sizeof yes) == 0 &&
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0)
        return fd;
    ::close(fd);
    return -1;
}

TExchange Exchange(std::uint16_t port, const std::string& request, const char* from, int ms)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    TExchange out;
    const int fd = Connect(port, from);
    if (fd < 0)
        return out;
    // Large requests (a replay of a MiB) go in pieces as the server reads;
    // one that stops reading holds the send no longer than the whole.
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    std::size_t at = 0;
    while (at < request.size()) {
        const ssize_t n = ::send(fd, request.data() + at, request.size() - at, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        at += static_cast<std::size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    char buffer[4096];
    while (at == request.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        out.Reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (out.Reply.rfind("HTTP/1.", 0) == 0 && out.Reply.size() > 9)
        out.Status = std::atoi(out.Reply.c_str() + 9);
    return out;
}

} // namespace Loopback
