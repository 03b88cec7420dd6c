#pragma once

#include <string>

#include "tools/phone_sim/lib/phone_simulator.h"

namespace kavri {

// The command line of kavri-phone-sim.
struct SimOptions {
    PhoneSimConfig config;
    int seconds = 0;  // 0: until killed
    bool help = false;
};

// The defaults of the program: the client's own control port, and verbose.
SimOptions defaultSimOptions();
// False with a message on a bad option or value.
bool parseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error);
const char* simUsage();

}  // namespace kavri
