#include "platform/child_process.h"

#include "platform/utf_text.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kavri {

namespace {

std::vector<std::string> splitOnBlanks(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

void closeDescriptor(intptr_t& fd) {
    if (fd != -1) {
        ::close(static_cast<int>(fd));
        fd = -1;
    }
}

}  // namespace

bool ChildProcess::start(const wchar_t* program, const wchar_t* commandLine) {
    if (process_ != -1 || program == nullptr || commandLine == nullptr) {
        return false;
    }
    // "./" keeps the lookup in the current directory: never along PATH.
    const std::string name = wideToUtf8(program);
    const std::string path = "./" + name;
    std::vector<std::string> words = splitOnBlanks(wideToUtf8(commandLine));
    words.insert(words.begin(), name);
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);

    // Close-on-exec, so children started meanwhile by other threads do not
    // keep the pipe open; the dup2 below gives the child its own copy.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return false;
    }
    process_ = pid;
    readEnd_ = fds[0];
    ended_ = false;
    return true;
}

int ChildProcess::readOutput(char* buffer, int capacity) {
    if (readEnd_ == -1 || buffer == nullptr || capacity <= 0) {
        return 0;
    }
    for (;;) {
        const ssize_t got =
            ::read(static_cast<int>(readEnd_), buffer, static_cast<size_t>(capacity));
        if (got >= 0) {
            return static_cast<int>(got);
        }
        if (errno != EINTR) {
            return 0;
        }
    }
}

void ChildProcess::wait() {
    if (process_ == -1 || ended_) {
        return;
    }
    int status = 0;
    while (waitpid(static_cast<pid_t>(process_), &status, 0) == -1 && errno == EINTR) {
    }
    ended_ = true;
}

void ChildProcess::release() {
    closeDescriptor(readEnd_);
    process_ = -1;
}

ChildProcess::~ChildProcess() {
    // Closing our end first lets a child that is still writing fail and end.
    closeDescriptor(readEnd_);
    wait();
    release();
}

}  // namespace kavri
