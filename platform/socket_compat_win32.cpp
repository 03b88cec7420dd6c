#include "platform/socket_compat.h"

namespace kavri {

bool systemStartSockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

socket_t openSocket(int family, int type, int protocol) {
    const socket_t s = ::socket(family, type, protocol);
    if (s != INVALID_SOCKET) {
        // Child processes (adb) must not keep our sockets or ports alive.
        SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    }
    return s;
}

void closeSocket(socket_t s) {
    if (s != INVALID_SOCKET) {
        ::closesocket(s);
    }
}

void shutdownSocket(socket_t s) {
    ::shutdown(s, SD_BOTH);
}

int lastSocketError() {
    return WSAGetLastError();
}

int sendSome(socket_t s, const void* data, int length) {
    const int n = ::send(s, static_cast<const char*>(data), length, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int receiveSome(socket_t s, void* data, int length) {
    const int n = ::recv(s, static_cast<char*>(data), length, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int receiveDatagram(socket_t s, void* data, int capacity, sockaddr_storage* from) {
    sockaddr_storage ignored;
    sockaddr_storage* sender = from != nullptr ? from : &ignored;
    int senderLength = sizeof *sender;
    // An oversized datagram fails with WSAEMSGSIZE.
    const int n = ::recvfrom(s, static_cast<char*>(data), capacity, 0,
                             reinterpret_cast<sockaddr*>(sender), &senderLength);
    return n == SOCKET_ERROR ? -1 : n;
}

int waitReadable(socket_t s, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int r = ::select(0, &readable, nullptr, nullptr, &timeout);
    if (r == SOCKET_ERROR) {
        return -1;
    }
    return r > 0 ? 1 : 0;
}

bool setExclusiveAddressUse(socket_t s) {
    const BOOL on = TRUE;
    return ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
                        sizeof on) == 0;
}

}  // namespace kavri
