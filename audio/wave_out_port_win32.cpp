#include <windows.h>
#include <mmsystem.h>

#include "audio/wave_player.h"

namespace kavri {

namespace {

// Playing starts with three buffers queued, as on Linux: each tick then
// finds 60 ms still to play, so a late tick does not leave the device dry.
constexpr int PREBUFFER = 3;

class Win32WaveOutPort : public WaveOutPort {
  public:
    ~Win32WaveOutPort() override { closeOutput(); }

    bool openOutput(WavePlayer* player) override {
        closeOutput();
        const DWORD rate = static_cast<DWORD>(player->getSampleRate());
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 1;
        format.nSamplesPerSec = rate;
        format.nAvgBytesPerSec = rate * 2;
        format.nBlockAlign = 2;
        format.wBitsPerSample = 16;
        format.cbSize = 0;
        // The open notification comes during waveOutOpen, so the player must be known first.
        player_ = player;
        HWAVEOUT output = nullptr;
        if (waveOutOpen(&output, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&onNotify),
                        reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
            return false;
        }
        output_ = output;
        // Hold playback until the prebuffer is queued.
        paused_ = waveOutPause(output_) == MMSYSERR_NOERROR;
        queued_ = 0;
        return true;
    }

    bool prepare(int index, const uint8_t* data, int bytes) override {
        if (output_ == nullptr || index < 0 || index >= WavePlayer::BUFFER_COUNT || bytes < 0) {
            return false;
        }
        WAVEHDR& header = headers_[index];
        header.lpData = reinterpret_cast<LPSTR>(const_cast<uint8_t*>(data));
        header.dwBufferLength = static_cast<DWORD>(bytes);
        header.dwFlags = 0;
        return waveOutPrepareHeader(output_, &header, sizeof header) == MMSYSERR_NOERROR;
    }

    void unprepare(int index) override {
        if (output_ != nullptr && index >= 0 && index < WavePlayer::BUFFER_COUNT) {
            waveOutUnprepareHeader(output_, &headers_[index], sizeof headers_[index]);
        }
    }

    bool write(int index) override {
        if (output_ == nullptr || index < 0 || index >= WavePlayer::BUFFER_COUNT) {
            return false;
        }
        const bool queued =
            waveOutWrite(output_, &headers_[index], sizeof headers_[index]) == MMSYSERR_NOERROR;
        if (queued && paused_ && ++queued_ >= PREBUFFER) {
            waveOutRestart(output_);
            paused_ = false;
        }
        return queued;
    }

    // Resetting first returns the queued buffers, so the close cannot fail
    // with buffers still playing and leave the output open.
    void closeOutput() override {
        if (output_ == nullptr) {
            return;
        }
        waveOutReset(output_);
        waveOutClose(output_);
        output_ = nullptr;
        paused_ = false;
    }

  private:
    // Runs on the audio stack's thread; it may call no waveOut function.
    static void CALLBACK onNotify(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR,
                                  DWORD_PTR) {
        auto* self = reinterpret_cast<Win32WaveOutPort*>(instance);
        if (message == WOM_OPEN) {
            self->player_->onOpen();
        } else if (message == WOM_DONE) {
            self->player_->onDone();
        }
    }

    HWAVEOUT output_ = nullptr;
    WavePlayer* player_ = nullptr;
    WAVEHDR headers_[WavePlayer::BUFFER_COUNT] = {};
    bool paused_ = false;
    int queued_ = 0;
};

}  // namespace

std::unique_ptr<WaveOutPort> makeSystemWaveOutPort() {
    return std::make_unique<Win32WaveOutPort>();
}

}  // namespace kavri
