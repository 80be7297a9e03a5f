// POSIX sockets with deadlines.

#include "platform/TcpClient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace Platform {

namespace {

// What a lookup thread hands back; shared, since the thread may outlive the
// caller who stopped waiting.
struct TLookup {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    bool Found = false;
    std::uint32_t Address = 0;
};

void RunLookup(const std::shared_ptr<TLookup>& lookup, const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* result = nullptr;
    bool found = false;
    std::uint32_t address = 0;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) == 0) {
        for (addrinfo* a = result; a != nullptr && !found; a = a->ai_next) {
            if (a->ai_family == AF_INET && a->ai_addr != nullptr && a->ai_addrlen >= sizeof(sockaddr_in)) {
                address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
                found = true;
            }
        }
        ::freeaddrinfo(result);
    }
    std::lock_guard<std::mutex> hold(lookup->Mutex);
    lookup->Found = found;
    lookup->Address = address;
    lookup->Finished = true;
    lookup->Done.notify_all();
}

int MillisecondsLeft(TDeadline deadline)
{
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return 0;
    return left.count() > 60000 ? 60000 : static_cast<int>(left.count());
}

} // namespace

bool TTcpClient::LookUp(const std::string& host, std::uint32_t& address, TDeadline deadline)
{
    if (host.empty() || host.find('\0') != std::string::npos)
        return false;
    auto lookup = std::make_shared<TLookup>();
    try {
        std::thread(RunLookup, lookup, host).detach();
    } catch (const std::system_error&) {
        return false;
    }
    std::unique_lock<std::mutex> hold(lookup->Mutex);
    if (!lookup->Done.wait_until(hold, deadline, [&] { return lookup->Finished; }))
        return false;
    if (!lookup->Found)
        return false;
    address = lookup->Address;
    return true;
}

bool TTcpClient::Connect(std::uint32_t address, std::uint16_t port, TDeadline deadline)
{
    Close();
    Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (Fd < 0)
        return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(Fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Close();
        return false;
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = address;
    remote.sin_port = htons(port);
    if (::connect(Fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            Close();
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (!Wait(POLLOUT, deadline) || ::getsockopt(Fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ||
            error != 0) {
            Close();
            return false;
        }
    }
    return true;
}

bool TTcpClient::Send(const char* data, std::size_t size, TDeadline deadline)
{
    while (size > 0) {
        if (Fd < 0 || !Wait(POLLOUT, deadline))
            return false;
        ssize_t n = ::send(Fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void TTcpClient::ShutdownSend()
{
    if (Fd >= 0)
        ::shutdown(Fd, SHUT_WR);
}

long TTcpClient::Receive(char* buffer, std::size_t size, TDeadline deadline)
{
    while (Fd >= 0) {
        if (!Wait(POLLIN, deadline))
            return -1;
        ssize_t n = ::recv(Fd, buffer, size, 0);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
    }
    return -1;
}

void TTcpClient::Close()
{
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
}

namespace {
constexpr int kCancelSliceMs = 100;
}

bool TTcpClient::Wait(short events, TDeadline deadline)
{
    while (true) {
        pollfd p{Fd, events, 0};
        if (Cancel != nullptr && Cancel->load())
            return false;
        int ms = MillisecondsLeft(deadline);
        if (Cancel != nullptr && ms > kCancelSliceMs)
            ms = kCancelSliceMs;
        int n = ::poll(&p, 1, ms);
        if (n > 0)
            return true; // ready, or an error the next call will report
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 && ms > 0 && MillisecondsLeft(deadline) > 0)
            continue; // waited the 60 s slice of a longer deadline
        return false;
    }
}

} // namespace Platform
