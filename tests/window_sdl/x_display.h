// A virtual X display of the test's own (Xvfb on a free display number) and a way to run
// xdotool against it.
#pragma once
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../support/bounded_wait.h"

extern char** environ;

namespace orvik_test {

inline bool ProgramOnPath(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    for (size_t at = 0; at <= dirs.size();) {
        size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(at, end - at) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
        at = end + 1;
    }
    return false;
}

// Runs a program with arguments; its standard output is returned, its exit status kept.
inline std::string RunProgram(const std::vector<std::string>& args, int* status = nullptr) {
    int out[2];
    if (::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; rc == 0 && (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    ::close(out[0]);
    int st = -1;
    if (rc == 0) ::waitpid(pid, &st, 0);
    if (status) *status = st;
    return text;
}

class XvfbDisplay {
public:
    // Starts Xvfb on the first display number from 90 that has no lock file, and waits
    // (bounded) for its socket. Running() tells whether it came up.
    XvfbDisplay() {
        for (int n = 90; n < 190 && pid_ < 0; ++n) {
            std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            struct stat st;
            if (::stat(lock.c_str(), &st) == 0) continue;
            number_ = n;
            std::string display = ":" + std::to_string(n);
            const char* argv[] = {"Xvfb", display.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", nullptr};
            pid_t pid;
            if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return;
            std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            bool up = WaitUntil([&] {
                int status;
                if (::waitpid(pid, &status, WNOHANG) == pid) return true;  // it exited
                return ::stat(socket.c_str(), &st) == 0;
            }, 20.0);
            int status;
            if (up && ::waitpid(pid, &status, WNOHANG) == 0) pid_ = pid;
        }
    }
    ~XvfbDisplay() {
        if (pid_ < 0) return;
        ::kill(pid_, SIGTERM);
        int status;
        ::waitpid(pid_, &status, 0);
    }
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool Running() const { return pid_ > 0; }
    std::string Name() const { return ":" + std::to_string(number_); }

private:
    pid_t pid_ = -1;
    int number_ = -1;
};

}  // namespace orvik_test
