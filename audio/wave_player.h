#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace kavri {

// The speaker output's OS calls, mirroring waveOut: buffers are queued by
// index and every played buffer comes back through WavePlayer::onDone().
class WavePlayer;
class WaveOutPort {
  public:
    virtual ~WaveOutPort() = default;
    // Opens the default output for 48000 Hz mono 16-bit; calls
    // player->onOpen() once it is open (as the open notification does).
    virtual bool openOutput(WavePlayer* player) = 0;
    virtual bool prepare(int index, const uint8_t* data, int bytes) = 0;
    virtual void unprepare(int index) = 0;
    virtual bool write(int index) = 0;
    virtual void closeOutput() = 0;
};

std::unique_ptr<WaveOutPort> makeSystemWaveOutPort();

class WavePlayer {
  public:
    static constexpr int BUFFER_COUNT = 10;
    static constexpr int BUFFER_BYTES = 1920;
    static constexpr int MAX_OUTSTANDING = 9;

    WavePlayer();  // uses the system port
    explicit WavePlayer(std::unique_ptr<WaveOutPort> port);
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    int open();
    // A block longer than one buffer is split over consecutive buffers; it is
    // dropped whole when too few buffers are free.
    int write(const int16_t* samples, int count);
    void close();

    // Notifications from the output.
    void onOpen() { openFlag_ = 1; }
    void onDone() { doneCount_.fetch_add(1); }
    int getSampleRate() const { return sampleRate_; }

  private:
    int writeChunk(const int16_t* samples, int count);

    std::unique_ptr<WaveOutPort> port_;
    // The output may open without its notification; it is closed all the same.
    bool outputOpen_ = false;
    std::atomic<int> openFlag_{0};
    bool prepared_[BUFFER_COUNT] = {};
    uint8_t buffers_[BUFFER_COUNT][BUFFER_BYTES] = {};
    int lastIndex_ = 0;
    int writtenCount_ = 0;
    std::atomic<int> doneCount_{0};
    int sampleRate_ = 48000;
};

}  // namespace kavri
