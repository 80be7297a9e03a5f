// A listening socket on 127.0.0.1 and a free port, for tests that stand in
// for a server: one that accepts and never answers, or answers as it likes.
#pragma once

#include <cstdint>

namespace TestSupport {

class TLoopbackListener {
public:
    explicit TLoopbackListener(int backlog = 16);
    ~TLoopbackListener();
    TLoopbackListener(const TLoopbackListener&) = delete;
    TLoopbackListener& operator=(const TLoopbackListener&) = delete;

    // 0 when no socket could be bound or listened on.
    std::uint16_t Port() const { return ListenPort; }
    // The next connection's descriptor (the caller closes it), -1 when none
    // came within ms.
    int Accept(int ms) const;

private:
    int Fd = -1;
    std::uint16_t ListenPort = 0;
};

} // namespace TestSupport
