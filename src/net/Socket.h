// A TCP connection in non-blocking mode whose every wait is bounded and can be cancelled.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "win/Handles.h"

// What bounds each wait of a socket: the caller's cancel flag, looked at four times a second,
// and the longest silence of the other side before it is taken for gone.
struct SocketLimits {
    const std::atomic<bool>* cancelled = nullptr;
    DWORD idleLimitMs = 30000;
};

// Winsock's SOCKET, without its header: that one must come before windows.h wherever it is
// included, so it stays in the one file that makes the calls.
using SocketHandle = std::uintptr_t;

struct SocketTraits {
    using Handle = SocketHandle;
    static Handle None() noexcept { return ~Handle{0}; }
    static bool IsValid(Handle h) noexcept { return h != None(); }
    static void Close(Handle h) noexcept;
};

// One address of a socket or of its peer: a sockaddr_storage.
struct SocketAddress {
    alignas(8) unsigned char storage[128] = {};
    int length = 0;

    bool isIPv6() const;
    unsigned short port() const;
    void setPort(unsigned short port);
    // The numeric host ("127.0.0.1", "::1").
    std::string host() const;
    // The same host, whatever the ports.
    bool sameHost(const SocketAddress& other) const;
};

// The calls return false on failure with the reason in GetLastError (which is WSAGetLastError):
// a Winsock error, WSAECANCELLED once the cancel flag is set, WSAETIMEDOUT after the idle limit.
class Socket {
  public:
    Socket() = default;
    explicit operator bool() const { return bool(socket_); }
    SocketHandle get() const { return socket_.Get(); }
    void close() { socket_.Reset(); }

    // Tries each address of `host` in turn. Name look-up is the system's and is not bounded.
    bool connect(const char* host, unsigned short port, const SocketLimits& limits);
    bool connect(const SocketAddress& address, const SocketLimits& limits);
    // connect() in two halves, so that the caller can say something elsewhere in between.
    bool startConnect(const SocketAddress& address);
    bool finishConnect(const SocketLimits& limits);
    // Until something can be read: for an answer that cannot have come yet.
    bool waitToReceive(const SocketLimits& limits) { return wait(false, limits) != waitFailed; }
    // Until either of two sockets can be read or reports an error, which `first` and `second`
    // then tell; false when cancelled or both were silent for too long. A connection being made
    // that can be read needs no finishConnect() after.
    enum Readiness { notReady, readable, failed };
    static bool waitToReceiveEither(Socket& one, Socket& other, const SocketLimits& limits, Readiness& first,
                                    Readiness& second);
    // What a socket that reported a failure failed of: most often a connection refused.
    int failure() const;
    // Listens on the local address of `beside` (an open connection), on a port of the system's
    // choice, for one connection.
    bool listen(const Socket& beside);
    bool accept(Socket& accepted, const SocketLimits& limits);

    bool send(const void* data, std::size_t size, const SocketLimits& limits);
    // The bytes received into `buffer`, 0 at the end of the stream, -1 on failure.
    int receive(void* buffer, int size, const SocketLimits& limits);
    // Small writes go out at once instead of waiting for the acknowledgement of the last one.
    void sendAtOnce();

    bool localAddress(SocketAddress& address) const;
    bool peerAddress(SocketAddress& address) const;

  private:
    bool adopt(SocketHandle socket);
    // Until the socket can be read (or written), or reports an error; waitFailed when cancelled
    // or silent for too long.
    enum WaitResult { waitFailed, waitReady, waitError };
    WaitResult wait(bool write, const SocketLimits& limits);

    UniqueOwner<SocketTraits> socket_;
    bool connecting_ = false;
};
