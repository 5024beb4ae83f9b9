// Socket: non-blocking calls, each wait cut into slices that look at the cancel flag.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "net/Socket.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr long sliceMs = 250;

bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) ::WSASetLastError(WSANOTINITIALISED);
    return started;
}

bool Fail(int error) {
    ::WSASetLastError(error);
    return false;
}

bool Cancelled(const SocketLimits& limits) {
    return limits.cancelled && limits.cancelled->load();
}

static_assert(sizeof(sockaddr_storage) == sizeof(SocketAddress::storage));
static_assert(sizeof(SOCKET) == sizeof(SocketHandle) && INVALID_SOCKET == ~SocketHandle{0});

const sockaddr* Raw(const SocketAddress& address) {
    return reinterpret_cast<const sockaddr*>(address.storage);
}
sockaddr* Raw(SocketAddress& address) {
    return reinterpret_cast<sockaddr*>(address.storage);
}
const sockaddr_in& V4(const SocketAddress& address) {
    return *reinterpret_cast<const sockaddr_in*>(address.storage);
}
const sockaddr_in6& V6(const SocketAddress& address) {
    return *reinterpret_cast<const sockaddr_in6*>(address.storage);
}

} // namespace

void SocketTraits::Close(Handle h) noexcept {
    ::closesocket(h);
}

bool SocketAddress::isIPv6() const {
    return Raw(*this)->sa_family == AF_INET6;
}

unsigned short SocketAddress::port() const {
    return ntohs(isIPv6() ? V6(*this).sin6_port : V4(*this).sin_port);
}

void SocketAddress::setPort(unsigned short value) {
    if (isIPv6())
        reinterpret_cast<sockaddr_in6*>(storage)->sin6_port = htons(value);
    else
        reinterpret_cast<sockaddr_in*>(storage)->sin_port = htons(value);
}

std::string SocketAddress::host() const {
    char text[NI_MAXHOST] = "";
    if (::getnameinfo(Raw(*this), length, text, sizeof(text), nullptr, 0, NI_NUMERICHOST) != 0) return {};
    return text;
}

bool SocketAddress::sameHost(const SocketAddress& other) const {
    if (Raw(*this)->sa_family != Raw(other)->sa_family) return false;
    if (isIPv6()) return std::memcmp(&V6(*this).sin6_addr, &V6(other).sin6_addr, sizeof(in6_addr)) == 0;
    return V4(*this).sin_addr.s_addr == V4(other).sin_addr.s_addr;
}

bool Socket::adopt(SocketHandle socket) {
    socket_.Reset(socket);
    if (!socket_) return false;
    u_long nonBlocking = 1;
    if (::ioctlsocket(get(), FIONBIO, &nonBlocking) != 0) {
        int error = ::WSAGetLastError();
        close();
        return Fail(error);
    }
    return true;
}

void Socket::sendAtOnce() {
    BOOL noDelay = TRUE;
    ::setsockopt(get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
}

Socket::WaitResult Socket::wait(bool write, const SocketLimits& limits) {
    for (DWORD waited = 0;; waited += sliceMs) {
        if (Cancelled(limits)) return Fail(WSAECANCELLED), waitFailed;
        if (waited >= limits.idleLimitMs) return Fail(WSAETIMEDOUT), waitFailed;
        fd_set ready, errors;
        FD_ZERO(&ready);
        FD_SET(get(), &ready);
        FD_ZERO(&errors);
        FD_SET(get(), &errors);
        timeval slice{0, sliceMs * 1000};
        int count = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &errors, &slice);
        if (count == SOCKET_ERROR) return waitFailed;
        // Each set holds this one socket, so a set that is not empty names it.
        if (count > 0) return errors.fd_count > 0 ? waitError : waitReady;
    }
}

bool Socket::waitToReceiveEither(Socket& one, Socket& other, const SocketLimits& limits, Readiness& first,
                                 Readiness& second) {
    first = second = notReady;
    // select() leaves in each set the sockets it found so.
    auto holds = [](const fd_set& set, const Socket& socket) {
        return std::find(set.fd_array, set.fd_array + set.fd_count, socket.get()) !=
               set.fd_array + set.fd_count;
    };
    for (DWORD waited = 0;; waited += sliceMs) {
        if (Cancelled(limits)) return Fail(WSAECANCELLED);
        if (waited >= limits.idleLimitMs) return Fail(WSAETIMEDOUT);
        fd_set ready, failures;
        FD_ZERO(&ready);
        FD_SET(one.get(), &ready);
        FD_SET(other.get(), &ready);
        failures = ready;
        timeval slice{0, sliceMs * 1000};
        int count = ::select(0, &ready, nullptr, &failures, &slice);
        if (count == SOCKET_ERROR) return false;
        if (count == 0) continue;
        // A connection being made that can be read, or has failed, is no longer being made.
        auto readiness = [&](Socket& socket) {
            Readiness state = holds(failures, socket) ? failed : holds(ready, socket) ? readable : notReady;
            if (state != notReady) socket.connecting_ = false;
            return state;
        };
        first = readiness(one);
        second = readiness(other);
        return true;
    }
}

bool Socket::connect(const char* host, unsigned short port, const SocketLimits& limits) {
    if (!StartWinsock()) return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (int error = ::getaddrinfo(host, service.c_str(), &hints, &found); error != 0) return Fail(error);
    int error = WSAHOST_NOT_FOUND;
    for (addrinfo* each = found; each; each = each->ai_next) {
        SocketAddress address;
        if (each->ai_addrlen > sizeof(address.storage)) continue;
        std::memcpy(address.storage, each->ai_addr, each->ai_addrlen);
        address.length = static_cast<int>(each->ai_addrlen);
        if (connect(address, limits)) {
            ::freeaddrinfo(found);
            return true;
        }
        error = ::WSAGetLastError();
        if (error == WSAECANCELLED) break;
    }
    ::freeaddrinfo(found);
    return Fail(error);
}

bool Socket::connect(const SocketAddress& address, const SocketLimits& limits) {
    return startConnect(address) && finishConnect(limits);
}

bool Socket::startConnect(const SocketAddress& address) {
    if (!StartWinsock()) return false;
    if (!adopt(::socket(Raw(address)->sa_family, SOCK_STREAM, IPPROTO_TCP))) return false;
    connecting_ = ::connect(get(), Raw(address), address.length) != 0;
    if (!connecting_ || ::WSAGetLastError() == WSAEWOULDBLOCK) return true;
    int error = ::WSAGetLastError();
    close();
    return Fail(error);
}

bool Socket::finishConnect(const SocketLimits& limits) {
    if (!connecting_) return bool(*this) || Fail(WSAENOTCONN);
    connecting_ = false;
    WaitResult result = wait(true, limits);
    if (result == waitReady) return true;
    int error = result == waitError ? failure() : ::WSAGetLastError();
    close();
    return Fail(error);
}

int Socket::failure() const {
    int error = 0, length = sizeof(error);
    if (::getsockopt(get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 ||
        error == 0)
        error = WSAECONNREFUSED;
    return error;
}

bool Socket::listen(const Socket& beside) {
    SocketAddress address;
    if (!beside.localAddress(address)) return false;
    address.setPort(0);
    if (!adopt(::socket(Raw(address)->sa_family, SOCK_STREAM, IPPROTO_TCP))) return false;
    if (::bind(get(), Raw(address), address.length) == 0 && ::listen(get(), 1) == 0) return true;
    int error = ::WSAGetLastError();
    close();
    return Fail(error);
}

bool Socket::accept(Socket& accepted, const SocketLimits& limits) {
    for (;;) {
        SOCKET socket = ::accept(get(), nullptr, nullptr);
        if (socket != INVALID_SOCKET) return accepted.adopt(socket);
        if (::WSAGetLastError() != WSAEWOULDBLOCK || wait(false, limits) == waitFailed) return false;
    }
}

bool Socket::send(const void* data, std::size_t size, const SocketLimits& limits) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (Cancelled(limits)) return Fail(WSAECANCELLED);
        int chunk = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
        int sent = ::send(get(), bytes, chunk, 0);
        if (sent > 0) {
            bytes += sent;
            size -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent == 0) return Fail(WSAECONNRESET);
        if (::WSAGetLastError() != WSAEWOULDBLOCK || wait(true, limits) == waitFailed) return false;
    }
    return true;
}

int Socket::receive(void* buffer, int size, const SocketLimits& limits) {
    for (;;) {
        if (Cancelled(limits)) return Fail(WSAECANCELLED), -1;
        int got = ::recv(get(), static_cast<char*>(buffer), size, 0);
        if (got >= 0) return got;
        if (::WSAGetLastError() != WSAEWOULDBLOCK || wait(false, limits) == waitFailed) return -1;
    }
}

bool Socket::localAddress(SocketAddress& address) const {
    address.length = sizeof(address.storage);
    return ::getsockname(get(), Raw(address), &address.length) == 0;
}

bool Socket::peerAddress(SocketAddress& address) const {
    address.length = sizeof(address.storage);
    return ::getpeername(get(), Raw(address), &address.length) == 0;
}
