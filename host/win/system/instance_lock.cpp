#include "host/win/system/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace host {

namespace {
std::mutex g_mutex;
std::string g_directory;
bool g_directorySet = false;

// Class names are code-page text; the file name keeps letters and digits and writes
// every other byte in hex, so any name gives a safe, distinct file name.
std::string LockPath(const std::string& className) {
    std::string dir = RuntimeDirectory();
    if (dir.empty()) return {};
    std::string path = dir + "/orvik-";
    for (unsigned char c : className) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            path += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            path += hex;
        }
    }
    return path + ".lock";
}

int OpenLockFile(const std::string& className, bool create) {
    std::string path = LockPath(className);
    if (path.empty()) return -1;
    return ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
}
}  // namespace

void SetRuntimeDirectory(const std::string& path) {
    std::lock_guard lock(g_mutex);
    g_directory = path;
    g_directorySet = true;
}

std::string RuntimeDirectory() {
    std::lock_guard lock(g_mutex);
    if (g_directorySet) return g_directory;
    if (const char* env = std::getenv("ORVIK_RUNTIME_DIR")) return env;
    return {};
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const std::string& className) {
    int fd = OpenLockFile(className, true);
    if (fd < 0) return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

bool InstanceLock::HeldElsewhere(const std::string& className) {
    int fd = OpenLockFile(className, false);
    if (fd < 0) return false;  // no file: nobody ever held it
    bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);  // closing drops a lock taken just now
    return held;
}

InstanceLock::~InstanceLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

}  // namespace host
