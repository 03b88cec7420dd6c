#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace kavri {

// A 48000 Hz mono 16-bit WAV file of everything handed to it, with the
// figures that tell whether it holds sound: its length and RMS level.
// Writes come from the playout tick; they only append to the file's buffer.
class WavTap {
  public:
    static constexpr int SAMPLE_RATE = 48000;

    WavTap() = default;
    ~WavTap();
    WavTap(const WavTap&) = delete;
    WavTap& operator=(const WavTap&) = delete;

    bool open(const std::string& path);
    void write(const int16_t* samples, int count);
    // Completes the header with the final sizes and closes the file.
    void close();

    int64_t samples() const;
    double seconds() const;
    // Root mean square of all samples, 0 to 32768.
    double rms() const;

  private:
    mutable std::mutex mutex_;
    std::FILE* file_ = nullptr;
    int64_t samples_ = 0;
    double sumOfSquares_ = 0;
};

}  // namespace kavri
