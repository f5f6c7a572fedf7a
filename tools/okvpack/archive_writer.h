// Lays out an OKV archive: the header at offset 0, the files' data behind it, and the header
// block (names, file table, directory table) at the end; every byte enciphered with the key.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace okvpack {

struct PackFile {
    std::string name;
    std::vector<uint8_t> bytes;
    uint64_t fileTime = 0;  // 100 ns units since 1601
};

struct PackDir {
    std::string name;
    std::vector<PackFile> files;
    std::vector<PackDir> dirs;
    uint64_t fileTime = 0;
};

struct PackOptions {
    std::optional<std::string> keyString;  // none: the fixed-fill key
    uint16_t version = 4;                  // 0 to 4; below 2 every file is stored
    uint32_t codePage = 932;               // written from version 4
    bool compress = true;                  // files that do not shrink are stored anyway
};

// The archive's bytes, or an empty vector with the reason in error.
std::vector<uint8_t> BuildArchive(const PackDir& root, const PackOptions& options, std::string* error);

}  // namespace okvpack
