#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kavri::test {

// A program started for an end-to-end test, its output going to a file.
// The destructor ends it (SIGKILL) if it still runs, so nothing outlives a
// failed test.
class ChildRun {
  public:
    ChildRun() = default;
    ~ChildRun();
    ChildRun(const ChildRun&) = delete;
    ChildRun& operator=(const ChildRun&) = delete;

    // argv[0] is a path; env entries ("NAME=value") are added to ours.
    bool start(const std::vector<std::string>& argv, const std::string& workDir,
               const std::string& outputFile, const std::vector<std::string>& env = {});
    // The exit code, or -1 when it did not end in time (it is then killed)
    // or died of a signal.
    int wait(std::chrono::milliseconds timeout);
    // Asks it to end with this signal, then waits.
    int stop(int signal, std::chrono::milliseconds timeout);
    bool running() const { return pid_ > 0; }

  private:
    pid_t pid_ = -1;
};

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);
// Output of a shell command (for pactl), with its exit status.
int runCommand(const std::string& command, std::string* output);

// A fresh directory under /tmp, removed with its content.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

}  // namespace kavri::test
