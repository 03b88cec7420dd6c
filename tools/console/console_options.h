#pragma once

#include <string>

namespace kavri {

// What a console needs beyond settings.dat, which holds everything else.
struct ConsoleOptions {
    int seconds = 0;      // stay connected this long, then disconnect; 0: until Ctrl-C
    std::string wavPath;  // a WAV copy of every frame written to the microphone
    bool quiet = false;   // only the outcome, the statistics and the WAV summary
    // Use a microphone pipe that already exists; never create the microphone.
    bool noCreateMic = false;
    bool help = false;
};

// False with a message in error when the arguments make no sense.
bool parseConsoleOptions(int argc, char** argv, ConsoleOptions* options, std::string* error);

const char* consoleUsage();

}  // namespace kavri
