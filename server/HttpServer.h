// The score server's HTTP side, on GNU libmicrohttpd: an event loop per
// thread, each on its own listening socket of the one port (so idle
// connections cost no thread, and no two threads wake for one connection), a memory limit per connection
// (which bounds the request line and headers), connection limits in total
// and per address, an idle time-out, and a deadline for the whole request
// that cuts off a client trickling its request in byte by byte. Every
// request gets one log line. The library parses HTTP; this only turns its
// request into a TRequest and the answer into its response.
#pragma once

#include "server/ScoreService.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

struct MHD_Daemon;
struct MHD_Connection;

namespace ScoreServer {

struct THttpLimits {
    int Threads = 4;                    // event-loop threads, each with its own database connection
    int IdleTimeoutSeconds = 5;         // a connection with no traffic for this long is closed
    int RequestTimeoutSeconds = 5;      // the request line and headers must be in within this
    std::size_t MaxRequestBytes = 8192; // request line and headers together; more gets 414 or 431
    // A POST body: one with a longer Content-Length is not read at all (the
    // handler hears TBodyState::TooLarge), and the whole request, body
    // included, must be in within RequestTimeoutSeconds.
    std::size_t MaxBodyBytes = 1u << 20;
    int MaxConnections = 4096;
    int MaxConnectionsPerAddress = 128; // 0: no limit
};

class THttpServer {
public:
    using THandler = std::function<THttpResponse(const TRequest&)>;

    THttpServer() = default;
    ~THttpServer();
    THttpServer(const THttpServer&) = delete;
    THttpServer& operator=(const THttpServer&) = delete;

    // Listens on listen ("127.0.0.1:8080", "[::]:80", port 0 for any free
    // one) and serves. False and a reason when it cannot.
    bool Start(const std::string& listen, const THttpLimits& limits, THandler handler, std::string& error);
    // The address really listened on, e.g. "127.0.0.1:41234".
    std::string Address() const { return Bound; }
    // Stops taking connections, lets those under way finish for at most
    // grace, then stops. Safe to call twice.
    void Stop(std::chrono::milliseconds grace);

    // Connections cut off for not sending their request in time.
    std::uint64_t CutOff() const { return CutCount; }
    // Connections refused for being over the limit in all or per address.
    std::atomic<std::uint64_t> OverLimit{0};

    struct TConnectionState;
    struct TRequestState;

private:
    static void* OnUri(void* self, const char* uri, MHD_Connection* connection);
    static int OnRequest(void* self, MHD_Connection* connection, const char* url, const char* method,
                         const char* version, const char* data, std::size_t* dataSize, void** requestContext);
    static void OnCompleted(void* self, MHD_Connection* connection, void** requestContext, int how);
    static void OnConnection(void* self, MHD_Connection* connection, void** socketContext, int what);
    void Watch();

    std::vector<MHD_Daemon*> Daemons; // one event loop (and thread) each
    std::vector<int> ListenFds;
    std::string Bound;
    THttpLimits Limits;
    THandler Handler;

    // Connections still reading their request, for the deadline watch.
    std::mutex Mutex;
    std::unordered_map<TConnectionState*, int> Reading; // state -> socket
    std::thread Watcher;
    std::condition_variable WatchWake;
    bool Stopping = false;
    std::atomic<std::uint64_t> CutCount{0};
};

} // namespace ScoreServer
