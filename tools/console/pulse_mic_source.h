#pragma once

#include <cstdint>
#include <string>

struct pa_mainloop;
struct pa_context;
struct pa_operation;

namespace kavri {

// The virtual microphone made on the spot: module-pipe-source loaded into
// the running sound server (PulseAudio, or PipeWire's PulseAudio layer) on
// the microphone pipe's path, and unloaded again by remove() or the
// destructor. The server creates the pipe and removes it when unloaded.
class PulseMicSource {
  public:
    static constexpr const char* SOURCE_NAME = "kavri_phone_mic";
    static constexpr const char* DESCRIPTION = "Kavri phone microphone";

    PulseMicSource() = default;
    ~PulseMicSource();
    PulseMicSource(const PulseMicSource&) = delete;
    PulseMicSource& operator=(const PulseMicSource&) = delete;

    // False with a reason when there is no local sound server or it refuses
    // the module; nothing is left behind then.
    bool create(const std::string& pipePath, std::string* error);
    void remove();
    bool created() const { return module_ != INVALID; }

  private:
    static constexpr uint32_t INVALID = 0xFFFFFFFFu;

    bool connect(std::string* error);
    void disconnect();
    // Runs the loop until the operation is done or a few seconds have gone.
    bool finish(pa_operation* operation);

    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    uint32_t module_ = INVALID;
    uint32_t loadedIndex_ = INVALID;
    bool unloaded_ = false;
};

// The module arguments for a pipe at that path (absolute).
std::string micSourceArguments(const std::string& pipePath);

}  // namespace kavri
