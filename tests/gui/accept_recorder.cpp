#include "accept_recorder.h"

#include <windows.h>

AcceptRecorder::~AcceptRecorder() {
    stopping_ = true;
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);  // ends the blocked accept
    if (thread_.joinable())
        thread_.join();
    if (listener_ != INVALID_SOCKET)
        WSACleanup();
}

int AcceptRecorder::start() {
    WSADATA data;
    if (listener_ != INVALID_SOCKET || WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 0;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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

void AcceptRecorder::run() {
    while (!stopping_) {
        SOCKET peer = accept(listener_, nullptr, nullptr);
        if (peer == INVALID_SOCKET) {
            Sleep(10);
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            times_.push_back(GetTickCount() - startTick_);
        }
        closesocket(peer);
    }
}

std::vector<unsigned> AcceptRecorder::times() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return times_;
}
