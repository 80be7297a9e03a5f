#include "server/HttpServer.h"

#include "server/Log.h"

#include <microhttpd.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ScoreServer {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kListenBacklog = 1024;
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

// "ADDR:PORT", "[V6]:PORT" or ":PORT" to a bound, listening socket that
// shares its port with the others of this process (SO_REUSEPORT): the kernel
// hands each new connection to one of them, so no two threads race for it.
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
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV | (host.empty() ? 0 : AI_NUMERICHOST);
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0 || found == nullptr) {
        error = "--listen: " + listen + " is not a numeric address and port (" + ::gai_strerror(rc) + ")";
        return -1;
    }
    // An empty address gives every address: IPv6 (which takes IPv4 as well)
    // where the machine has it, else IPv4.
    int fd = -1;
    for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        int yes = 1;
        if (fd >= 0) {
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEPORT, &yes, sizeof yes);
        }
        if (fd >= 0 && (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, kListenBacklog) != 0)) {
            error = "cannot listen on " + listen + ": " + std::strerror(errno);
            ::close(fd);
            fd = -1;
        } else if (fd < 0) {
            error = "cannot listen on " + listen + ": " + std::strerror(errno);
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0)
        return -1;
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    bound = AddressWithPort(a);
    return fd;
}

// The library's own messages. A connection refused for being over a limit
// is counted, not logged: an attacker must not be able to flood the log.
void LogFromLibrary(void* self, const char* format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    if (std::strstr(text, "connection limit") != nullptr) {
        ++static_cast<THttpServer*>(self)->OverLimit;
        return;
    }
    std::size_t n = std::strlen(text);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r'))
        text[--n] = '\0';
    LogLine(std::string("http: ") + text);
}

// The request's log line: address, method and address asked for, status,
// bytes, time taken and what was done.
void LogRequest(const std::string& address, const THttpServer::TRequestState* request, bool delivered);

MHD_Result CollectArg(void* list, MHD_ValueKind, const char* key, const char* value)
{
    auto* args = static_cast<std::vector<TQueryArg>*>(list);
    TQueryArg a;
    a.Key = key != nullptr ? key : "";
    if (value != nullptr)
        a.Value = value;
    args->push_back(std::move(a));
    return MHD_YES;
}

} // namespace

// One per connection, from its start to its close.
struct THttpServer::TConnectionState {
    std::string Address;
    int Fd = -1;
    Clock::time_point Start;
    bool Requested = false;           // a request line came
    bool Cut = false;                 // cut off by the deadline
    TRequestState* Pending = nullptr; // the request under way, until its end is logged
};

// One per request, from its request line to its end.
struct THttpServer::TRequestState {
    std::string Uri;
    std::string Method;
    Clock::time_point Start;
    bool ReadingBody = false; // a POST body of an accepted length is coming in
    std::string Body;
    int Status = 0; // 0: the library answered (or nobody did)
    std::size_t Bytes = 0;
    std::string Note;
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
    // One event loop per thread, each with a listening socket of its own on
    // the same port. The limits are shared out among the loops; the kernel
    // spreads one client's connections over all of them.
    const unsigned loops = static_cast<unsigned>(Limits.Threads < 1 ? 1 : Limits.Threads);
    const unsigned perLoop = (static_cast<unsigned>(Limits.MaxConnections) + loops - 1) / loops;
    const unsigned perAddress = (static_cast<unsigned>(Limits.MaxConnectionsPerAddress) + loops - 1) / loops;
    std::string where = listen;
    for (unsigned i = 0; i < loops; ++i) {
        std::string bound;
        const int fd = OpenListener(where, bound, error);
        if (fd < 0) {
            Stop(std::chrono::milliseconds(0));
            return false;
        }
        ListenFds.push_back(fd);
        if (i == 0) {
            Bound = bound;
            where = bound; // the others on the very port the first one got
        }
        const unsigned flags =
            MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC | MHD_USE_ERROR_LOG;
        MHD_Daemon* daemon = MHD_start_daemon(
            flags, 0, nullptr, nullptr, reinterpret_cast<MHD_AccessHandlerCallback>(&THttpServer::OnRequest),
            this, MHD_OPTION_EXTERNAL_LOGGER, &LogFromLibrary, this, MHD_OPTION_LISTEN_SOCKET, fd,
            MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(Limits.IdleTimeoutSeconds),
            MHD_OPTION_CONNECTION_MEMORY_LIMIT, Limits.MaxRequestBytes, MHD_OPTION_CONNECTION_LIMIT, perLoop,
            MHD_OPTION_PER_IP_CONNECTION_LIMIT, perAddress, MHD_OPTION_STRICT_FOR_CLIENT, 0,
            MHD_OPTION_URI_LOG_CALLBACK, &THttpServer::OnUri, this, MHD_OPTION_NOTIFY_COMPLETED,
            &THttpServer::OnCompleted, this, MHD_OPTION_NOTIFY_CONNECTION, &THttpServer::OnConnection, this,
            MHD_OPTION_END);
        if (daemon == nullptr) {
            error = "the HTTP library did not start on " + Bound;
            Stop(std::chrono::milliseconds(0));
            return false;
        }
        Daemons.push_back(daemon);
    }
    Watcher = std::thread([this] { Watch(); });
    return true;
}

void THttpServer::Stop(std::chrono::milliseconds grace)
{
    // No new connections: the loops let go of their listening sockets, which
    // are closed at once, so that a new connection is refused, not queued.
    for (MHD_Daemon* daemon : Daemons)
        MHD_quiesce_daemon(daemon);
    for (int fd : ListenFds)
        ::close(fd);
    ListenFds.clear();
    const Clock::time_point end = Clock::now() + grace;
    while (Clock::now() < end) {
        unsigned open = 0;
        for (MHD_Daemon* daemon : Daemons) {
            const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
            open += info != nullptr ? info->num_connections : 0;
        }
        if (open == 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (MHD_Daemon* daemon : Daemons)
        MHD_stop_daemon(daemon);
    Daemons.clear();
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Stopping = true;
    }
    WatchWake.notify_all();
    if (Watcher.joinable())
        Watcher.join();
}

void THttpServer::Watch()
{
    std::unique_lock<std::mutex> hold(Mutex);
    while (!Stopping) {
        WatchWake.wait_for(hold, kWatchPeriod);
        const Clock::time_point late = Clock::now() - std::chrono::seconds(Limits.RequestTimeoutSeconds);
        for (auto& [state, fd] : Reading) {
            if (!state->Cut && state->Start < late) {
                // The library sees the end of the stream and closes the
                // connection itself. The socket is still this connection's:
                // its close notice takes the same lock before the library
                // closes it.
                // Counted before the shutdown: a client sees the close at
                // once and may read the count straight after.
                state->Cut = true;
                ++CutCount;
                ::shutdown(fd, SHUT_RDWR);
            }
        }
    }
}

void THttpServer::OnConnection(void* self, MHD_Connection* connection, void** socketContext, int what)
{
    auto* server = static_cast<THttpServer*>(self);
    if (what == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* state = new TConnectionState();
        const MHD_ConnectionInfo* address =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        const MHD_ConnectionInfo* fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        state->Address = AddressText(address != nullptr ? address->client_addr : nullptr);
        state->Fd = fd != nullptr ? fd->connect_fd : -1;
        state->Start = Clock::now();
        *socketContext = state;
        if (server->Limits.RequestTimeoutSeconds > 0 && state->Fd >= 0) {
            std::lock_guard<std::mutex> hold(server->Mutex);
            server->Reading.emplace(state, state->Fd);
        }
        return;
    }
    auto* state = static_cast<TConnectionState*>(*socketContext);
    if (state == nullptr)
        return;
    {
        std::lock_guard<std::mutex> hold(server->Mutex);
        server->Reading.erase(state);
    }
    if (state->Pending != nullptr) {
        // The library refused the request itself (too large, malformed) or
        // the client left: no completion notice comes for it.
        if (state->Cut)
            state->Pending->Note = "cut off: no whole request within " +
                                   std::to_string(server->Limits.RequestTimeoutSeconds) + " s";
        LogRequest(state->Address, state->Pending, false);
        delete state->Pending;
    } else if (state->Cut)
        LogLine(state->Address + " - cut off: no whole request within " +
                std::to_string(server->Limits.RequestTimeoutSeconds) + " s");
    else if (!state->Requested)
        LogLine(state->Address + " - closed without a request");
    delete state;
    *socketContext = nullptr;
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
        state->Requested = true;
        delete state->Pending; // never left over: each connection carries one request
        state->Pending = request;
    }
    return request;
}

int THttpServer::OnRequest(void* self, MHD_Connection* connection, const char* url, const char* method,
                           const char*, const char* data, std::size_t* dataSize, void** requestContext)
{
    auto* server = static_cast<THttpServer*>(self);
    auto* request = static_cast<TRequestState*>(*requestContext);
    const MHD_ConnectionInfo* socket =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    TConnectionState* state =
        socket != nullptr ? static_cast<TConnectionState*>(socket->socket_context) : nullptr;
    if (request != nullptr && request->Status != 0) {
        *dataSize = 0; // a body after the answer is read and dropped
        return MHD_YES;
    }
    const std::string methodText = method != nullptr ? method : "";
    TBodyState body = TBodyState::None;
    if (request != nullptr && request->ReadingBody) {
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
    } else if (methodText == "POST") {
        // Whether to read a body is decided from its length before any of it
        // is read: none, or one over the bound, is answered at once.
        const char* length =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
        std::uint64_t declared = 0;
        bool known = length != nullptr && *length != '\0' && std::strlen(length) <= 19;
        for (const char* p = length; known && *p != '\0'; ++p) {
            if (*p < '0' || *p > '9')
                known = false;
            else
                declared = declared * 10 + static_cast<std::uint64_t>(*p - '0');
        }
        if (!known)
            body = TBodyState::NoLength;
        else if (declared > server->Limits.MaxBodyBytes)
            body = TBodyState::TooLarge;
        else if (request != nullptr) {
            request->ReadingBody = true;
            request->Body.reserve(static_cast<std::size_t>(declared));
            return MHD_YES; // the body's parts come in the next calls; the deadline still runs
        }
    }
    // The request is in (or will not be read): the request deadline no
    // longer applies; the idle time-out still does.
    if (state != nullptr) {
        std::lock_guard<std::mutex> hold(server->Mutex);
        server->Reading.erase(state);
    }

    TRequest in;
    in.Method = methodText;
    in.Path = url != nullptr ? url : "";
    in.ClientAddress = state != nullptr ? state->Address : "-";
    in.BodyState = body;
    if (body == TBodyState::Complete && request != nullptr)
        in.Body = std::move(request->Body);
    MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &CollectArg, &in.Args);
    if (const char* tags =
            MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH))
        in.IfNoneMatch = tags;
    THttpResponse out = server->Handler(in);

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
        request->Method = in.Method;
        request->Status = out.Status;
        request->Bytes = out.Body.size();
        request->Note = std::move(out.Note);
    }
    *dataSize = 0;
    return queued;
}

void THttpServer::OnCompleted(void* self, MHD_Connection* connection, void** requestContext, int how)
{
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
        request->Note = "cut off: no whole request within " +
                        std::to_string(static_cast<THttpServer*>(self)->Limits.RequestTimeoutSeconds) + " s";
        state->Cut = false;
    }
    LogRequest(state != nullptr ? state->Address : std::string("-"), request,
               how == MHD_REQUEST_TERMINATED_COMPLETED_OK);
    delete request;
    *requestContext = nullptr;
}

namespace {

void LogRequest(const std::string& address, const THttpServer::TRequestState* request, bool delivered)
{
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - request->Start).count();
    char took[32];
    std::snprintf(took, sizeof took, "%.1fms", ms);
    std::string line = address + " \"" + LogSafe(request->Method.empty() ? "-" : request->Method) + " " +
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
}

} // namespace

} // namespace ScoreServer
