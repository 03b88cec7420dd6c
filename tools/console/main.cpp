// kavri-console: the client without its window. Connects to the phone that
// settings.dat names, feeds the virtual microphone (and the speakers with
// playLocally) until Ctrl-C or --seconds, then reports what happened.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "audio/mic_device_port_posix.h"
#include "common/result_codes.h"
#include "common/transport_type.h"
#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "settings/settings.h"
#include "tools/console/console_callback.h"
#include "tools/console/console_options.h"
#include "tools/console/console_text.h"
#include "tools/console/pulse_mic_source.h"
#include "tools/console/speaker_probe_port.h"
#include "tools/console/tap_mic_port.h"
#include "tools/console/wav_tap.h"
#include "ui/status_texts.h"

namespace {

using namespace kavri;

std::atomic<bool> interrupted{false};

void onSignal(int) {
    interrupted = true;
}

void catchSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    // A second Ctrl-C ends the program at once.
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void printSettings() {
    const int transport = Settings::getTransportType();
    std::string where;
    if (transport == TRANSPORT_WIFI) {
        where = std::string("phone ") + Settings::getWifiServerAddr() + ", media port " +
                std::to_string(Settings::getMediaPort()) + ", ";
    }
    std::printf("settings.dat: transport %d (%s), %scontrol port %d, play in speaker %s\n",
                transport, wideToUtf8(transportText(transport)).c_str(), where.c_str(),
                Settings::getControlPort(), Settings::isPlayLocally() ? "on" : "off");
}

// Runs one connection until it ends; its final result.
int runConnection(MicController& controller, ConsoleCallback& callback, int seconds) {
    using Clock = std::chrono::steady_clock;
    if (controller.connect() != 0) {
        return -1;
    }
    bool stopAsked = false;
    Clock::time_point connectedAt{};
    while (!callback.waitForEnd(std::chrono::milliseconds(50))) {
        if (stopAsked || controller.getState() != Connected) {
            continue;  // a stop while connecting would be lost: wait for Connected
        }
        if (connectedAt == Clock::time_point{}) {
            connectedAt = Clock::now();
        }
        const bool timeUp =
            seconds > 0 && Clock::now() - connectedAt >= std::chrono::seconds(seconds);
        if (interrupted || timeUp) {
            controller.requestStop(RESULT_OK);
            stopAsked = true;
        }
    }
    return callback.finalResult();
}

void printStatistics() {
    const ReceptionStats& s = receptionStats();
    std::printf(
        "statistics: rx %d, missed %d, dropped %d, maxDelta %d ms, start %s, end %s (UTC)\n",
        s.rx.load(), s.missed.load(), s.dropped.load(), s.maxDelta.load(),
        formatTimeOfDay(s.startTime.load()).c_str(), formatTimeOfDay(s.endTime.load()).c_str());
}

void printOutputs(const TapMicPort& mic, const SpeakerProbePort& speaker, const WavTap* tap,
                  const std::string& wavPath) {
    std::printf(
        "microphone: %s %s\n", defaultMicPipePath().c_str(),
        mic.systemOpened() ? "received the audio" : "was not available (no reader on the pipe)");
    if (Settings::isPlayLocally()) {
        std::printf("speaker: %s\n", speaker.everOpened()
                                         ? "played the audio"
                                         : "no sound server output could be opened");
    }
    if (tap != nullptr) {
        const double rms = tap->rms();
        const double dbfs = rms > 0 ? 20.0 * std::log10(rms / 32768.0) : -INFINITY;
        std::printf("wav: %s, %.2f s, %lld samples, RMS %.0f (%.1f dBFS)\n", wavPath.c_str(),
                    tap->seconds(), static_cast<long long>(tap->samples()), rms, dbfs);
    }
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char cwd[4096];
    return getcwd(cwd, sizeof cwd) != nullptr ? std::string(cwd) + "/" + path : path;
}

// Without a microphone pipe, makes one in the sound server for this run.
void createMicrophone(PulseMicSource& source, bool quiet) {
    const std::string path = absolutePath(defaultMicPipePath());
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        return;  // there is one already (ours from before, or the user's)
    }
    std::string error;
    if (source.create(path, &error)) {
        if (!quiet) {
            std::printf("microphone: created source %s (\"%s\") reading %s\n",
                        PulseMicSource::SOURCE_NAME, PulseMicSource::DESCRIPTION, path.c_str());
        }
    } else if (!quiet) {
        std::printf("microphone: not created: %s\n", error.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    ConsoleOptions options;
    std::string error;
    if (!parseConsoleOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "kavri-console: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(consoleUsage(), stdout);
        return 0;
    }

    Settings::load();
    if (!options.quiet) {
        printSettings();
    }
    std::unique_ptr<WavTap> tap;
    if (!options.wavPath.empty()) {
        tap = std::make_unique<WavTap>();
        if (!tap->open(options.wavPath)) {
            std::fprintf(stderr, "kavri-console: cannot write %s\n", options.wavPath.c_str());
            return 2;
        }
    }
    catchSignals();
    PulseMicSource micSource;
    if (!options.noCreateMic) {
        createMicrophone(micSource, options.quiet);
    }

    ConsoleCallback callback(options.quiet);
    auto micPort = std::make_unique<TapMicPort>(makeSystemMicDevicePort(), tap.get());
    const TapMicPort& mic = *micPort;
    auto speakerPort = std::make_unique<SpeakerProbePort>(makeSystemWaveOutPort());
    const SpeakerProbePort& speaker = *speakerPort;
    int result = RESULT_OK;
    {
        MicOutputs outputs;
        outputs.device = std::move(micPort);
        outputs.speaker = std::move(speakerPort);
        outputs.timer = makeSystemTimerPort();
        MicController controller(&callback, std::move(outputs));
        result = runConnection(controller, callback, options.seconds);
        if (tap) {
            tap->close();
        }
        const std::string text =
            finalResultText(result, Settings::getTransportType(), Settings::getMediaPort());
        if (!text.empty()) {
            std::printf("%s\n", text.c_str());
        }
        printStatistics();
        printOutputs(mic, speaker, tap.get(), options.wavPath);
    }
    if (micSource.created()) {
        micSource.remove();
        if (!options.quiet) {
            std::printf("microphone: source %s removed\n", PulseMicSource::SOURCE_NAME);
        }
    }
    Settings::save();
    return result == RESULT_OK ? 0 : 1;
}
