// A directory tree deeper than the 260-byte path buffers of the file operations, made
// under a root the caller owns (and removes).
#pragma once
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

}  // namespace orvik_test
