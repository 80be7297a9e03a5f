// The score server's HTTP side, on GNU libmicrohttpd: one listening socket
// (so a second server can't take the same port), a thread per connection
// with a small stack (a client that shuts its sending side after the
// request, as the game does, keeps its connection while its replay waits
// for the pool), a memory limit per connection (which
// bounds the request line and headers), connection limits in total and per
// client, an idle time-out, a deadline for the whole request that cuts off a
// client trickling its request in byte by byte, a cap on the requests still
// coming in and on the memory of the bodies being read, and a worker pool
// for the slow part of an answer, so that an event loop never waits for it.
// Every request gets one log line. The library parses HTTP; this turns its
// request into a TRequest and the answer into its response.
#pragma once

#include "server/AddressNet.h"
#include "server/ScoreService.h"
#include "server/WorkPool.h"

#include <microhttpd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace ScoreServer {

struct THttpLimits {
    int Threads = 4;                    // database connections
    int IdleTimeoutSeconds = 5;         // a connection with no traffic for this long is closed
    int RequestTimeoutSeconds = 5;      // the request line and headers must be in within this
    std::size_t MaxRequestBytes = 8192; // request line and headers together; more gets 414 or 431
    // A POST body: one with a longer Content-Length is not read at all (the
    // handler hears TBodyState::TooLarge), and the whole request, body
    // included, must be in within RequestTimeoutSeconds.
    std::size_t MaxBodyBytes = 5u << 20; // the largest replay (TReplayBounds::MaxBytes)
    int MaxConnections = 4096;
    int MaxConnectionsPerAddress = 128; // a client's connections (IPv6 by /64); 0: no limit
    // Connections whose request is not all in yet. Past it, the oldest of
    // the client holding the most of them is cut off, so that many clients
    // sending slowly cannot hold every slot. 0: no limit.
    int MaxIncompleteRequests = 2048;
    // Bodies being read or waiting for their answer, by their declared
    // length: in all and per client. Past either, 503 and Retry-After.
    // In all: six of the largest replays, or hundreds of ordinary ones (an
    // hour's game is about 1 MB), while the bodies of many clients held
    // open stay well within the server's memory. Per client: one of the
    // largest and room for a few ordinary ones beside it.
    std::size_t MaxBodyMemory = 32u << 20;
    std::size_t MaxBodyMemoryPerAddress = 8u << 20;
    TWorkPoolLimits Workers; // the slow answers' pool (TScoreService's Later)
    // Reverse proxies whose X-Forwarded-For names the client.
    std::vector<TAddressNet> TrustedProxies;
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

    int ReplayWorkers() const { return Pool ? Pool->Workers() : 0; }
    // Connections cut off for not sending their request in time.
    std::uint64_t CutOff() const { return CutCount; }
    // Connections refused for being over the limit in all or per address.
    std::atomic<std::uint64_t> OverLimit{0};
    // Incomplete requests cut off to make room for a new connection.
    std::atomic<std::uint64_t> Evicted{0};
    // Requests refused for want of body memory, or of room in the pool.
    std::atomic<std::uint64_t> OverBodyMemory{0};
    std::atomic<std::uint64_t> QueueFull{0};

    // Called with every logged request's route ("http" for what this side
    // answers itself) and status; set before Start.
    std::function<void(const std::string& route, int status)> Answered;
    // Lines for /metrics: the queue, connections, body memory.
    std::string MetricsText() const;

    struct TConnectionState;
    struct TRequestState;

private:
    static void* OnUri(void* self, const char* uri, MHD_Connection* connection);
    static void OnLibraryLog(void* self, const char* format, va_list args);
    bool AnswerBadLength();
    static MHD_Result OnRequest(void* self, MHD_Connection* connection, const char* url, const char* method,
                                const char* version, const char* data, std::size_t* dataSize,
                                void** requestContext);
    static void OnCompleted(void* self, MHD_Connection* connection, void** requestContext,
                            MHD_RequestTerminationCode how);
    static void OnConnection(void* self, MHD_Connection* connection, void** socketContext,
                             MHD_ConnectionNotificationCode what);
    void Watch();
    void LogRequest(const std::string& address, TRequestState* request, bool delivered);
    // Under Mutex: the connection's request is all in, or it is cut off.
    void StopReading(TConnectionState* state);
    // Under Mutex: answers 408 on the socket and closes it.
    void CutOff(TConnectionState* state, std::atomic<std::uint64_t>& count);
    std::string ClientOf(MHD_Connection* connection, const TConnectionState* state) const;
    bool ReserveBody(const std::string& key, std::size_t bytes);
    void ReleaseBody(TRequestState* request);

    MHD_Daemon* Daemon = nullptr;
    int ListenFd = -1;
    std::string Bound;
    THttpLimits Limits;
    THandler Handler;
    std::unique_ptr<TWorkPool> Pool;

    // Connections still reading their request, for the deadline watch and
    // the cap, by client key, oldest first; and the open connections by key.
    mutable std::mutex Mutex;
    std::unordered_map<std::string, std::list<TConnectionState*>> Reading;
    std::size_t ReadingCount = 0;
    std::unordered_map<std::string, int> OpenByKey;
    std::unordered_map<std::string, std::size_t> BodyByKey;
    std::size_t BodyBytes = 0;
    std::thread Watcher;
    std::condition_variable WatchWake;
    bool Stopping = false;
    std::atomic<std::uint64_t> CutCount{0};
};

} // namespace ScoreServer
