#include "server/HttpServer.h"

#include "server/Log.h"
#include "server/RequestTarget.h"

#include <microhttpd.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ScoreServer {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kListenBacklog = 1024;
// A connection's thread parses HTTP and runs the quick answers (the
// database's calls included): far less than the default 8 MiB.
constexpr std::size_t kConnectionStackBytes = 512u << 10;
constexpr auto kWatchPeriod = std::chrono::milliseconds(100);

// Security headers for every answer: nothing is sniffed, cached or framed,
// and a page may use its own inline style and nothing else.
constexpr const char* kPagePolicy = "default-src 'none'; style-src 'unsafe-inline'; base-uri 'none'; "
                                    "form-action 'none'; frame-ancestors 'none'";

std::string AddressText(const sockaddr* a)
{
    char text[INET6_ADDRSTRLEN] = "-";
    if (a == nullptr)
        return text;
    if (a->sa_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a)->sin_addr, text, sizeof text);
    } else if (a->sa_family == AF_INET6) {
        const in6_addr& six = reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&six))
            ::inet_ntop(AF_INET, six.s6_addr + 12, text,
                        sizeof text); // an IPv4 client of a dual-stack socket
        else
            ::inet_ntop(AF_INET6, &six, text, sizeof text);
    }
    return text;
}

std::string AddressWithPort(const sockaddr_storage& a)
{
    const sockaddr* s = reinterpret_cast<const sockaddr*>(&a);
    if (s->sa_family == AF_INET6)
        return "[" + AddressText(s) +
               "]:" + std::to_string(ntohs(reinterpret_cast<const sockaddr_in6*>(s)->sin6_port));
    return AddressText(s) + ":" + std::to_string(ntohs(reinterpret_cast<const sockaddr_in*>(s)->sin_port));
}

// Binds and listens on one address. SO_REUSEADDR lets a restarted server
// take its port back from connections still closing; no SO_REUSEPORT, so
// a second server on a port already served fails here.
int ListenOn(const sockaddr* address, socklen_t length, bool dualStack, const std::string& listen,
             std::string& error)
{
    const int fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = "cannot listen on " + listen + ": " + std::strerror(errno);
        return -1;
    }
    int yes = 1, no = 0;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (address->sa_family == AF_INET6)
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, dualStack ? &no : &yes, sizeof yes);
    if (::bind(fd, address, length) != 0 || ::listen(fd, kListenBacklog) != 0) {
        const int e = errno;
        error = "cannot listen on " + listen + ": " + std::strerror(e) +
                (e == EADDRINUSE ? " (is another server on that port?)" : "");
        ::close(fd);
        return -1;
    }
    return fd;
}

// "ADDR:PORT", "[V6]:PORT" or ":PORT" to a bound, listening socket. ":PORT"
// is every address, IPv6 and IPv4 on one socket where the machine has IPv6.
int OpenListener(const std::string& listen, std::string& bound, std::string& error)
{
    const std::size_t colon = listen.rfind(':');
    if (colon == std::string::npos) {
        error = "--listen wants ADDRESS:PORT, not " + listen;
        return -1;
    }
    std::string host = listen.substr(0, colon);
    const std::string port = listen.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (port.empty() || port.find_first_not_of("0123456789") != std::string::npos || port.size() > 5 ||
        std::stoi(port) > 65535) {
        error = "--listen wants a port of 0 to 65535, not " + port;
        return -1;
    }
    int fd = -1;
    if (host.empty()) {
        sockaddr_in6 any6{};
        any6.sin6_family = AF_INET6;
        any6.sin6_addr = in6addr_any;
        any6.sin6_port = htons(static_cast<std::uint16_t>(std::stoi(port)));
        fd = ListenOn(reinterpret_cast<sockaddr*>(&any6), sizeof any6, true, listen, error);
        if (fd < 0 && (errno == EAFNOSUPPORT || errno == EADDRNOTAVAIL)) {
            sockaddr_in any4{}; // a machine without IPv6
            any4.sin_family = AF_INET;
            any4.sin_addr.s_addr = htonl(INADDR_ANY);
            any4.sin_port = any6.sin6_port;
            fd = ListenOn(reinterpret_cast<sockaddr*>(&any4), sizeof any4, false, listen, error);
        }
    } else {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV | AI_NUMERICHOST;
        addrinfo* found = nullptr;
        const int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
        if (rc != 0 || found == nullptr) {
            error = "--listen: " + listen + " is not a numeric address and port (" + ::gai_strerror(rc) + ")";
            return -1;
        }
        fd = ListenOn(found->ai_addr, found->ai_addrlen, false, listen, error);
        ::freeaddrinfo(found);
    }
    if (fd < 0)
        return -1;
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    bound = AddressWithPort(a);
    return fd;
}

// The answers this side gives itself, before or without the handler.
// An answer written straight to the socket, for a request the library
// holds no answer slot for.
std::string RawAnswer(const char* statusLine, const std::string& body)
{
    return std::string("HTTP/1.1 ") + statusLine +
           "\r\nConnection: close\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

constexpr const char* kBadLengthText = "refused: a malformed Content-Length";
constexpr const char* kTimeoutText = "no whole request within the time";

// The declared length of a body: digits alone, as the library takes them.
bool ReadLength(const char* text, std::uint64_t& length)
{
    length = 0;
    if (text == nullptr || *text == '\0' || std::strlen(text) > 19)
        return false;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        length = length * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    return true;
}

MHD_Result CollectForwarded(void* list, MHD_ValueKind, const char* key, const char* value)
{
    if (key != nullptr && value != nullptr && ::strcasecmp(key, "X-Forwarded-For") == 0)
        static_cast<std::vector<std::string>*>(list)->emplace_back(value);
    return MHD_YES;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

// One per connection, from its start to its close.
// The connection whose request line this event loop read last: the one a
// message of the library about a request's headers is about (the library
// reads the headers right after the request line, on the same thread).
thread_local THttpServer::TConnectionState* tHeadersOf = nullptr;

struct THttpServer::TConnectionState {
    MHD_Connection* Connection = nullptr;
    std::string Address; // the peer's
    std::string Key;     // the peer's in the connection caps
    int Fd = -1;
    Clock::time_point Start;
    bool Trusted = false; // a trusted proxy: no per-address cap
    bool Counted = false; // in OpenByKey
    bool Refused = false; // over the per-address cap: closed at once
    bool Reading = false; // in Reading
    std::list<TConnectionState*>::iterator Place;
    bool Requested = false;           // a request line came
    bool Cut = false;                 // cut off by the deadline or the cap (408 sent)
    bool AnsweredHere = false;        // answered on the socket, not through the library
    TRequestState* Pending = nullptr; // the request under way, until its end is logged
};

// One per request, from its request line to its end.
struct THttpServer::TRequestState {
    std::string Uri; // as sent, escapes and all
    std::string Method;
    Clock::time_point Start;
    bool Seen = false;        // the handler saw its headers
    bool ReadingBody = false; // a POST body of an accepted length is coming in
    std::string Client;       // the client (through a trusted proxy: the one it names)
    std::string ClientKey;
    std::size_t Reserved = 0; // body memory held
    std::string Body;
    int Status = 0; // 0: the library answered (or nobody did)
    std::size_t Bytes = 0;
    std::string Note;
    std::string Route;
};

THttpServer::~THttpServer()
{
    Stop(std::chrono::milliseconds(0));
}

bool THttpServer::Start(const std::string& listen, const THttpLimits& limits, THandler handler,
                        std::string& error)
{
    Limits = limits;
    Handler = std::move(handler);
    ListenFd = OpenListener(listen, Bound, error);
    if (ListenFd < 0)
        return false;
    Pool = std::make_unique<TWorkPool>(Limits.Workers);
    // One listening socket; each connection is read and answered on a
    // thread of its own, which waits (holding no other connection up) while
    // the pool plays its replay. The library's own thread takes the
    // connections.
    const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL |
                           MHD_USE_ITC | MHD_USE_ERROR_LOG;
    Daemon = MHD_start_daemon(
        flags, 0, nullptr, nullptr, &THttpServer::OnRequest, this, MHD_OPTION_EXTERNAL_LOGGER,
        &THttpServer::OnLibraryLog, this, MHD_OPTION_LISTEN_SOCKET, ListenFd, MHD_OPTION_THREAD_STACK_SIZE,
        kConnectionStackBytes, MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(Limits.IdleTimeoutSeconds), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        Limits.MaxRequestBytes, MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(Limits.MaxConnections),
        MHD_OPTION_STRICT_FOR_CLIENT, 0, MHD_OPTION_URI_LOG_CALLBACK, &THttpServer::OnUri, this,
        MHD_OPTION_NOTIFY_COMPLETED, &THttpServer::OnCompleted, this, MHD_OPTION_NOTIFY_CONNECTION,
        &THttpServer::OnConnection, this, MHD_OPTION_END);
    if (Daemon == nullptr) {
        error = "the HTTP library did not start on " + Bound;
        Stop(std::chrono::milliseconds(0));
        return false;
    }
    Watcher = std::thread([this] { Watch(); });
    return true;
}

void THttpServer::Stop(std::chrono::milliseconds grace)
{
    // No new connections: the loops let go of the listening socket, which is
    // closed at once, so that a new connection is refused, not queued.
    if (Daemon != nullptr)
        MHD_quiesce_daemon(Daemon);
    if (ListenFd >= 0)
        ::close(ListenFd);
    ListenFd = -1;
    const Clock::time_point end = Clock::now() + grace;
    while (Daemon != nullptr && Clock::now() < end) {
        const MHD_DaemonInfo* info = MHD_get_daemon_info(Daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
        if (info == nullptr || info->num_connections == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Replays still waiting are answered 503, so that no connection's
    // thread waits for the pool when the library stops.
    if (Pool)
        Pool->Stop();
    if (Daemon != nullptr) {
        // The answers of the last jobs go out before the loops stop.
        for (int i = 0; i < 50; ++i) {
            const MHD_DaemonInfo* info = MHD_get_daemon_info(Daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
            if (info == nullptr || info->num_connections == 0 || grace.count() == 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        MHD_stop_daemon(Daemon);
        Daemon = nullptr;
    }
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Stopping = true;
    }
    WatchWake.notify_all();
    if (Watcher.joinable())
        Watcher.join();
}

void THttpServer::StopReading(TConnectionState* state)
{
    if (!state->Reading)
        return;
    auto found = Reading.find(state->Key);
    found->second.erase(state->Place);
    if (found->second.empty())
        Reading.erase(found);
    --ReadingCount;
    state->Reading = false;
}

void THttpServer::CutOff(TConnectionState* state, std::atomic<std::uint64_t>& count)
{
    // The library sees the end of the stream and closes the connection
    // itself. The socket is still this connection's: its close notice takes
    // the same lock before the library closes it. Counted before the
    // shutdown: a client sees the close at once and may read the count.
    StopReading(state);
    state->Cut = true;
    ++count;
    const std::string reply = RawAnswer("408 Request Timeout", std::string(kTimeoutText) + "\n");
    ::send(state->Fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(state->Fd, SHUT_RDWR);
}

void THttpServer::Watch()
{
    std::unique_lock<std::mutex> hold(Mutex);
    while (!Stopping) {
        WatchWake.wait_for(hold, kWatchPeriod);
        if (Limits.RequestTimeoutSeconds <= 0)
            continue;
        const Clock::time_point late = Clock::now() - std::chrono::seconds(Limits.RequestTimeoutSeconds);
        std::vector<TConnectionState*> due;
        for (auto& [key, list] : Reading)
            for (TConnectionState* state : list) {
                if (state->Start >= late)
                    break; // oldest first
                due.push_back(state);
            }
        for (TConnectionState* state : due)
            CutOff(state, CutCount);
    }
}

void THttpServer::OnConnection(void* self, MHD_Connection* connection, void** socketContext,
                               MHD_ConnectionNotificationCode what)
{
    auto* server = static_cast<THttpServer*>(self);
    if (what == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* state = new TConnectionState();
        const MHD_ConnectionInfo* address =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        const MHD_ConnectionInfo* fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        state->Connection = connection;
        state->Address = AddressText(address != nullptr ? address->client_addr : nullptr);
        state->Key = ClientKey(state->Address);
        state->Fd = fd != nullptr ? fd->connect_fd : -1;
        state->Start = Clock::now();
        for (const TAddressNet& net : server->Limits.TrustedProxies)
            state->Trusted = state->Trusted || net.Contains(state->Address);
        *socketContext = state;
        if (state->Fd < 0)
            return;
        std::lock_guard<std::mutex> hold(server->Mutex);
        const THttpLimits& limits = server->Limits;
        if (!state->Trusted && limits.MaxConnectionsPerAddress > 0 &&
            server->OpenByKey[state->Key] >= limits.MaxConnectionsPerAddress) {
            // Closed at once, counted, not logged: an attacker must not be
            // able to flood the log.
            state->Refused = true;
            ++server->OverLimit;
            ::shutdown(state->Fd, SHUT_RDWR);
            return;
        }
        ++server->OpenByKey[state->Key];
        state->Counted = true;
        if (limits.MaxIncompleteRequests > 0 &&
            server->ReadingCount >= static_cast<std::size_t>(limits.MaxIncompleteRequests)) {
            // Room for the newcomer: the oldest of the client with the most.
            std::list<TConnectionState*>* most = nullptr;
            for (auto& [key, list] : server->Reading)
                if (most == nullptr || list.size() > most->size())
                    most = &list;
            if (most != nullptr)
                server->CutOff(most->front(), server->Evicted);
        }
        auto& list = server->Reading[state->Key];
        state->Place = list.insert(list.end(), state);
        state->Reading = true;
        ++server->ReadingCount;
        return;
    }
    auto* state = static_cast<TConnectionState*>(*socketContext);
    if (state == nullptr)
        return;
    if (tHeadersOf == state)
        tHeadersOf = nullptr;
    {
        std::lock_guard<std::mutex> hold(server->Mutex);
        server->StopReading(state);
        if (state->Counted) {
            auto found = server->OpenByKey.find(state->Key);
            if (found != server->OpenByKey.end() && --found->second <= 0)
                server->OpenByKey.erase(found);
        }
    }
    const std::string cut =
        "cut off: no whole request within " + std::to_string(server->Limits.RequestTimeoutSeconds) + " s";
    if (state->Pending != nullptr) {
        // The library refused the request itself (too large, malformed) or
        // the client left: no completion notice comes for it.
        if (state->Cut) {
            state->Pending->Status = 408;
            state->Pending->Note = cut;
            state->Pending->Route = "http";
        }
        server->LogRequest(state->Address, state->Pending, state->Cut || state->AnsweredHere);
        server->ReleaseBody(state->Pending);
        delete state->Pending;
    } else if (state->Cut) {
        if (server->Answered)
            server->Answered("http", 408);
        LogLine(state->Address + " - 408 " + cut);
    } else if (!state->Requested && !state->Refused)
        LogLine(state->Address + " - closed without a request");
    delete state;
    *socketContext = nullptr;
}

void THttpServer::OnLibraryLog(void* self, const char* format, va_list args)
{
    auto* server = static_cast<THttpServer*>(self);
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    // A connection refused for being over a limit is counted, not logged:
    // an attacker must not be able to flood the log.
    if (std::strstr(text, "connection limit") != nullptr) {
        ++server->OverLimit;
        return;
    }
    // A client that leaves (or is cut off) mid-request has its own log line.
    if (std::strstr(text, "detected connection closure") != nullptr)
        return;
    // The library's own answer to a malformed Content-Length carries its
    // status line and headers twice: this one answer goes out first, and
    // the socket is closed under the library's.
    if (std::strstr(text, "Content-Length") != nullptr && server->AnswerBadLength())
        return;
    if (std::strstr(text, "Error processing request") != nullptr &&
        std::strstr(text, "Content-Length") != nullptr)
        return;
    std::size_t n = std::strlen(text);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'))
        text[--n] = '\0';
    LogLine(std::string("http: ") + text);
}

bool THttpServer::AnswerBadLength()
{
    TConnectionState* state = tHeadersOf;
    if (state == nullptr || state->Fd < 0 || state->Pending == nullptr || state->Pending->Seen)
        return false;
    // Only when this connection's own length is the bad one.
    const char* length =
        MHD_lookup_connection_value(state->Connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    std::uint64_t declared = 0;
    if (length == nullptr || ReadLength(length, declared))
        return false;
    {
        std::lock_guard<std::mutex> hold(Mutex);
        StopReading(state);
    }
    const std::string reply = RawAnswer("400 Bad Request", std::string(kBadLengthText) + "\n");
    ::send(state->Fd, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(state->Fd, SHUT_RDWR);
    state->AnsweredHere = true;
    state->Pending->Status = 400;
    state->Pending->Bytes = std::strlen(kBadLengthText) + 1;
    state->Pending->Note = kBadLengthText;
    state->Pending->Route = "http";
    return true;
}

void* THttpServer::OnUri(void*, const char* uri, MHD_Connection* connection)
{
    auto* request = new TRequestState();
    request->Uri = uri != nullptr ? uri : "";
    request->Start = Clock::now();
    const MHD_ConnectionInfo* socket =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    if (socket != nullptr && socket->socket_context != nullptr) {
        auto* state = static_cast<TConnectionState*>(socket->socket_context);
        tHeadersOf = state;
        state->Requested = true;
        delete state->Pending; // never left over: each connection carries one request
        state->Pending = request;
    }
    return request;
}

std::string THttpServer::ClientOf(MHD_Connection* connection, const TConnectionState* state) const
{
    if (state == nullptr)
        return "-";
    if (!state->Trusted)
        return state->Address;
    // The proxies each add the address they heard from on the right: the
    // client is the right-most that is not itself a trusted proxy. What is
    // left of it, the client may have written itself.
    std::vector<std::string> headers;
    MHD_get_connection_values(connection, MHD_HEADER_KIND, &CollectForwarded, &headers);
    std::vector<std::string> hops;
    for (const std::string& header : headers) {
        std::size_t at = 0;
        while (at <= header.size()) {
            std::size_t comma = header.find(',', at);
            if (comma == std::string::npos)
                comma = header.size();
            hops.push_back(Trimmed(header.substr(at, comma - at)));
            at = comma + 1;
        }
    }
    for (auto hop = hops.rbegin(); hop != hops.rend(); ++hop) {
        TAddressNet one;
        if (!one.Parse(*hop) || hop->find('/') != std::string::npos)
            return state->Address; // not an address: nobody to tell apart
        bool trusted = false;
        for (const TAddressNet& net : Limits.TrustedProxies)
            trusted = trusted || net.Contains(*hop);
        if (!trusted)
            return *hop;
    }
    return state->Address;
}

bool THttpServer::ReserveBody(const std::string& key, std::size_t bytes)
{
    std::lock_guard<std::mutex> hold(Mutex);
    std::size_t& mine = BodyByKey[key];
    if (BodyBytes + bytes > Limits.MaxBodyMemory || mine + bytes > Limits.MaxBodyMemoryPerAddress) {
        if (mine == 0)
            BodyByKey.erase(key);
        return false;
    }
    mine += bytes;
    BodyBytes += bytes;
    return true;
}

void THttpServer::ReleaseBody(TRequestState* request)
{
    if (request->Reserved == 0)
        return;
    std::lock_guard<std::mutex> hold(Mutex);
    auto found = BodyByKey.find(request->ClientKey);
    if (found != BodyByKey.end()) {
        found->second -= std::min(found->second, request->Reserved);
        if (found->second == 0)
            BodyByKey.erase(found);
    }
    BodyBytes -= std::min(BodyBytes, request->Reserved);
    request->Reserved = 0;
}

namespace {

MHD_Result Answer(MHD_Connection* connection, THttpServer::TRequestState* request, const THttpResponse& out)
{
    MHD_Response* response = MHD_create_response_from_buffer(
        out.Body.size(), const_cast<char*>(out.Body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr)
        return MHD_NO;
    MHD_add_response_header(response, "Content-Type", out.ContentType.c_str());
    MHD_add_response_header(response, "Connection", "close"); // one request per connection, as the game makes
    // An answer may name its own caching and policy (the replay viewer's
    // files are revalidated by their ETags, its page runs its own script).
    const auto own = [&out](const char* name) {
        for (const auto& header : out.Headers)
            if (header.first == name)
                return true;
        return false;
    };
    if (!own("Cache-Control"))
        MHD_add_response_header(response, "Cache-Control", "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    if (!own("Content-Security-Policy"))
        MHD_add_response_header(response, "Content-Security-Policy", kPagePolicy);
    for (const auto& [name, value] : out.Headers)
        MHD_add_response_header(response, name.c_str(), value.c_str());
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(out.Status), response);
    MHD_destroy_response(response);
    if (request != nullptr) {
        request->Status = out.Status;
        request->Bytes = out.Body.size();
        request->Note = out.Note;
        request->Route = out.Route.empty() ? "http" : out.Route;
    }
    return queued;
}

THttpResponse Refusal(int status, const std::string& text, int retryAfter = 0)
{
    THttpResponse r;
    r.Status = status;
    r.Body = text + "\n";
    r.Note = text;
    r.Route = "http";
    if (retryAfter > 0)
        r.Headers.emplace_back("Retry-After", std::to_string(retryAfter));
    return r;
}

constexpr int kRetryAfterBusy = 5; // seconds

} // namespace

MHD_Result THttpServer::OnRequest(void* self, MHD_Connection* connection, const char*, const char* method,
                                  const char* version, const char* data, std::size_t* dataSize,
                                  void** requestContext)
{
    auto* server = static_cast<THttpServer*>(self);
    auto* request = static_cast<TRequestState*>(*requestContext);
    const MHD_ConnectionInfo* socket =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    TConnectionState* state =
        socket != nullptr ? static_cast<TConnectionState*>(socket->socket_context) : nullptr;
    if (request == nullptr)
        return MHD_NO; // every request gets its state from OnUri
    if (request->Status != 0) {
        *dataSize = 0; // a body after the answer is read and dropped
        return MHD_YES;
    }
    const std::string methodText = method != nullptr ? method : "";
    if (!request->Seen) {
        request->Seen = true;
        request->Method = methodText; // known from here on, for the log of a request cut off
        request->Client = server->ClientOf(connection, state);
        request->ClientKey = ClientKey(request->Client);
    }
    TBodyState body = TBodyState::None;
    std::string refusal;
    int refusalStatus = 0;
    if (request->ReadingBody) {
        if (*dataSize > 0) {
            // The library holds the client to its Content-Length, which was
            // within the bound; the check keeps it so whatever the library does.
            const std::size_t room =
                server->Limits.MaxBodyBytes - std::min(server->Limits.MaxBodyBytes, request->Body.size());
            request->Body.append(data, std::min(*dataSize, room));
            *dataSize = 0;
            return MHD_YES;
        }
        body = TBodyState::Complete; // the last call: the body is all in
    } else if (version != nullptr && std::strcmp(version, "HTTP/1.1") == 0 &&
               MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST) == nullptr) {
        refusalStatus = 400; // HTTP/1.1 makes Host compulsory
        refusal = "an HTTP/1.1 request without Host";
    } else if (methodText == "POST") {
        // Whether to read a body is decided from its length before any of it
        // is read: none, or one over the bound, is answered at once; one
        // over the memory left for bodies is told to come back.
        std::uint64_t declared = 0;
        if (!ReadLength(
                MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH),
                declared))
            body = TBodyState::NoLength;
        else if (declared > server->Limits.MaxBodyBytes)
            body = TBodyState::TooLarge;
        else if (!server->ReserveBody(request->ClientKey, static_cast<std::size_t>(declared))) {
            ++server->OverBodyMemory;
            refusalStatus = 503;
            refusal = "busy: too many uploads under way; try again later";
        } else {
            request->Reserved = static_cast<std::size_t>(declared);
            request->ReadingBody = true;
            request->Body.reserve(static_cast<std::size_t>(declared));
            return MHD_YES; // the body's parts come in the next calls; the deadline still runs
        }
    }
    // The request is in (or will not be read): the request deadline no
    // longer applies; the idle time-out still does.
    if (state != nullptr) {
        std::lock_guard<std::mutex> hold(server->Mutex);
        if (state->Cut)
            return MHD_NO; // cut off a moment ago: its 408 is out
        server->StopReading(state);
    }
    *dataSize = 0;
    if (refusalStatus != 0) {
        server->ReleaseBody(request);
        return Answer(connection, request,
                      Refusal(refusalStatus, refusal, refusalStatus == 503 ? kRetryAfterBusy : 0));
    }

    TRequest in;
    in.Method = methodText;
    if (!ReadRequestTarget(request->Uri, in.Path, in.Args))
        return Answer(connection, request, Refusal(400, "a malformed escape or a NUL in the address"));
    in.ClientAddress = request->Client;
    if (const char* tags =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH))
        in.IfNoneMatch = tags;
    in.BodyState = body;
    if (body == TBodyState::Complete)
        in.Body = std::move(request->Body);
    request->Body = std::string();
    THttpResponse out = server->Handler(in);
    if (!out.Later) {
        server->ReleaseBody(request);
        return Answer(connection, request, std::move(out));
    }
    // The slow rest goes to the pool; this connection's thread waits for
    // it, and no other connection does. The body's memory stays counted
    // until the answer is out.
    struct TLater {
        std::mutex Mutex;
        std::condition_variable Done;
        bool Ready = false;
        THttpResponse Answer;
    };
    auto later = std::make_shared<TLater>();
    auto finish = [later](THttpResponse answer) {
        std::lock_guard<std::mutex> hold(later->Mutex);
        later->Answer = std::move(answer);
        later->Ready = true;
        later->Done.notify_all();
    };
    std::function<THttpResponse()> work = std::move(out.Later);
    const bool queued = server->Pool->Submit(
        request->ClientKey, [work, finish] { finish(work()); },
        [finish] { finish(Refusal(503, "the server is stopping; try again later", kRetryAfterBusy)); });
    if (!queued) {
        ++server->QueueFull;
        out.Later = nullptr;
        return Answer(connection, request, out); // the service's answer for want of room
    }
    THttpResponse answer;
    {
        std::unique_lock<std::mutex> hold(later->Mutex);
        later->Done.wait(hold, [&later] { return later->Ready; });
        answer = std::move(later->Answer);
    }
    // What follows the pool's part runs here, at this thread's priority:
    // a database write must not hold its lock on a thread that runs only
    // when the CPU is idle.
    if (answer.Later) {
        const std::function<THttpResponse()> rest = std::move(answer.Later);
        answer = rest();
    }
    return Answer(connection, request, answer);
}

void THttpServer::OnCompleted(void* self, MHD_Connection* connection, void** requestContext,
                              MHD_RequestTerminationCode how)
{
    auto* server = static_cast<THttpServer*>(self);
    auto* request = static_cast<TRequestState*>(*requestContext);
    if (request == nullptr)
        return;
    const MHD_ConnectionInfo* socket =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    auto* state = socket != nullptr ? static_cast<TConnectionState*>(socket->socket_context) : nullptr;
    if (state != nullptr && state->Pending == request)
        state->Pending = nullptr;
    if (state != nullptr && state->Cut && request->Status == 0) {
        // A body trickled in too slowly: one line says so, not two.
        request->Status = 408;
        request->Route = "http";
        request->Note =
            "cut off: no whole request within " + std::to_string(server->Limits.RequestTimeoutSeconds) + " s";
        state->Cut = false;
        server->LogRequest(state->Address, request, true);
    } else {
        server->LogRequest(state != nullptr ? state->Address : std::string("-"), request,
                           how == MHD_REQUEST_TERMINATED_COMPLETED_OK);
    }
    server->ReleaseBody(request);
    delete request;
    *requestContext = nullptr;
}

void THttpServer::LogRequest(const std::string& address, TRequestState* request, bool delivered)
{
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - request->Start).count();
    char took[32];
    std::snprintf(took, sizeof took, "%.1fms", ms);
    // Through a proxy, the line names the client and the proxy.
    const std::string who = !request->Client.empty() && request->Client != address
                                ? request->Client + " via " + address
                                : address;
    std::string line = who + " \"" + LogSafe(request->Method.empty() ? "-" : request->Method) + " " +
                       LogSafe(request->Uri) + "\" ";
    if (request->Status != 0)
        line += std::to_string(request->Status) + " " + std::to_string(request->Bytes) + " " + took + " " +
                LogSafe(request->Note);
    else
        line += std::string("- 0 ") + took + " " +
                (!request->Note.empty() ? request->Note
                 : delivered            ? "answered by the HTTP library"
                                        : "ended before an answer");
    if (request->Status != 0 && !delivered)
        line += " (reply not delivered)";
    LogLine(line);
    if (request->Status != 0 && Answered)
        Answered(request->Route.empty() ? "http" : request->Route, request->Status);
}

std::string THttpServer::MetricsText() const
{
    std::string m;
    auto gauge = [&m](const char* name, const char* type, const char* help, std::uint64_t value) {
        m += MetricHeader(name, type, help);
        m += std::string(name) + " " + std::to_string(value) + "\n";
    };
    gauge("tumbletown_replay_queue_waiting", "gauge", "Replays waiting for a worker.",
          Pool ? Pool->Waiting() : 0);
    gauge("tumbletown_replay_queue_running", "gauge", "Replays a worker is playing now.",
          Pool ? Pool->Running() : 0);
    gauge("tumbletown_replay_workers", "gauge", "Workers that play replays.",
          Pool ? static_cast<std::uint64_t>(Pool->Workers()) : 0);
    gauge("tumbletown_replay_queue_full_total", "counter",
          "Replays refused 503 for want of room in the queue.", QueueFull.load());
    std::size_t open = 0, reading = 0, body = 0;
    {
        std::lock_guard<std::mutex> hold(Mutex);
        for (const auto& [key, n] : OpenByKey)
            open += static_cast<std::size_t>(n);
        reading = ReadingCount;
        body = BodyBytes;
    }
    gauge("tumbletown_connections_open", "gauge", "Open connections.", open);
    gauge("tumbletown_requests_incomplete", "gauge", "Connections whose request is still coming in.",
          reading);
    gauge("tumbletown_body_bytes_in_flight", "gauge",
          "Declared lengths of the bodies being read or answered.", body);
    gauge("tumbletown_body_memory_refused_total", "counter", "Uploads refused 503 for want of body memory.",
          OverBodyMemory.load());
    gauge("tumbletown_connections_over_limit_total", "counter",
          "Connections refused over the connection caps.", OverLimit.load());
    gauge("tumbletown_requests_cut_off_total", "counter", "Requests cut off at the request deadline (408).",
          CutCount.load());
    gauge("tumbletown_requests_evicted_total", "counter",
          "Incomplete requests cut off to make room for a new connection.", Evicted.load());
    return m;
}

} // namespace ScoreServer
