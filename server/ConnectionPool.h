// A fixed set of database connections shared by the server's threads: a
// thread takes one, uses it alone and gives it back. Both database kinds use
// it; the connection type is theirs.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace ScoreServer {

template <class TConnection> class TConnectionPool {
public:
    // Holds a connection for the lifetime of the lease; returns it at the end.
    class TLease {
    public:
        TLease(TConnectionPool& pool, std::unique_ptr<TConnection> connection)
            : Pool(pool), Connection(std::move(connection))
        {
        }
        ~TLease() { Pool.Return(std::move(Connection)); }
        TLease(const TLease&) = delete;
        TLease& operator=(const TLease&) = delete;
        TConnection& operator*() { return *Connection; }
        TConnection* operator->() { return Connection.get(); }

    private:
        TConnectionPool& Pool;
        std::unique_ptr<TConnection> Connection;
    };

    void Add(std::unique_ptr<TConnection> connection)
    {
        std::lock_guard<std::mutex> hold(Mutex);
        Idle.push_back(std::move(connection));
        Free.notify_one();
    }
    // Waits until a connection is free.
    TLease Take()
    {
        std::unique_lock<std::mutex> hold(Mutex);
        Free.wait(hold, [this] { return !Idle.empty(); });
        std::unique_ptr<TConnection> c = std::move(Idle.back());
        Idle.pop_back();
        return TLease(*this, std::move(c));
    }
    // Every connection, for closing: call only when no lease is out.
    std::vector<std::unique_ptr<TConnection>>& All() { return Idle; }

private:
    void Return(std::unique_ptr<TConnection> connection)
    {
        if (!connection)
            return;
        std::lock_guard<std::mutex> hold(Mutex);
        Idle.push_back(std::move(connection));
        Free.notify_one();
    }

    std::mutex Mutex;
    std::condition_variable Free;
    std::vector<std::unique_ptr<TConnection>> Idle;
};

} // namespace ScoreServer
