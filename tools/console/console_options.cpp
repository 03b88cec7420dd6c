#include "tools/console/console_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kavri {

namespace {

constexpr long MAX_SECONDS = 1000000;

bool parseSeconds(const char* text, int* seconds) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 0 || value > MAX_SECONDS) {
        return false;
    }
    *seconds = static_cast<int>(value);
    return true;
}

}  // namespace

bool parseConsoleOptions(int argc, char** argv, ConsoleOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options->help = true;
        } else if (std::strcmp(arg, "--quiet") == 0) {
            options->quiet = true;
        } else if (std::strcmp(arg, "--no-create-mic") == 0) {
            options->noCreateMic = true;
        } else if (std::strcmp(arg, "--seconds") == 0) {
            if (!parseSeconds(next, &options->seconds)) {
                *error = "--seconds takes a whole number of seconds";
                return false;
            }
            ++i;
        } else if (std::strcmp(arg, "--wav") == 0) {
            if (next == nullptr || *next == '\0') {
                *error = "--wav takes a file name";
                return false;
            }
            options->wavPath = next;
            ++i;
        } else {
            *error = std::string("unknown option ") + arg + " (see --help)";
            return false;
        }
    }
    return true;
}

const char* consoleUsage() {
    return "usage: kavri-console [--seconds N] [--wav FILE] [--no-create-mic] [--quiet]\n"
           "Connects to the phone named in settings.dat (current directory), feeds its\n"
           "voice to the virtual microphone and, with playLocally, the speakers, and\n"
           "disconnects on Ctrl-C. settings.dat is written back at the end.\n"
           "  --seconds N   disconnect after N seconds connected (default: on Ctrl-C)\n"
           "  --wav FILE    also write every frame the microphone receives to FILE\n"
           "  --no-create-mic  only use a microphone pipe that already exists; without\n"
           "                it, do not create the microphone in the sound server\n"
           "  --quiet       print only the outcome and the statistics\n";
}

}  // namespace kavri
