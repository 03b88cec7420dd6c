#include "bench/common/child_phone.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

extern char** environ;

namespace kavri::bench {

namespace {

// "kavri-phone-sim listening on 127.0.0.1 port 40123 (...)"
int portFromLine(const char* line) {
    const char* at = std::strstr(line, " port ");
    return at == nullptr ? -1 : std::atoi(at + 6);
}

}  // namespace

ChildPhone::~ChildPhone() {
    stop();
}

bool ChildPhone::start(const std::string& program, const std::vector<std::string>& options) {
    std::vector<std::string> args{program, "--port", "0", "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        pid_ = -1;
        close(out[0]);
        return false;
    }
    // The first line names the port; the rest of its output is not needed.
    FILE* lines = fdopen(out[0], "r");
    char line[256] = {};
    if (lines != nullptr && std::fgets(line, sizeof line, lines) != nullptr) {
        port_ = portFromLine(line);
    }
    if (lines != nullptr) {
        std::fclose(lines);
    } else {
        close(out[0]);
    }
    if (port_ <= 0) {
        stop();
        return false;
    }
    return true;
}

void ChildPhone::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

}  // namespace kavri::bench
