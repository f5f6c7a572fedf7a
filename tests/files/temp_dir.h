// A fresh temporary directory per test, removed afterwards, with helpers to put files in it.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace files_test {

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/orvik_files_XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made ? made : "";
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string full = *this / name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream out(full, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return full;
    }
    std::string Write(const std::string& name, const std::string& text) const {
        return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }

private:
    std::string path_;
};

// Changes the current directory for the scope of a test.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::string& path) {
        char buffer[4096];
        previous_ = ::getcwd(buffer, sizeof(buffer)) ? buffer : "/";
        ok_ = ::chdir(path.c_str()) == 0;
    }
    ~ScopedCurrentDir() { (void)::chdir(previous_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_ = false;
};

// Bytes that do not repeat in any short pattern.
inline std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed = 1) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

}  // namespace files_test
