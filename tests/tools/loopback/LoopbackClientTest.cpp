// The loopback client the load tools share, against a listener of the test's
// own: the exchange as the game makes it, from the address asked for, and a
// time limit that holds against a server that never answers.
#include "tools/loopback/LoopbackClient.h"
#include "tests/tools/loopback/LoopbackListener.h"
#include "tools/loopback/LoopbackPort.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using TestSupport::TLoopbackListener;

TEST(LoopbackClient, SendsTheRequestWholeFromTheAddressAskedAndReadsTheReplyToTheEnd)
{
    TLoopbackListener listener;
    ASSERT_NE(listener.Port(), 0);
    const std::string request =
        "POST /x HTTP/1.1\r\nContent-Length: 300000\r\n\r\n" + std::string(300000, 'r');
    std::string received, peer;
    std::thread server([&] {
        const int c = listener.Accept(10000);
        if (c < 0)
            return;
        sockaddr_in a{};
        socklen_t length = sizeof a;
        char text[INET_ADDRSTRLEN] = {};
        if (::getpeername(c, reinterpret_cast<sockaddr*>(&a), &length) == 0)
            peer = ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
        char buffer[8192];
        long n;
        // To the end: the client shut its sending side after the request.
        while ((n = ::read(c, buffer, sizeof buffer)) > 0)
            received.append(buffer, static_cast<std::size_t>(n));
        const std::string reply = "HTTP/1.1 422 Unprocessable Content\r\n\r\n" + std::string(20000, 'a');
        ::send(c, reply.data(), reply.size(), MSG_NOSIGNAL);
        ::close(c);
    });
    const Loopback::TExchange e = Loopback::Exchange(listener.Port(), request, "127.0.0.7");
    server.join();
    EXPECT_EQ(e.Status, 422);
    EXPECT_EQ(e.Reply.size(), 38u + 20000u);
    EXPECT_EQ(received, request);
    EXPECT_EQ(peer, "127.0.0.7");
}

TEST(LoopbackClient, AServerThatNeverAnswersCostsTheTimeLimitAndNoStatus)
{
    TLoopbackListener listener;
    ASSERT_NE(listener.Port(), 0);
    int held = -1;
    std::thread server([&] { held = listener.Accept(10000); });
    const auto start = std::chrono::steady_clock::now();
    const Loopback::TExchange e =
        Loopback::Exchange(listener.Port(), "GET / HTTP/1.0\r\n\r\n", "127.0.0.1", 300);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    server.join();
    EXPECT_EQ(e.Status, 0);
    EXPECT_TRUE(e.Reply.empty());
    EXPECT_GE(seconds, 0.25);
    EXPECT_LT(seconds, 5.0) << "the time limit holds";
    if (held >= 0)
        ::close(held);
}

TEST(LoopbackClient, NobodyListensOnAFreePortAndNoStatusIsNoReply)
{
    const std::uint16_t port = Loopback::FreePort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(Loopback::Connect(port), -1);
    EXPECT_EQ(Loopback::Exchange(port, "GET / HTTP/1.0\r\n\r\n").Status, 0);
    EXPECT_EQ(Loopback::Connect(port, "not an address"), -1);
    // A reply that is no HTTP has no status either.
    TLoopbackListener listener;
    std::thread server([&] {
        const int c = listener.Accept(10000);
        if (c >= 0) {
            ::send(c, "SSH-2.0-x\r\n", 11, MSG_NOSIGNAL);
            ::close(c);
        }
    });
    const Loopback::TExchange e = Loopback::Exchange(listener.Port(), "GET / HTTP/1.0\r\n\r\n");
    server.join();
    EXPECT_EQ(e.Status, 0);
    EXPECT_EQ(e.Reply, "SSH-2.0-x\r\n");
}

} // namespace
