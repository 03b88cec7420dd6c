#pragma once

#include <cstdint>

namespace kavri {

// A child program whose standard output comes back through a pipe; its
// standard input and error are null devices. The program is taken from the
// current directory only, never searched for along the path: "adb" starts
// adb.exe on Windows and ./adb elsewhere.
class ChildProcess {
  public:
    ChildProcess() = default;
    // Ends the reading side and waits for a started child, so no handle,
    // descriptor or zombie outlives the object.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // commandLine is passed apart from the program name and begins with a
    // blank (" devices"). On Windows it goes to the child unchanged; elsewhere
    // it is split on blanks into arguments. False when the pipe or the
    // process cannot be created.
    bool start(const wchar_t* program, const wchar_t* commandLine);

    // Reads at most capacity bytes of the child's output; the count, or 0 at
    // the end of the output or on a failed read.
    int readOutput(char* buffer, int capacity);

    // Waits for the child to end, without a time-out.
    void wait();

  private:
    void release();

    // Windows: process, thread and pipe read handles; elsewhere the process
    // id and the pipe's read descriptor (thread_ unused). -1 when absent.
    intptr_t process_ = -1;
    intptr_t thread_ = -1;
    intptr_t readEnd_ = -1;
    bool ended_ = false;
};

}  // namespace kavri
