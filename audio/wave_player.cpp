#include "audio/wave_player.h"

#include <cstring>

namespace kavri {

namespace {

constexpr int BUFFER_SAMPLES = WavePlayer::BUFFER_BYTES / static_cast<int>(sizeof(int16_t));

}  // namespace

WavePlayer::WavePlayer() : WavePlayer(makeSystemWaveOutPort()) {}

WavePlayer::WavePlayer(std::unique_ptr<WaveOutPort> port)
    : port_(port ? std::move(port) : makeSystemWaveOutPort()) {}

WavePlayer::~WavePlayer() {
    close();
}

int WavePlayer::open() {
    close();  // a second open must not leak the first output
    openFlag_ = 0;
    lastIndex_ = 0;
    writtenCount_ = 0;
    doneCount_ = 0;
    outputOpen_ = port_->openOutput(this);
    if (!outputOpen_) {
        openFlag_ = 0;
        return -1;
    }
    return 0;
}

int WavePlayer::write(const int16_t* samples, int count) {
    if (openFlag_.load() == 0 || samples == nullptr || count <= 0) {
        return -1;
    }
    // A late completion only makes this test more cautious.
    const int outstanding = writtenCount_ - doneCount_.load();
    const int chunks = count / BUFFER_SAMPLES + (count % BUFFER_SAMPLES != 0 ? 1 : 0);
    if (chunks > MAX_OUTSTANDING - outstanding) {
        return -1;  // dropped: nothing waits for the output
    }
    for (int done = 0; done < count; done += BUFFER_SAMPLES) {
        const int n = count - done < BUFFER_SAMPLES ? count - done : BUFFER_SAMPLES;
        if (writeChunk(samples + done, n) != 0) {
            return -1;
        }
    }
    return 0;
}

int WavePlayer::writeChunk(const int16_t* samples, int count) {
    // Ten headers and at most nine outstanding: this one finished ten writes ago.
    lastIndex_ = (lastIndex_ + 1) % BUFFER_COUNT;
    const int index = lastIndex_;
    if (prepared_[index]) {
        port_->unprepare(index);
        prepared_[index] = false;
    }
    const int bytes = count * static_cast<int>(sizeof(int16_t));
    std::memcpy(buffers_[index], samples, static_cast<size_t>(bytes));
    if (!port_->prepare(index, buffers_[index], bytes)) {
        return -1;
    }
    prepared_[index] = true;
    const bool queued = port_->write(index);
    // A failed write still holds its slot: no completion will come for it.
    ++writtenCount_;
    return queued ? 0 : -1;
}

void WavePlayer::close() {
    if (!outputOpen_) {
        return;
    }
    openFlag_ = 0;
    outputOpen_ = false;
    port_->closeOutput();
}

}  // namespace kavri
