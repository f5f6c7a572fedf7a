// Directory trees deeper than the 260-byte path buffers of the file operations, or than
// the system takes whole in one path.
#pragma once
#include <unistd.h>

#include <filesystem>
#include <string>

namespace orvik_test {

// Makes root/dddd.../dddd... with elements of 50 characters until the path is at least
// `length` bytes long; returns the deepest directory ("" when it could not be made).
inline std::string MakeDeepDirectory(const std::string& root, size_t length) {
    std::string path = root;
    while (path.size() < length) path += "/" + std::string(50, 'd');
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return error ? std::string() : path;
}

// A chain of directories of 200 characters below the current one, made and entered by
// relative names, so that the path to its end can be longer than the system takes whole
// (4096 bytes). Leaving, it goes back up and removes them with what was put at the end.
class DeepCurrentDirectory {
public:
    explicit DeepCurrentDirectory(int depth) {
        std::error_code error;
        while (entered_ < depth && std::filesystem::create_directory(kStep, error) && ::chdir(kStep.c_str()) == 0)
            ++entered_;
    }
    ~DeepCurrentDirectory() {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(".", ignored))
            std::filesystem::remove_all(entry.path(), ignored);
        for (; entered_ > 0 && ::chdir("..") == 0; --entered_) std::filesystem::remove(kStep, ignored);
    }
    DeepCurrentDirectory(const DeepCurrentDirectory&) = delete;
    DeepCurrentDirectory& operator=(const DeepCurrentDirectory&) = delete;

private:
    inline static const std::string kStep = std::string(200, 'd');
    int entered_ = 0;
};

}  // namespace orvik_test
