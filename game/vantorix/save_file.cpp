#include "save_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <orvik/log.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "game_state.h"

namespace vantorix {
namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

void PutValue(std::vector<uint8_t>& bytes, const FileValue& v) {
    size_t end = static_cast<size_t>(v.offset) + 4;
    if (bytes.size() < end) bytes.resize(end, 0);
    uint32_t u = static_cast<uint32_t>(v.value);
    for (int i = 0; i < 4; ++i) bytes[v.offset + i] = static_cast<uint8_t>(u >> (8 * i));
}

// The copy takes the permissions of the file it replaces (`mode` 0 for a new file), so a
// file the player keeps private stays private. 0 when written and synced, else the
// system's error number of the first step that failed.
int WriteSynced(const std::string& path, const std::vector<uint8_t>& bytes, mode_t mode) {
    FILE* raw = std::fopen(path.c_str(), "wb");
    if (!raw) return errno;
    int error = 0;
    auto step = [&error](bool ok) {
        if (!ok && error == 0) error = errno != 0 ? errno : EIO;
    };
    errno = 0;
    step(mode == 0 || fchmod(fileno(raw), mode) == 0);
    if (error == 0) step(std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size());
    if (error == 0) step(std::fflush(raw) == 0 && fsync(fileno(raw)) == 0);
    step(std::fclose(raw) == 0);
    return error;
}

void SyncDirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// A file linked into the game folder from elsewhere is saved where it really lies: the
// copy is made beside it and takes its place there, and the link stays a link.
std::string LinkedTarget(const std::string& path) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::canonical(path, error);
    return error ? path : real.string();
}

mode_t ModeOf(const std::string& path) {
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The line names the file, what went wrong and the system's reason.
bool SaveFailed(const std::string& path, const char* what, int error) {
    orvik::AddLogFormat("%s was not saved: %s (%s)", path.c_str(), what, std::strerror(error));
    std::fprintf(stderr, "VANTORIX: %s was not saved: %s (%s)\n", path.c_str(), what, std::strerror(error));
    return false;
}

// 0 when the whole file was read, else the system's error number.
int ReadAll(const std::string& path, std::vector<uint8_t>& bytes) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return errno;
    bytes.clear();
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return std::ferror(file.get()) ? (errno != 0 ? errno : EIO) : 0;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    const int error = ReadAll(path, bytes);
    if (error != 0 && error != ENOENT) orvik::AddLogFormat("%s could not be read: %s", path.c_str(), std::strerror(error));
    return error == 0;
}

bool ValueAt(const std::vector<uint8_t>& bytes, int32_t offset, int32_t& value) {
    if (offset < 0 || static_cast<size_t>(offset) + 4 > bytes.size()) return false;
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    value = static_cast<int32_t>(u);
    return true;
}

bool PatchFile(const std::string& path, std::span<const FileValue> values, size_t size) {
    std::vector<uint8_t> bytes;
    const std::string target = LinkedTarget(path);
    const bool missing = access(target.c_str(), F_OK) != 0 && errno == ENOENT;
    if (!missing) {
        if (int error = ReadAll(target, bytes); error != 0) return SaveFailed(path, "it could not be read", error);
    }
    // A missing, cut or old file comes out whole, its missing part zero: a reader refuses
    // a file shorter than its record.
    if (bytes.size() < size) bytes.resize(size, 0);
    for (const FileValue& v : values) PutValue(bytes, v);
    const std::string temp = target + ".new";
    int error = WriteSynced(temp, bytes, missing ? 0 : ModeOf(target));
    if (error == 0 && std::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        std::remove(temp.c_str());
        return SaveFailed(path, missing ? "it could not be created" : "the write failed, the old file is kept", error);
    }
    SyncDirectoryOf(target);
    if (missing) orvik::AddLogFormat("%s was missing and has been made", path.c_str());
    return true;
}

std::string GameFilePath(const char* name) {
    const std::string& dir = Game().fileDirectory;
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

}  // namespace vantorix
