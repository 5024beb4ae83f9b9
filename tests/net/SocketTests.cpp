// Waiting on two connections at once: which of them can be read, an end of stream or a refused
// connection counts, and silence and cancellation end the wait as every other wait does.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>

#include "net/Socket.h"

namespace {

// A listener on 127.0.0.1 made with the bare calls, and the far ends it accepts.
struct Loopback {
    SOCKET listener = INVALID_SOCKET;
    unsigned short port = 0;
    Loopback() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 4);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~Loopback() { ::closesocket(listener); }
    SOCKET Accept() { return ::accept(listener, nullptr, nullptr); }
};

} // namespace

TEST(Socket, WaitingOnTwoConnectionsTellsWhichCanBeRead) {
    Loopback server;
    SocketLimits limits;
    limits.idleLimitMs = 300;
    Socket one, other;
    ASSERT_TRUE(one.connect("127.0.0.1", server.port, limits));
    SOCKET farOne = server.Accept();
    ASSERT_TRUE(other.connect("127.0.0.1", server.port, limits));
    SOCKET farOther = server.Accept();
    Socket::Readiness first = Socket::readable, second = Socket::readable;

    // Nothing comes: the idle limit ends the wait.
    EXPECT_FALSE(Socket::waitToReceiveEither(one, other, limits, first, second));
    EXPECT_EQ(static_cast<int>(::GetLastError()), WSAETIMEDOUT);
    EXPECT_EQ(first, Socket::notReady);
    EXPECT_EQ(second, Socket::notReady);

    ::send(farOther, "x", 1, 0);
    ASSERT_TRUE(Socket::waitToReceiveEither(one, other, limits, first, second));
    EXPECT_EQ(first, Socket::notReady);
    EXPECT_EQ(second, Socket::readable);
    char byte = 0;
    EXPECT_EQ(other.receive(&byte, 1, limits), 1);

    // The end of a stream is something to read too.
    ::closesocket(farOne);
    ASSERT_TRUE(Socket::waitToReceiveEither(one, other, limits, first, second));
    EXPECT_EQ(first, Socket::readable);
    EXPECT_EQ(second, Socket::notReady);
    EXPECT_EQ(one.receive(&byte, 1, limits), 0);

    std::atomic<bool> cancelled{true};
    SocketLimits cancelling = limits;
    cancelling.cancelled = &cancelled;
    EXPECT_FALSE(Socket::waitToReceiveEither(one, other, cancelling, first, second));
    EXPECT_EQ(static_cast<int>(::GetLastError()), WSAECANCELLED);

    // A connection still being made that is refused reports as failed, with the reason.
    SocketAddress closed;
    ASSERT_TRUE(one.peerAddress(closed));
    Loopback unused;
    closed.setPort(unused.port);
    ::closesocket(unused.listener);
    unused.listener = INVALID_SOCKET;
    Socket refused;
    ASSERT_TRUE(refused.startConnect(closed));
    limits.idleLimitMs = 5000;
    ASSERT_TRUE(Socket::waitToReceiveEither(other, refused, limits, first, second));
    EXPECT_EQ(second, Socket::failed);
    EXPECT_EQ(refused.failure(), WSAECONNREFUSED);
    ::closesocket(farOther);
}
