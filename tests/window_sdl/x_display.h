// A virtual X display of the test's own (Xvfb on a display number it chooses) and a way to run
// xdotool against it.
#pragma once
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
    // Starts Xvfb and lets it choose a free display number itself (-displayfd), so tests
    // started at the same moment never race for one number; waits, bounded, for the number
    // it reports once it accepts connections. Running() tells whether it came up.
    XvfbDisplay() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        const char* argv[] = {"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24",
                              "-nolisten", "tcp", nullptr};
        pid_t pid;
        const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (rc == 0) {
            pid_ = pid;
            number_ = ReadDisplayNumber(fds[0]);
        }
        ::close(fds[0]);
        if (pid_ > 0 && number_ < 0) Stop();
    }
    ~XvfbDisplay() { Stop(); }
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool Running() const { return pid_ > 0; }
    std::string Name() const { return std::string(":").append(std::to_string(number_)); }

private:
    // The decimal number and line end Xvfb writes when ready; -1 when it exits or stays
    // silent for 20 seconds.
    static int ReadDisplayNumber(int fd) {
        std::string text;
        while (text.find('\n') == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20000) <= 0) return -1;
            char buffer[16];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) return -1;
            text.append(buffer, size_t(n));
        }
        return std::atoi(text.c_str());
    }
    void Stop() {
        if (pid_ < 0) return;
        ::kill(pid_, SIGTERM);
        int status;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int number_ = -1;
};

}  // namespace orvik_test
