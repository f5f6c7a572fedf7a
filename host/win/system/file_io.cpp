#include "host/win/system/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace host {

namespace {

std::mutex g_filesMutex;
std::vector<int> g_files;  // descriptors by handle; -1 for a free entry

int Descriptor(HFILE file) {
    std::lock_guard lock(g_filesMutex);
    return file >= 0 && size_t(file) < g_files.size() ? g_files[size_t(file)] : -1;
}

HFILE Register(int fd) {
    std::lock_guard lock(g_filesMutex);
    for (size_t i = 0; i < g_files.size(); ++i)
        if (g_files[i] < 0) {
            g_files[i] = fd;
            return HFILE(i);
        }
    g_files.push_back(fd);
    return HFILE(g_files.size() - 1);
}

}  // namespace

HFILE CreateFileA(const char* path, uint32_t creation) {
    if (!path || (creation != CREATE_ALWAYS && creation != CREATE_NEW)) return INVALID_FILE_HANDLE;
    const int mode = creation == CREATE_NEW ? O_EXCL : O_TRUNC;
    const int fd = ::open(path, O_WRONLY | O_CREAT | mode | O_CLOEXEC, 0644);
    return fd < 0 ? INVALID_FILE_HANDLE : Register(fd);
}

BOOL WriteFile(HFILE file, const void* data, uint32_t bytes, uint32_t* written) {
    if (written) *written = 0;
    const int fd = Descriptor(file);
    if (fd < 0 || (!data && bytes)) return 0;
    uint32_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(fd, static_cast<const uint8_t*>(data) + done, bytes - done);
        if (n <= 0) break;
        done += uint32_t(n);
    }
    if (written) *written = done;
    return done == bytes;
}

uint32_t SetFilePointer(HFILE file, int32_t distance, uint32_t method) {
    const int fd = Descriptor(file);
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (fd < 0 || method > FILE_END) return INVALID_SET_FILE_POINTER;
    const off_t at = ::lseek(fd, distance, kWhence[method]);
    return at < 0 || at >= off_t(INVALID_SET_FILE_POINTER) ? INVALID_SET_FILE_POINTER : uint32_t(at);
}

BOOL CloseFile(HFILE file) {
    int fd = -1;
    {
        std::lock_guard lock(g_filesMutex);
        if (file < 0 || size_t(file) >= g_files.size() || g_files[size_t(file)] < 0) return 0;
        fd = g_files[size_t(file)];
        g_files[size_t(file)] = -1;
    }
    return ::close(fd) == 0;
}

BOOL DeleteFileA(const char* path) { return path && ::unlink(path) == 0; }

uint32_t GetTempPathA(uint32_t size, char* buffer) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    if (path.back() != '/') path += '/';
    if (!buffer || path.size() + 1 > size) return 0;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return uint32_t(path.size());
}

uint32_t GetTempFileNameA(const char* directory, const char* prefix, uint32_t, char* name) {
    if (!directory || !prefix || !name) return 0;
    std::string path = std::string(directory) + prefix + "XXXXXX";
    if (path.size() + 1 > 260) return 0;
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return 0;
    ::close(fd);
    std::memcpy(name, path.c_str(), path.size() + 1);
    return 1;
}

}  // namespace host
