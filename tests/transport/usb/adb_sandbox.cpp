#include "adb_sandbox.h"

#include <chrono>
#include <fstream>
#include <random>

namespace kavri::test {

namespace fs = std::filesystem;

AdbSandbox::AdbSandbox() : previous_(fs::current_path()) {
    std::random_device random;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = fs::temp_directory_path() /
           ("kavri_adb_" + std::to_string(stamp) + "_" + std::to_string(random() % 1000000));
    fs::create_directories(dir_);
    fs::current_path(dir_);
}

AdbSandbox::~AdbSandbox() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(dir_, ignored);
}

bool AdbSandbox::installFakeAdb() {
    return installProgram(executableDirectory() / "fake_adb" / adbFileName());
}

bool AdbSandbox::installProgram(const fs::path& program) {
    std::error_code error;
    fs::copy_file(program, dir_ / adbFileName(), fs::copy_options::overwrite_existing, error);
    return !error;
}

void AdbSandbox::setListing(const std::string& listing) const {
    std::ofstream out(dir_ / "adb_devices.txt", std::ios::binary | std::ios::trunc);
    out.write(listing.data(), static_cast<std::streamsize>(listing.size()));
}

std::vector<std::string> AdbSandbox::calls() const {
    std::vector<std::string> lines;
    std::ifstream in(dir_ / "adb_calls.txt", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace kavri::test
