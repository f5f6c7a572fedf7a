// libFuzzer target for the archive reader. The input is an archive as it reads once
// deciphered; it is enciphered with the fixed-fill key, opened from memory, and every
// directory and file reachable through searches is walked and read. The same bytes are
// also handed to the LZ decoder as a packed stream.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/platform/archive.h"
#include "engine/platform/archive_files.h"
#include "engine/platform/archive_key.h"
#include "engine/platform/archive_lz.h"

namespace {

constexpr int kMaxDepth = 6;
constexpr int kMaxEntries = 256;

void ReadFile(orvik::ArchiveObject* archive, const std::string& path) {
    orvik::ArchiveFileStream stream{};
    if (orvik::OpenArchiveFileStream(&stream, archive, path.c_str(), 0) != 0) return;
    uint8_t buffer[4096];
    while (orvik::ReadArchiveFileStream(&stream, buffer, sizeof(buffer)) > 0) {
    }
    orvik::SeekArchiveFileStream(&stream, -7, 2);
    orvik::ReadArchiveFileStream(&stream, buffer, 100);
    orvik::CloseArchiveFileStream(&stream);
}

void Walk(orvik::ArchiveObject* archive, const std::string& directory, int depth, int* budget) {
    orvik::FileFindRecord record{};
    orvik::ArchiveSearchState* search =
        orvik::FindFirstInArchive(archive, (directory + "*").c_str(), &record);
    if (search == nullptr) return;
    do {
        if (--*budget < 0) break;
        const std::string name = record.name;
        if (name == "." || name == ".." || name.empty()) continue;
        if (record.directory) {
            if (depth < kMaxDepth) Walk(archive, directory + name + "/", depth + 1, budget);
        } else {
            ReadFile(archive, directory + name);
        }
    } while (orvik::FindNextInArchive(search, &record) == 0);
    orvik::FreeArchiveSearch(search);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> image(data, data + size);
    uint8_t key[orvik::kArchiveKeySize];
    orvik::MakeArchiveKey(nullptr, key);
    orvik::XorArchiveKey(image.size(), image.data(), 0, key);

    orvik::ArchiveObject archive{};
    if (orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), nullptr) == 0) {
        int budget = kMaxEntries;
        Walk(&archive, "", 0, &budget);
        ReadFile(&archive, "A/B.BIN");
        orvik::ChangeArchiveDir(&archive, "../x/./y/", 1, nullptr);
        orvik::CloseArchive(&archive);
    }

    std::vector<uint8_t> out(1 << 16);
    orvik::DecompressArchiveData(data, size, out.data(), out.size());
    return 0;
}
