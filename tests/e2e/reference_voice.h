#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavri::test {

// The phone's voice for the end-to-end tests: a 48 kHz mono 16-bit WAV file
// that the phone simulator plays, and the frames a listener must hear, made
// independently of the client: the file is encoded as the simulator encodes
// it (libopus is deterministic, so the packets are the same) and the packets
// are decoded by libopus directly.
class ReferenceVoice {
  public:
    // Writes the voice file; false when it cannot be written.
    bool writeWav(const std::string& path, int seconds);
    // Decodes the first count packets the simulator sends for that file.
    bool decode(const std::string& wavPath, int bitrate, int count, std::string* error);

    const std::vector<std::vector<int16_t>>& frames() const { return frames_; }

  private:
    std::vector<std::vector<int16_t>> frames_;
};

// Samples of a WAV file written by the console's --wav (44-byte header).
std::vector<int16_t> readWavSamples(const std::string& path);
// Raw 16-bit samples (as parec --raw writes them).
std::vector<int16_t> readRawSamples(const std::string& path);

}  // namespace kavri::test
