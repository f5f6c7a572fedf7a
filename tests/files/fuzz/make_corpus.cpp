// Writes the seed corpus of the archive fuzz target: small archives of every version made by
// the packer, deciphered (the target enciphers its input), and a few packed streams.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/platform/archive/archive_key.h"
#include "tools/okvpack/archive_writer.h"
#include "tools/okvpack/lz_encoder.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string dir = argv[1];
    okvpack::PackDir root;
    root.files.push_back({"a.txt", Text("hello hello hello hello hello"), 0});
    root.files.push_back({"\x95\x5C" "b.bin", Text("two-byte name"), 0});
    okvpack::PackDir sub;
    sub.name = "A";
    sub.files.push_back({"B.BIN", std::vector<uint8_t>(300, 'z'), 0});
    okvpack::PackDir deep;
    deep.name = "deep";
    deep.files.push_back({"c", Text("abcabcabcabcabcabcabc"), 0});
    sub.dirs.push_back(deep);
    root.dirs.push_back(sub);

    uint8_t key[orvik::kArchiveKeySize];
    orvik::MakeArchiveKey(nullptr, key);
    for (uint16_t version = 0; version <= 4; ++version) {
        okvpack::PackOptions options;
        options.version = version;
        std::vector<uint8_t> image = okvpack::BuildArchive(root, options, nullptr);
        orvik::XorArchiveKey(image.size(), image.data(), 0, key);
        Write(dir + "/archive_v" + std::to_string(version), image);
    }
    const auto text = Text("the quick brown fox jumps over the quick brown fox again and again");
    Write(dir + "/lz_text", okvpack::LzEncode(text.data(), text.size()));
    const std::vector<uint8_t> run(5000, 7);
    Write(dir + "/lz_run", okvpack::LzEncode(run.data(), run.size()));
    return 0;
}
