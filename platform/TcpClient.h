// A plain IPv4 TCP client whose every step ends by a deadline: name lookup,
// connect, send and receive. A server that never answers, never closes or
// never reads cannot hold the caller longer than the deadline it gave.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

using TDeadline = std::chrono::steady_clock::time_point;

class TTcpClient {
public:
    TTcpClient() = default;
    ~TTcpClient() { Close(); }
    TTcpClient(const TTcpClient&) = delete;
    TTcpClient& operator=(const TTcpClient&) = delete;

    // The first IPv4 address of a host name (network byte order in address).
    // False when there is none or the deadline passed first; a lookup still
    // running then finishes on its own in the background.
    static bool LookUp(const std::string& host, std::uint32_t& address, TDeadline deadline);

    // Makes a stream socket, binds it to any local address and port 0 and
    // connects it to address:port. False on any failure or at the deadline;
    // the socket is then closed.
    bool Connect(std::uint32_t address, std::uint16_t port, TDeadline deadline);
    // Sends every byte; false on failure or at the deadline. A peer that has
    // gone away makes it fail, never raises a signal.
    bool Send(const char* data, std::size_t size, TDeadline deadline);
    // Shuts the sending direction down: the peer reads the end of the data.
    void ShutdownSend();
    // Receives at most size bytes: the count (> 0), 0 when the peer closed,
    // -1 on failure or when nothing came before the deadline.
    long Receive(char* buffer, std::size_t size, TDeadline deadline);
    void Close();

    bool IsOpen() const { return Fd >= 0; }

    // When set, a wait ends as at its deadline soon (within a tenth of a
    // second) after the flag is raised: a closing program does not wait
    // for a silent server.
    const std::atomic<bool>* Cancel = nullptr;

private:
    // Waits until the socket is ready for events (poll flags); false at the deadline.
    bool Wait(short events, TDeadline deadline);

    int Fd = -1;
};

} // namespace Platform
