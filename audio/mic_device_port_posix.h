#pragma once

#include <memory>
#include <string>

#include "audio/mic_device.h"

namespace kavri {

// On Linux the virtual microphone is a named pipe that the sound server reads
// as a source (module-pipe-source). Its path is $KAVRI_MIC_PIPE when set,
// otherwise $XDG_RUNTIME_DIR/kavri-mic, otherwise /tmp/kavri-mic.
std::string defaultMicPipePath();

// The pipe behaves as a driver of version 3: its handshake and start/stop
// calls succeed without effect, audio goes in plain non-blocking writes, and a
// missing pipe, or one nobody reads, is a missing driver.
std::unique_ptr<MicDevicePort> makeMicPipePort(const std::string& path);

}  // namespace kavri
