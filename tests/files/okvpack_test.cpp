#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "engine/platform/archive/archive.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/archive/archive_lz.h"
#include "engine/platform/files/file_access.h"
#include "temp_dir.h"
#include "tools/okvpack/lz_encoder.h"
#include "tools/okvpack/pack_directory.h"

namespace {

using namespace files_test;

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& data, size_t* packedSize = nullptr) {
    const std::vector<uint8_t> packed = okvpack::LzEncode(data.data(), data.size());
    if (packedSize) *packedSize = packed.size();
    std::vector<uint8_t> out(data.size());
    const int64_t n = orvik::DecompressArchiveData(packed.data(), packed.size(), out.data(), out.size());
    EXPECT_EQ(n, static_cast<int64_t>(data.size()));
    return out;
}

TEST(LzEncoder, RoundTripsThroughTheDecoder) {
    std::vector<std::vector<uint8_t>> inputs;
    inputs.push_back({});
    inputs.push_back({42});
    inputs.push_back(std::vector<uint8_t>(100000, 0));  // long runs: matches of the longest length
    inputs.push_back(PatternBytes(50000, 3));            // nothing to find
    std::vector<uint8_t> every(256 * 40);                 // every byte value, the escape among them
    for (size_t i = 0; i < every.size(); ++i) every[i] = static_cast<uint8_t>(i * 7 + i / 256);
    inputs.push_back(every);
    // A block repeated far away: distances that need three bytes.
    std::vector<uint8_t> far = PatternBytes(4000, 5);
    const auto noise = PatternBytes(200000, 6);
    far.insert(far.end(), noise.begin(), noise.end());
    far.insert(far.end(), far.begin(), far.begin() + 4000);
    inputs.push_back(far);
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "enemy " + std::to_string(i % 37) + " fires at player; ";
    inputs.push_back({text.begin(), text.end()});
    for (const auto& input : inputs) EXPECT_EQ(RoundTrip(input), input) << "size " << input.size();
}

TEST(LzEncoder, PacksRepetitiveDataSmall) {
    size_t packed = 0;
    RoundTrip(std::vector<uint8_t>(100000, 7), &packed);
    EXPECT_LT(packed, 200u);
    std::vector<uint8_t> far = PatternBytes(4000, 5);
    const auto noise = PatternBytes(100000, 6);
    far.insert(far.end(), noise.begin(), noise.end());
    far.insert(far.end(), far.begin(), far.begin() + 4000);
    RoundTrip(far, &packed);
    // The repeat becomes one match; the noise costs its doubled escape bytes.
    EXPECT_LT(packed, far.size() - 3500);
}

class PackerTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        orvik::ResetArchiveFiles();
        orvik::ResetFileAccessTable();
        orvik::SetArchiveExtension("dat");
        orvik::SetArchiveKeyString("tnqwplx");
    }
    void TearDown() override { orvik::ResetArchiveFiles(); }
};

// A directory packed by the packer reads back, file for file, through the archive-aware
// file operations, in every version.
TEST_P(PackerTest, PackedDirectoryReadsBackThroughTheFileOperations) {
    TempDir dir;
    std::string sprite(20000, 0);
    for (size_t i = 0; i < sprite.size(); ++i) sprite[i] = static_cast<char>((i / 40) % 3 ? 0x00 : 0xFF);
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
        {"VRX_Title.bmp", {sprite.begin(), sprite.end()}},
        {"empty.txt", {}},
        {"noise.bin", PatternBytes(3000, 9)},
        {"Sound/Shot01.wav", PatternBytes(500, 2)},
        {"Sound/Loop/Bgm.mp3", std::vector<uint8_t>(9000, 'm')},
    };
    for (const auto& [name, bytes] : files) dir.Write("src/" + name, bytes);
    okvpack::PackOptions options;
    options.keyString = "tnqwplx";
    options.version = static_cast<uint16_t>(GetParam());
    std::string error;
    ASSERT_EQ(okvpack::PackDirectory(dir / "src", dir / "Data01.dat", options, &error), 0) << error;

    for (const auto& [name, bytes] : files) {
        const std::string path = dir / ("Data01/" + name);
        const orvik::FileAccessHandle file = orvik::FileAccessOpen(path.c_str(), 0, 1, 0);
        ASSERT_NE(file, 0) << name;
        EXPECT_EQ(orvik::ArchiveTableSlot(0)->references, 1);
        std::vector<uint8_t> read(bytes.size() + 10);
        EXPECT_EQ(orvik::FileAccessRead(read.data(), 1, read.size(), file), bytes.size());
        read.resize(bytes.size());
        EXPECT_EQ(read, bytes) << name;
        orvik::FileAccessClose(file);
    }
    // Stored under version 0 and 1, packed when it helps from version 2.
    orvik::ArchiveEntryInfo entry{};
    orvik::ArchiveObject& archive = const_cast<orvik::ArchiveTableEntry*>(orvik::ArchiveTableSlot(0))->archive;
    ASSERT_EQ(orvik::FindArchiveFileEntry("VRX_Title.bmp", &archive, &entry), 0);
    EXPECT_EQ(orvik::IsArchiveEntryPacked(&archive, entry), GetParam() >= 2);
    ASSERT_EQ(orvik::FindArchiveFileEntry("noise.bin", &archive, &entry), 0);
    EXPECT_FALSE(orvik::IsArchiveEntryPacked(&archive, entry));

    orvik::FileFindRecord record{};
    const std::string pattern = dir / "Data01/*";
    const orvik::FileFindHandle find = orvik::ActiveFileAccessFunctions().findFirst(pattern.c_str(), &record);
    ASSERT_NE(find, -1);
    std::vector<std::string> names{record.name};
    while (orvik::ActiveFileAccessFunctions().findNext(find, &record) == 0) names.push_back(record.name);
    orvik::ActiveFileAccessFunctions().findClose(find);
    EXPECT_EQ(names, (std::vector<std::string>{".", "empty.txt", "noise.bin", "Sound", "VRX_Title.bmp"}));
}

INSTANTIATE_TEST_SUITE_P(Versions, PackerTest, ::testing::Range(0, 5));

TEST(Packer, RefusesWhatItCannotPack) {
    TempDir dir;
    std::string error;
    EXPECT_EQ(okvpack::PackDirectory(dir / "missing", dir / "x.dat", {}, &error), -1);
    EXPECT_FALSE(error.empty());
    okvpack::PackOptions options;
    options.version = 5;
    dir.Write("src/a.txt", "a");
    EXPECT_EQ(okvpack::PackDirectory(dir / "src", dir / "x.dat", options, &error), -1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.dat"));
}

// A write that fails only when the buffered bytes reach the disk (a full disk) must not
// replace the archive already there: the old archive stays whole and the run fails.
TEST(Packer, WriteFailingAtTheLastFlushKeepsTheOldArchive) {
    TempDir dir;
    dir.Write("src/a.txt", "small enough to sit in the stream's buffer");
    const std::string old = "the archive as it was";
    dir.Write("x.dat", old);
    std::filesystem::create_symlink("/dev/full", dir / "x.dat.part");
    std::string error;
    EXPECT_EQ(okvpack::PackDirectory(dir / "src", dir / "x.dat", {}, &error), -1);
    EXPECT_FALSE(error.empty());
    // Read boundedly: a failed run may have left the link to the endless device in its place.
    ASSERT_FALSE(std::filesystem::is_symlink(dir / "x.dat"));
    std::ifstream in(dir / "x.dat", std::ios::binary);
    std::string kept(old.size() + 1, '\0');
    kept.resize(static_cast<size_t>(in.read(kept.data(), static_cast<std::streamsize>(kept.size())).gcount()));
    EXPECT_EQ(kept, old);
}

// Names are upper-cased by the lead bytes of the archive's own code page: in Korean text
// 0xB0 leads a character whose second byte may be "a", which stays as it is, where under
// Shift-JIS 0xB0 is a character of its own and the "a" after it is upper-cased.
TEST(Packer, NamesAreCasedByTheArchivesCodePage) {
    const std::string korean = "\xB0\x61.txt";
    for (const uint32_t codePage : {949u, 932u}) {
        okvpack::PackDir root;
        root.files.push_back({korean, {'k', 'o'}, 0});
        okvpack::PackOptions options;
        options.codePage = codePage;
        const auto image = okvpack::BuildArchive(root, options, nullptr);
        orvik::ArchiveObject archive{};
        ASSERT_EQ(orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), nullptr), 0);
        uint32_t offset = 0, size = 0;
        EXPECT_EQ(orvik::GetArchiveFileImage(&archive, korean.c_str(), &offset, &size), 0) << codePage;
        EXPECT_EQ(size, 2u) << codePage;
        // Under Korean lead bytes the second byte is part of the character and keeps its case.
        EXPECT_EQ(orvik::GetArchiveFileImage(&archive, "\xB0\x41.TXT", nullptr, nullptr), codePage == 949 ? -1 : 0)
            << codePage;
        orvik::CloseArchive(&archive);
    }
}

// A name the reader could never find is refused rather than packed out of reach: two files
// (or two directories) whose names differ only in the case of a to z, and a name with a
// backslash of its own, which the reader takes for a separator. A file and a directory
// may share a name: each lookup asks for its own kind.
TEST(Packer, NamesTheReaderCannotFindAreRefused) {
    const auto build = [](const std::vector<std::string>& files, const std::vector<std::string>& dirs,
                          std::string* error) {
        okvpack::PackDir root;
        for (const std::string& name : files) root.files.push_back({name, {'x'}, 0});
        for (const std::string& name : dirs) root.dirs.push_back({name, {}, {}, 0});
        return okvpack::BuildArchive(root, {}, error);
    };
    std::string error;
    EXPECT_TRUE(build({"a.txt", "b.txt", "A.TXT"}, {}, &error).empty());
    EXPECT_NE(error.find("a.txt"), std::string::npos) << error;
    error.clear();
    EXPECT_TRUE(build({}, {"Sub", "SUB"}, &error).empty());
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_TRUE(build({"x\\y.txt"}, {}, &error).empty());
    EXPECT_FALSE(error.empty());

    // A Shift-JIS character whose second byte is a backslash is a name like any other.
    const std::string table = "\x95\x5C.txt";
    error.clear();
    const auto image = build({"data", table}, {"DATA"}, &error);
    ASSERT_FALSE(image.empty()) << error;
    orvik::ArchiveObject archive{};
    ASSERT_EQ(orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), nullptr), 0);
    EXPECT_EQ(orvik::GetArchiveFileImage(&archive, "data", nullptr, nullptr), 0);
    EXPECT_EQ(orvik::GetArchiveFileImage(&archive, table.c_str(), nullptr, nullptr), 0);
    EXPECT_EQ(orvik::ChangeArchiveDir(&archive, "data", 1, nullptr), 0);
    orvik::CloseArchive(&archive);
}

// The same archive opens from memory, and the key decides whether it opens at all.
TEST(Packer, KeyOfTheArchiveIsTheOneGiven) {
    okvpack::PackDir root;
    root.files.push_back({"a.txt", {'h', 'i'}, 0});
    okvpack::PackOptions options;
    options.keyString = "secret";
    const auto image = okvpack::BuildArchive(root, options, nullptr);
    orvik::ArchiveObject archive{};
    EXPECT_EQ(orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), "other"), -1);
    ASSERT_EQ(orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), "secret"), 0);
    uint32_t offset = 0, size = 0;
    ASSERT_EQ(orvik::GetArchiveFileImage(&archive, "A.TXT", &offset, &size), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(orvik::GetArchiveMemoryImage(&archive)) + offset, size), "hi");
    orvik::CloseArchive(&archive);
}

}  // namespace
