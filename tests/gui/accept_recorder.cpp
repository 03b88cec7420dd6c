#include "accept_recorder.h"

#include <windows.h>

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    return address;
}

// Copies what one side sent to the other; false once either is done.
bool pass(SOCKET from, SOCKET to) {
    char buffer[4096];
    const int got = recv(from, buffer, sizeof buffer, 0);
    return got > 0 && send(to, buffer, got, 0) == got;
}

}  // namespace

AcceptRecorder::~AcceptRecorder() {
    stopping_ = true;
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);  // ends the blocked accept
    if (thread_.joinable())
        thread_.join();
    for (std::thread& relay : relays_)
        relay.join();
    if (listener_ != INVALID_SOCKET)
        WSACleanup();
}

int AcceptRecorder::start() {
    WSADATA data;
    if (listener_ != INVALID_SOCKET || WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 0;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = loopback(0);
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    startTick_ = GetTickCount();
    thread_ = std::thread(&AcceptRecorder::run, this);
    return ntohs(address.sin_port);
}

unsigned AcceptRecorder::elapsed() const {
    return GetTickCount() - startTick_;
}

void AcceptRecorder::run() {
    while (!stopping_) {
        SOCKET peer = accept(listener_, nullptr, nullptr);
        if (peer == INVALID_SOCKET) {
            Sleep(10);
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            times_.push_back(elapsed());
        }
        if (const int port = relayPort_.exchange(0)) {
            relays_.emplace_back(&AcceptRecorder::relay, this, peer, port);
        } else {
            closesocket(peer);
        }
    }
}

void AcceptRecorder::relay(SOCKET client, int port) {
    SOCKET phone = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = loopback(port);
    if (phone != INVALID_SOCKET &&
        connect(phone, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        for (bool open = true; open && !stopping_;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(client, &readable);
            FD_SET(phone, &readable);
            timeval wait{0, 200000};  // looks at stopping_ now and then
            if (select(0, &readable, nullptr, nullptr, &wait) < 0)
                break;
            if (FD_ISSET(client, &readable))
                open = pass(client, phone);
            if (open && FD_ISSET(phone, &readable))
                open = pass(phone, client);
        }
    }
    if (phone != INVALID_SOCKET)
        closesocket(phone);
    closesocket(client);
}

std::vector<unsigned> AcceptRecorder::times() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return times_;
}
