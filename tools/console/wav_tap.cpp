#include "tools/console/wav_tap.h"

#include <cmath>

namespace kavri {

namespace {

constexpr int HEADER_BYTES = 44;
// The RIFF sizes are 32-bit; stop adding before they would wrap.
constexpr int64_t MAX_DATA_BYTES = 0xFFFFFFFFLL - HEADER_BYTES;

void put16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

void buildHeader(uint8_t* header, uint32_t dataBytes) {
    const uint8_t tags[] = "RIFF....WAVEfmt ";
    for (int i = 0; i < 16; ++i)
        header[i] = tags[i];
    put32(header + 4, 36 + dataBytes);
    put32(header + 16, 16);  // fmt chunk size
    put16(header + 20, 1);   // PCM
    put16(header + 22, 1);   // mono
    put32(header + 24, WavTap::SAMPLE_RATE);
    put32(header + 28, WavTap::SAMPLE_RATE * 2);  // bytes per second
    put16(header + 32, 2);                        // block alignment
    put16(header + 34, 16);                       // bits per sample
    header[36] = 'd';
    header[37] = 'a';
    header[38] = 't';
    header[39] = 'a';
    put32(header + 40, dataBytes);
}

}  // namespace

WavTap::~WavTap() {
    close();
}

bool WavTap::open(const std::string& path) {
    close();
    std::lock_guard<std::mutex> lock(mutex_);
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        return false;
    }
    uint8_t header[HEADER_BYTES];
    buildHeader(header, 0);
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) {
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    samples_ = 0;
    sumOfSquares_ = 0;
    return true;
}

void WavTap::write(const int16_t* samples, int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_ == nullptr || samples == nullptr || count <= 0 ||
        (samples_ + count) * 2 > MAX_DATA_BYTES) {
        return;
    }
    // The file holds little-endian samples; so does every machine we build for.
    const size_t written = std::fwrite(samples, sizeof(int16_t), static_cast<size_t>(count), file_);
    for (size_t i = 0; i < written; ++i) {
        const double s = samples[i];
        sumOfSquares_ += s * s;
    }
    samples_ += static_cast<int64_t>(written);
}

void WavTap::close() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_ == nullptr) {
        return;
    }
    uint8_t header[HEADER_BYTES];
    buildHeader(header, static_cast<uint32_t>(samples_ * 2));
    if (std::fseek(file_, 0, SEEK_SET) == 0) {
        std::fwrite(header, 1, sizeof header, file_);
    }
    std::fclose(file_);
    file_ = nullptr;
}

int64_t WavTap::samples() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return samples_;
}

double WavTap::seconds() const {
    return static_cast<double>(samples()) / SAMPLE_RATE;
}

double WavTap::rms() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return samples_ == 0 ? 0.0 : std::sqrt(sumOfSquares_ / static_cast<double>(samples_));
}

}  // namespace kavri
