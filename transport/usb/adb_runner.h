#pragma once

#include <cstddef>
#include <string>

namespace kavri {

// The Android Debug Bridge as an outside program, run from the current
// directory with its standard output captured.

// Captured output is kept up to this many bytes; the rest is read and
// dropped, so a runaway child neither blocks on a full pipe nor fills memory.
constexpr size_t ADB_OUTPUT_LIMIT = size_t{1} << 20;
// The pipe is read in chunks of at most this many bytes.
constexpr int ADB_CHUNK_SIZE = 1027;

// Runs adb with the command line (given apart from the program name, so it
// begins with a blank) and waits for it to end. False when the pipe or the
// process cannot be created. output may be null.
bool runAdb(const wchar_t* commandLine, std::string* output);

// The command lines, with the ports in decimal.
std::wstring adbForwardCommandLine(int localPort, int phonePort);
std::wstring adbRemoveForwardCommandLine(int port);

// The output of "adb devices" is not examined beyond this rule.
bool adbForward(int localPort, int phonePort);
bool adbRemoveForward(int port);
bool adbHasDevice();

// adbHasDevice's rule on a captured listing.
bool adbListingHasDevice(const std::string& listing);

}  // namespace kavri
