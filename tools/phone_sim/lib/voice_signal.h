#pragma once

#include <cstdint>

namespace kavri {

// A voice-like test signal: a harmonic tone whose pitch drifts like speech
// intonation, shaped by two moving formants and cut into syllables and
// phrases by an amplitude envelope. Deterministic, so runs can be compared.
class VoiceSignal {
  public:
    explicit VoiceSignal(int sampleRate = 48000) : sampleRate_(sampleRate) {}

    void fill(int16_t* out, int count);

  private:
    double envelope(double t) const;
    double sampleAt(double t, double f0);

    int sampleRate_;
    long long index_ = 0;
    double phase_ = 0.0;
};

}  // namespace kavri
