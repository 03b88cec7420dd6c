#include "bench/common/bench_controller.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "settings/settings.h"
#include "transport/wifi/socket_routines.h"

namespace kavri::bench {

namespace {

class NullMicPort : public MicDevicePort {
  public:
    bool openDevice() override { return true; }
    bool control(uint32_t code, const void*, uint32_t, void* output, uint32_t) override {
        if (code == MicDevice::IOCTL_MIC_GET_VERSION && output != nullptr) {
            *static_cast<uint8_t*>(output) = 3;  // plain writes
        }
        return true;
    }
    void writeFile(const void*, uint32_t) override {}
    void closeDevice() override {}
};

// Plays every buffer at once.
class NullSpeakerPort : public WaveOutPort {
  public:
    bool openOutput(WavePlayer* player) override {
        player_ = player;
        player->onOpen();
        return true;
    }
    bool prepare(int, const uint8_t*, int) override { return true; }
    void unprepare(int) override {}
    bool write(int) override {
        player_->onDone();
        return true;
    }
    void closeOutput() override {}

  private:
    WavePlayer* player_ = nullptr;
};

class IdleTimerPort : public TimerPort {
  public:
    bool getDevCaps(uint32_t*, uint32_t*) override { return false; }
    void beginPeriod(uint32_t) override {}
    void endPeriod(uint32_t) override {}
    bool createTimer(TimerListener*, uint32_t) override { return true; }
    void deleteTimer() override {}
};

int freeUdpPort() {
    const socket_t s = bindUdpSocket(0);
    const int port = s == INVALID_SOCKET_VALUE ? -1 : localPort(s);
    closeSocket(s);
    return port;
}

}  // namespace

class BenchController::Callback : public PlayerCallback {
  public:
    void onStateChanged(int state, int) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            state_ = state;
            ended_ = ended_ || (state == Disconnected && started_);
            started_ = started_ || state == Connecting;
        }
        changed_.notify_all();
    }
    bool waitForConnected() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10),
                          [this] { return state_ == Connected || ended_; });
        return state_ == Connected;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int state_ = Disconnected;
    bool started_ = false;
    bool ended_ = false;
};

BenchController::BenchController(const std::vector<std::string>& phoneOptions, bool systemTimer)
    : callback_(std::make_unique<Callback>()) {
    if (!phone_.start(KAVRI_PHONE_SIM, phoneOptions)) {
        return;
    }
    Settings::setTransportType(TRANSPORT_WIFI);
    Settings::setWifiServerAddr("127.0.0.1");
    Settings::setControlPort(phone_.controlPort());
    Settings::setMediaPort(freeUdpPort());
    Settings::setPlayLocally(true);  // the speaker's copy is part of a tick

    MicOutputs outputs;
    outputs.device = std::make_unique<NullMicPort>();
    outputs.speaker = std::make_unique<NullSpeakerPort>();
    outputs.timer = systemTimer ? makeSystemTimerPort() : std::make_unique<IdleTimerPort>();
    controller_ = std::make_unique<MicController>(callback_.get(), std::move(outputs));
    connected_ = controller_->connect() == 0 && callback_->waitForConnected();
}

BenchController::~BenchController() {
    controller_.reset();  // stops the connection first
    phone_.stop();
}

}  // namespace kavri::bench
