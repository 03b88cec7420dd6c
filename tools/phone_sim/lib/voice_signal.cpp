#include "tools/phone_sim/lib/voice_signal.h"

#include <cmath>

namespace kavri {

namespace {

constexpr double TWO_PI = 6.283185307179586;
constexpr double SYLLABLE_SECONDS = 0.24;
constexpr double PHRASE_SECONDS = 2.4;
constexpr double PAUSE_SECONDS = 0.45;
constexpr int MAX_HARMONICS = 24;
constexpr double TOP_FREQUENCY = 4000.0;
constexpr double PEAK = 22000.0;

double bump(double f, double centre, double width) {
    const double d = (f - centre) / width;
    return std::exp(-d * d);
}

}  // namespace

double VoiceSignal::envelope(double t) const {
    const double inPhrase = std::fmod(t, PHRASE_SECONDS);
    if (inPhrase > PHRASE_SECONDS - PAUSE_SECONDS) {
        return 0.0;
    }
    // Each syllable rises and falls; the last fifth of it is a short gap.
    const double x = std::fmod(inPhrase, SYLLABLE_SECONDS) / SYLLABLE_SECONDS;
    if (x > 0.8) {
        return 0.0;
    }
    const double s = std::sin(3.141592653589793 * x / 0.8);
    // Stressed and unstressed syllables alternate.
    const int syllable = static_cast<int>(inPhrase / SYLLABLE_SECONDS);
    return s * s * (syllable % 3 == 0 ? 1.0 : 0.65);
}

double VoiceSignal::sampleAt(double t, double f0) {
    // Formants glide from syllable to syllable, as vowels change.
    const double f1 = 550.0 + 200.0 * std::sin(TWO_PI * 1.7 * t);
    const double f2 = 1600.0 + 500.0 * std::sin(TWO_PI * 1.1 * t + 1.0);
    double sum = 0.0;
    for (int k = 1; k <= MAX_HARMONICS && k * f0 < TOP_FREQUENCY; ++k) {
        const double f = k * f0;
        const double amplitude =
            (1.0 / k) * (0.4 + 2.0 * bump(f, f1, 180.0) + 1.2 * bump(f, f2, 300.0));
        sum += amplitude * std::sin(k * phase_);
    }
    return sum;
}

void VoiceSignal::fill(int16_t* out, int count) {
    for (int i = 0; i < count; ++i, ++index_) {
        const double t = static_cast<double>(index_) / sampleRate_;
        // Intonation: a slow declination with faster wobbles on top.
        const double f0 =
            150.0 + 25.0 * std::sin(TWO_PI * 0.4 * t) + 12.0 * std::sin(TWO_PI * 2.9 * t);
        phase_ = std::fmod(phase_ + TWO_PI * f0 / sampleRate_, TWO_PI);
        const double value = PEAK * envelope(t) * sampleAt(t, f0) / 3.0;
        out[i] = static_cast<int16_t>(std::lround(std::fmax(-32767.0, std::fmin(32767.0, value))));
    }
}

}  // namespace kavri
