#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "settings/settings.h"
#include "tests/core/mic_controller_fakes.h"
#include "tests/core/mic_controller_phone.h"
#include "tests/driver/forwarding_mic_port.h"
#include "tests/driver/reference_voice.h"

namespace kavri::test {

// A whole connection in this process: the simulated phone on loopback, the
// controller with the system's microphone device and timer, and a recording
// speaker (Wine has no sound device here), so that what the device and the
// speaker were given can be compared with the phone's voice.
class DriverConnection : public PhoneFixture {
  public:
    // The voice came through whole: from the first packet on, every frame
    // sample-exact, and frames missing only where the client dropped them
    // on a full queue (counted) or trimmed a backlog. frames: how many were
    // received before the stop.
    static void expectWholeVoice(const ReferenceVoice::Match& match, int frames) {
        const int dropped = receptionStats().dropped.load();
        EXPECT_EQ(match.firstIndex, 0);
        EXPECT_EQ(match.mismatched, 0);
        EXPECT_LE(match.lost, dropped) << "frames missing that the client did not drop";
        // At most a full queue (9 frames) was left unplayed at the stop.
        EXPECT_GE(match.exact + match.lost + match.trimmed, frames - 9 - dropped);
    }

  protected:
    static constexpr int kBitrate = 32000;  // the simulator's default
    static constexpr Millis kStopWait{10000};

    void connect(bool playLocally) {
        startPhone();
        Settings::setPlayLocally(playLocally);
        MicOutputs outputs;
        outputs.device = std::make_unique<ForwardingMicPort>(handed);
        outputs.speaker = std::make_unique<FakeSpeakerPort>(speaker);
        outputs.timer = makeSystemTimerPort();
        controller = std::make_unique<MicController>(&recorder, std::move(outputs));
        ASSERT_EQ(controller->connect(), 0);
        ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
        ASSERT_EQ(controller->getState(), Connected);
    }

    // Lets the phone's voice play until this many frames have been received.
    void play(int frames, Millis timeout) {
        ASSERT_TRUE(waitUntil([frames] { return receptionStats().rx.load() >= frames; }, timeout))
            << "received " << receptionStats().rx.load();
    }

    // A user's disconnect; the stop must end, and end with 0.
    void disconnect() {
        const auto begun = std::chrono::steady_clock::now();
        controller->requestStop(0);
        ASSERT_TRUE(recorder.waitForCount(4, kStopWait));
        stopMillis =
            std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - begun).count();
        const std::vector<Report> expected = {{1, 0}, {2, 0}, {3, 0}, {0, 0}};
        EXPECT_EQ(recorder.reports(), expected);
        controller.reset();
        phone->stop();
    }

    // The voice of every packet the phone sent, decoded independently.
    ReferenceVoice reference() const { return ReferenceVoice(phone->packetsSent() + 5, kBitrate); }

    std::vector<ReferenceVoice::Frame> speakerFrames() { return speaker->buffersCopy(); }

    ReportRecorder recorder;
    std::shared_ptr<SpeakerLog> speaker = std::make_shared<SpeakerLog>();
    std::shared_ptr<HandedAudio> handed = std::make_shared<HandedAudio>();
    std::unique_ptr<MicController> controller;
    long long stopMillis = -1;
};

}  // namespace kavri::test
