// The lock that marks a running copy of a program across processes: a file per window
// class in the runtime directory, held with flock while the program's window exists.
#pragma once
#include <memory>
#include <string>

namespace host {

// Where the lock files live. Unset (the default under the headless backend), no lock is
// taken and programs never see each other; the sdl backend uses $XDG_RUNTIME_DIR or /tmp.
void SetRuntimeDirectory(const std::string& path);
std::string RuntimeDirectory();

class InstanceLock {
public:
    // Takes the lock of the class; null when no runtime directory is set or another
    // process holds it.
    static std::unique_ptr<InstanceLock> Acquire(const std::string& className);
    // True when another process (or another open here) holds the class's lock.
    static bool HeldElsewhere(const std::string& className);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace host
