#pragma once

// One socket API for Winsock and BSD sockets. The transports include only this
// header, so their code has a single path on both systems.

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/types.h>
#endif

#include <atomic>
#include <cstdint>

namespace kavri {

#ifdef _WIN32
using socket_t = SOCKET;
using socklen_t = int;
constexpr socket_t INVALID_SOCKET_VALUE = INVALID_SOCKET;
#else
using socket_t = int;
using socklen_t = ::socklen_t;
constexpr socket_t INVALID_SOCKET_VALUE = -1;
#endif

// Starts the socket library on first use (Winsock 2.2; nothing to do on
// POSIX). A failed start leaves the process-wide flag clear, so the next call
// tries again. The library is never shut down.
bool startSockets();
bool socketsStarted();
// The system's own start call behind startSockets.
bool systemStartSockets();
// The start-up logic on a flag of the caller's, with the system's start call
// replaced; for tests.
bool startSocketsWith(std::atomic<bool>& flag, bool (*systemStart)());

// A socket that child processes do not inherit, or INVALID_SOCKET_VALUE.
socket_t openSocket(int family, int type, int protocol);
void closeSocket(socket_t s);
// Ends both directions, waking a thread blocked on s; the handle stays valid.
void shutdownSocket(socket_t s);
// The last socket error of this thread (WSAGetLastError / errno).
int lastSocketError();

// send() that never raises SIGPIPE when the peer has gone; -1 on failure.
int sendSome(socket_t s, const void* data, int length);
// recv(); -1 on failure, 0 when the peer closed the connection.
int receiveSome(socket_t s, void* data, int length);

// Receives one datagram of at most capacity bytes and its sender. Returns its
// size, or -1 on failure; a datagram larger than capacity is a failure on both
// systems (Winsock fails it, Linux would truncate it silently). from may be
// null.
int receiveDatagram(socket_t s, void* data, int capacity, sockaddr_storage* from);

// Waits until s is readable: 1 readable, 0 time-out, -1 error.
int waitReadable(socket_t s, int timeoutMs);

// Refuses to share the bound port with any other socket.
bool setExclusiveAddressUse(socket_t s);

// Same host: equal family-independent addresses, so an IPv4-mapped IPv6
// address equals the plain IPv4 one. Ports are ignored.
bool sameHostAddress(const sockaddr_storage& a, const sockaddr_storage& b);
// Whether a datagram from `from` can come from the phone the control
// connection reached at `phone`. IPv4 (plain or IPv4-mapped) must match
// exactly. An IPv6 phone sends from a temporary (privacy) address of the same
// interface, so IPv6 matches by the /64 prefix, link-local addresses also by
// the scope. Ports are ignored.
bool sameSenderNetwork(const sockaddr_storage& from, const sockaddr_storage& phone);
// The local port a socket is bound to, or -1.
int localPort(socket_t s);

}  // namespace kavri
