// libFuzzer target for the archive reader. The input is an archive as it reads once
// deciphered; it is enciphered with the fixed-fill key, opened from memory, and every
// directory and file reachable through searches is walked and read. The same bytes are
// also handed to the LZ decoder as a packed stream.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/platform/archive/archive.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/archive/archive_key.h"
#include "engine/platform/archive/archive_lz.h"
#include "engine/platform/files/name_pattern.h"

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
        // The input's last bytes as a path: two-byte characters, separators and dots anywhere.
        const std::string path(reinterpret_cast<const char*>(data) + size - std::min<size_t>(size, 48),
                               std::min<size_t>(size, 48));
        const std::string text = path.substr(0, path.find('\0'));
        ReadFile(&archive, text);
        orvik::ArchiveLookupName name{};
        orvik::ChangeArchiveDir(&archive, text.c_str(), 1, &name);
        orvik::ChangeArchiveDir(&archive, "../x/./y/", 0, nullptr);
        orvik::FileFindRecord record{};
        if (orvik::ArchiveSearchState* search = orvik::FindFirstInArchive(&archive, text.c_str(), &record))
            orvik::FreeArchiveSearch(search);
        orvik::CloseArchive(&archive);
    }

    const std::string pattern(reinterpret_cast<const char*>(data), std::min<size_t>(size, 24));
    const std::string name(reinterpret_cast<const char*>(data) + std::min<size_t>(size, 24),
                           size - std::min<size_t>(size, 24));
    orvik::MatchFileNamePattern(name.c_str(), pattern.c_str(), 1);
    orvik::MatchFileNamePattern(name.c_str(), pattern.c_str(), 2);

    std::vector<uint8_t> out(1 << 16);
    orvik::DecompressArchiveData(data, size, out.data(), out.size());
    return 0;
}
