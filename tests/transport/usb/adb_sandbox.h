#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kavri::test {

// The folder of the running test program.
std::filesystem::path executableDirectory();
// The file name adb is started as: adb.exe on Windows, adb elsewhere.
const char* adbFileName();

// A fresh temporary folder made the current directory for the life of the
// object, where a test puts its adb. The previous current directory comes
// back and the folder is removed at the end.
class AdbSandbox {
  public:
    AdbSandbox();
    ~AdbSandbox();
    AdbSandbox(const AdbSandbox&) = delete;
    AdbSandbox& operator=(const AdbSandbox&) = delete;

    // The fake adb built beside the tests: it records each command line in
    // adb_calls.txt and answers "devices" with adb_devices.txt, or with one
    // attached device when there is no such file.
    bool installFakeAdb();
    // Any program, started as adb.
    bool installProgram(const std::filesystem::path& program);

    void setListing(const std::string& listing) const;
    // The command lines the fake adb was started with, in order.
    std::vector<std::string> calls() const;
    const std::filesystem::path& path() const { return dir_; }

  private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

}  // namespace kavri::test
