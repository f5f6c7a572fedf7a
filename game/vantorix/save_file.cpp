#include "save_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <orvik/log.h>

#include <cerrno>
#include <cstdio>
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
// file the player keeps private stays private.
bool WriteSynced(const std::string& path, const std::vector<uint8_t>& bytes, mode_t mode) {
    FILE* raw = std::fopen(path.c_str(), "wb");
    if (!raw) return false;
    bool ok = mode == 0 || fchmod(fileno(raw), mode) == 0;
    ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), raw) == bytes.size();
    ok = ok && std::fflush(raw) == 0 && fsync(fileno(raw)) == 0;
    return std::fclose(raw) == 0 && ok;
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

bool SaveFailed(const std::string& path, const char* why) {
    orvik::AddLogFormat("%s was not saved: %s", path.c_str(), why);
    std::fprintf(stderr, "VANTORIX: %s was not saved: %s\n", path.c_str(), why);
    return false;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    bytes.clear();
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    if (std::ferror(file.get())) {
        orvik::AddLogFormat("%s could not be read to its end", path.c_str());
        return false;
    }
    return true;
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
    if (missing) {
        bytes.assign(size, 0);
    } else if (!ReadWholeFile(target, bytes)) {
        return SaveFailed(path, "it could not be read");
    }
    for (const FileValue& v : values) PutValue(bytes, v);
    std::string temp = target + ".new";
    if (!WriteSynced(temp, bytes, missing ? 0 : ModeOf(target)) || std::rename(temp.c_str(), target.c_str()) != 0) {
        std::remove(temp.c_str());
        return SaveFailed(path, missing ? "it could not be created" : "the write failed, the old file is kept");
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
