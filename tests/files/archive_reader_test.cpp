#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive_fixture.h"
#include "engine/platform/archive/archive.h"
#include "engine/platform/archive/archive_key.h"
#include "engine/platform/archive/archive_lz.h"
#include "temp_dir.h"

namespace {

using namespace files_test;
using orvik::ArchiveEntryInfo;
using orvik::ArchiveObject;

FixtureDir SampleTree(bool packed) {
    FixtureDir root;
    root.files.push_back({"Title.bmp", Bytes("title-bytes")});
    root.files.push_back({"abc.txt", Bytes("abcabcabcabc"), packed ? kPackedAbc : std::vector<uint8_t>{}});
    FixtureDir sub{"Sound"};
    sub.files.push_back({"Shot01.wav", Bytes("pew")});
    FixtureDir deeper{"Deep"};
    deeper.files.push_back({"x.bin", Bytes("xyz")});
    sub.dirs.push_back(deeper);
    root.dirs.push_back(sub);
    return root;
}

// Reads the whole of a file out of an open archive, whichever way it is held.
std::string ReadEntry(ArchiveObject* archive, const char* path) {
    ArchiveEntryInfo entry{};
    if (orvik::FindArchiveFileEntry(path, archive, &entry) != 0) return "<missing>";
    uint32_t offset = 0, length = 0;
    if (!orvik::ArchiveDataRange(archive, entry, &offset, &length)) return "<range>";
    std::vector<uint8_t> raw(length);
    if (archive->heldInMemory) {
        std::memcpy(raw.data(), archive->image + offset, length);
    } else if (orvik::ReadArchiveData(offset, raw.data(), length, archive->key, archive->file) != 0) {
        return "<read>";
    }
    if (!orvik::IsArchiveEntryPacked(archive, entry)) return {raw.begin(), raw.end()};
    std::vector<uint8_t> out(entry.size);
    if (orvik::DecompressArchiveData(raw.data(), raw.size(), out.data(), out.size()) != entry.size)
        return "<unpack>";
    return {out.begin(), out.end()};
}

enum class Way { Streamed, ToMemory, FromImage };

struct ReaderCase {
    uint16_t version;
    bool atEnd;
    Way way;
};

std::string CaseName(const ReaderCase& c) {
    const std::string way = c.way == Way::Streamed ? "Streamed" : c.way == Way::ToMemory ? "ToMemory" : "FromImage";
    return "V" + std::to_string(c.version) + (c.atEnd ? "BlockAtEnd" : "BlockInFront") + way;
}

class ArchiveReaderTest : public ::testing::TestWithParam<ReaderCase> {
protected:
    int Open(const std::vector<uint8_t>& image, const char* key) {
        orvik::InitArchiveObject(&archive);
        switch (GetParam().way) {
            case Way::Streamed: return orvik::OpenArchiveFileStreamed(&archive, dir.Write("t.okv", image).c_str(), key);
            case Way::ToMemory: return orvik::OpenArchiveFileToMemory(&archive, dir.Write("t.okv", image).c_str(), key, 0);
            case Way::FromImage: return orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), key);
        }
        return -1;
    }
    void TearDown() override { orvik::CloseArchive(&archive); }
    TempDir dir;
    ArchiveObject archive{};
};

TEST_P(ArchiveReaderTest, ReadsStoredAndPackedFilesAndSubdirectories) {
    FixtureOptions options;
    options.version = GetParam().version;
    options.codePage = 932;
    options.headerBlockAtEnd = GetParam().atEnd;
    options.keyString = "tnqwplx";
    const bool packs = options.version >= 2;
    ASSERT_EQ(Open(BuildFixture(SampleTree(packs), options), "tnqwplx"), 0);
    EXPECT_EQ(archive.header.version, options.version);
    EXPECT_EQ(archive.charSet, options.version >= 4 ? 1 : 0);
    EXPECT_EQ(ReadEntry(&archive, "Title.bmp"), "title-bytes");
    EXPECT_EQ(ReadEntry(&archive, "abc.txt"), "abcabcabcabc");
    EXPECT_EQ(ReadEntry(&archive, "Sound/Shot01.wav"), "pew");
    EXPECT_EQ(ReadEntry(&archive, "sound\\deep\\X.BIN"), "xyz");
    EXPECT_EQ(ReadEntry(&archive, "/SOUND/Deep/x.bin"), "xyz");
    EXPECT_EQ(ReadEntry(&archive, "Sound/Missing.wav"), "<missing>");
    EXPECT_EQ(ReadEntry(&archive, "Sound"), "<missing>");  // a directory is no file
    EXPECT_EQ(ReadEntry(&archive, "Sound/Deep/"), "<missing>");
    EXPECT_EQ(ReadEntry(&archive, "Title.bmp/x.bin"), "<missing>");
    EXPECT_EQ(archive.currentDir, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    VersionsAndLayouts, ArchiveReaderTest,
    ::testing::Values(ReaderCase{0, true, Way::Streamed}, ReaderCase{1, false, Way::Streamed},
                      ReaderCase{2, true, Way::Streamed}, ReaderCase{3, false, Way::ToMemory},
                      ReaderCase{4, true, Way::ToMemory}, ReaderCase{4, false, Way::FromImage},
                      ReaderCase{2, true, Way::FromImage}, ReaderCase{4, true, Way::Streamed}),
    [](const auto& info) { return CaseName(info.param); });

TEST(ArchiveKey, RepeatsTheStringAndCutsItAtTwelve) {
    uint8_t a[12], b[12], c[12];
    orvik::MakeArchiveKey("abcde", a);
    orvik::MakeArchiveKey("abcdeabcdeab", b);
    EXPECT_EQ(std::memcmp(a, b, 12), 0);  // byte 5 is made from character 0
    orvik::MakeArchiveKey("abcdefghijklmnop", a);
    orvik::MakeArchiveKey("abcdefghijkl", b);
    EXPECT_EQ(std::memcmp(a, b, 12), 0);
    orvik::MakeArchiveKey(nullptr, a);
    orvik::MakeArchiveKey("", b);
    orvik::MakeArchiveKey("a", c);
    EXPECT_EQ(std::memcmp(a, b, 12), 0);
    EXPECT_NE(std::memcmp(a, c, 12), 0);
    // The key string never shows in the key itself.
    orvik::MakeArchiveKey("AAAAAAAAAAAA", a);
    int plain = 0;
    for (uint8_t byte : a) plain += byte == 'A';
    EXPECT_LT(plain, 12);
}

TEST(ArchiveKey, CipherIsKeyedByTheFileOffset) {
    uint8_t key[12];
    orvik::MakeArchiveKey("k3y", key);
    std::vector<uint8_t> whole = PatternBytes(100);
    std::vector<uint8_t> pieces = whole;
    orvik::XorArchiveKey(whole.size(), whole.data(), 1000, key);
    // The same bytes deciphered in odd pieces, each at its own offset, give the same result.
    size_t at = 0;
    for (size_t length : {1, 7, 13, 24, 30, 25}) {
        orvik::XorArchiveKey(length, pieces.data() + at, 1000 + at, key);
        at += length;
    }
    EXPECT_EQ(whole, pieces);
    for (size_t i = 0; i < whole.size(); ++i)
        ASSERT_EQ(uint8_t(whole[i] ^ key[(1000 + i) % 12]), PatternBytes(100)[i]);
}

TEST(ArchiveOpen, KeyVariants) {
    TempDir dir;
    ArchiveObject archive{};
    FixtureOptions options;
    options.keyString = "abcde";
    const std::string path = dir.Write("k.okv", BuildFixture(SampleTree(true), options));
    ASSERT_EQ(orvik::OpenArchiveFileStreamed(&archive, path.c_str(), "abcde"), 0);
    EXPECT_EQ(ReadEntry(&archive, "abc.txt"), "abcabcabcabc");
    orvik::CloseArchive(&archive);
    EXPECT_EQ(orvik::OpenArchiveFileStreamed(&archive, path.c_str(), "vwxyz"), -1);
    EXPECT_EQ(orvik::OpenArchiveFileStreamed(&archive, path.c_str(), nullptr), -1);

    options.keyString = nullptr;
    const std::string noKey = dir.Write("n.okv", BuildFixture(SampleTree(true), options));
    ASSERT_EQ(orvik::OpenArchiveFileStreamed(&archive, noKey.c_str(), nullptr), 0);
    EXPECT_EQ(ReadEntry(&archive, "Title.bmp"), "title-bytes");
    orvik::CloseArchive(&archive);

    // Made with the second key: opens under any key string, and every read uses that key.
    options.secondKey = true;
    const std::string second = dir.Write("s.okv", BuildFixture(SampleTree(true), options));
    ASSERT_EQ(orvik::OpenArchiveFileStreamed(&archive, second.c_str(), "whatever"), 0);
    EXPECT_EQ(ReadEntry(&archive, "abc.txt"), "abcabcabcabc");
    EXPECT_EQ(ReadEntry(&archive, "Sound/Shot01.wav"), "pew");
    orvik::CloseArchive(&archive);
}

TEST(ArchiveOpen, RefusesNewerVersionsBadMagicAndShortFiles) {
    TempDir dir;
    ArchiveObject archive{};
    FixtureOptions options;
    options.version = 5;
    auto image = BuildFixture(SampleTree(true), options);
    EXPECT_EQ(orvik::OpenArchiveFileStreamed(&archive, dir.Write("v5.okv", image).c_str(), nullptr), -1);
    EXPECT_EQ(orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), nullptr), -1);
    EXPECT_EQ(orvik::OpenArchiveFileStreamed(&archive, dir.Write("junk.okv", PatternBytes(100)).c_str(), nullptr), -1);
    EXPECT_EQ(orvik::OpenArchiveFileStreamed(&archive, dir.Write("tiny.okv", "QZ").c_str(), nullptr), -1);
    EXPECT_EQ(orvik::OpenArchiveFileStreamed(&archive, (dir / "none.okv").c_str(), nullptr), -1);
    EXPECT_EQ(archive.open, 0);
}

// The caller's image is copied: a read-only image opens, and opening it twice works.
TEST(ArchiveOpen, FromMemoryLeavesTheCallersImageAlone) {
    const std::vector<uint8_t> built = BuildFixture(SampleTree(true), FixtureOptions{});
    const std::vector<uint8_t> image = built;
    ArchiveObject a{}, b{};
    ASSERT_EQ(orvik::OpenArchiveFromMemory(&a, image.data(), image.size(), nullptr), 0);
    ASSERT_EQ(orvik::OpenArchiveFromMemory(&b, image.data(), image.size(), nullptr), 0);
    EXPECT_EQ(image, built);
    EXPECT_EQ(ReadEntry(&a, "abc.txt"), "abcabcabcabc");
    EXPECT_EQ(ReadEntry(&b, "Sound/Deep/x.bin"), "xyz");
    uint32_t offset = 0, size = 0;
    ASSERT_EQ(orvik::GetArchiveFileImage(&a, "Title.bmp", &offset, &size), 0);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(orvik::GetArchiveMemoryImage(&a)) + offset, size),
              "title-bytes");
    EXPECT_EQ(orvik::GetArchiveFileImage(&a, "nope", &offset, &size), -1);
    EXPECT_EQ(orvik::OpenArchiveFromMemory(&a, image.data(), image.size(), nullptr), -1);  // already open
    orvik::CloseArchive(&a);
    orvik::CloseArchive(&b);
    EXPECT_EQ(image, built);
}

TEST(ArchiveDirs, DotDotDotAndTheRoot) {
    const auto image = BuildFixture(SampleTree(true), FixtureOptions{});
    ArchiveObject archive{};
    ASSERT_EQ(orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), nullptr), 0);
    orvik::ArchiveLookupName name{};
    EXPECT_EQ(orvik::ChangeArchiveDir(&archive, "..", 1, &name), -1);  // the root has no parent
    EXPECT_EQ(orvik::ChangeArchiveDir(&archive, ".", 1, &name), 0);
    EXPECT_EQ(archive.currentDir, 0u);
    ASSERT_EQ(orvik::ChangeArchiveDir(&archive, "sound", 1, &name), 0);
    const uint32_t sound = archive.currentDir;
    EXPECT_NE(sound, 0u);
    EXPECT_EQ(ReadEntry(&archive, "Shot01.wav"), "pew");
    ASSERT_EQ(orvik::ChangeArchiveDir(&archive, "DEEP/", 1, &name), 0);
    EXPECT_EQ(ReadEntry(&archive, "X.bin"), "xyz");
    ASSERT_EQ(orvik::ChangeArchiveDir(&archive, "..", 1, &name), 0);
    EXPECT_EQ(archive.currentDir, sound);
    // A failing walk names the element that failed; with restore it goes back.
    EXPECT_EQ(orvik::ChangeArchiveDir(&archive, "/Sound/Nope/Deep", 1, &name), -1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name.name)), "NOPE");
    EXPECT_EQ(name.units, 2);
    EXPECT_EQ(archive.currentDir, sound);
    EXPECT_EQ(orvik::ChangeArchiveDir(&archive, "/Sound/Nope", 0, &name), -1);
    EXPECT_EQ(archive.currentDir, sound);  // stayed where the walk got to
    ASSERT_EQ(orvik::ChangeArchiveDir(&archive, "\\", 1, &name), 0);
    EXPECT_EQ(archive.currentDir, 0u);
    orvik::CloseArchive(&archive);
}

TEST(ArchiveNames, LookupNamesUpperCaseOnlyASCIIAndKeepTwoByteCharacters) {
    ArchiveObject archive{};
    archive.charSet = 1;
    orvik::ArchiveLookupName name{};
    EXPECT_EQ(orvik::NormalizeArchiveName(&archive, "abc/def", &name), 3);
    EXPECT_EQ(name.units, 1);
    EXPECT_EQ(name.sum, 'A' + 'B' + 'C');
    EXPECT_EQ(std::memcmp(name.name, "ABC\0", 4), 0);
    EXPECT_EQ(orvik::NormalizeArchiveName(&archive, "abcd", &name), 4);
    EXPECT_EQ(name.units, 2);  // at least one 0 byte follows
    // 0x82 0x61 is a two-byte character whose trail byte is "a": it stays.
    const char twoByte[] = {'\x82', 'a', 'b', 0};
    EXPECT_EQ(orvik::NormalizeArchiveName(&archive, twoByte, &name), 3);
    EXPECT_EQ(std::memcmp(name.name, "\x82" "aB", 3), 0);
    EXPECT_EQ(name.sum, 0x82 + 'a' + 'B');  // bytes summed unsigned
    // A trail byte of 0x5C is no separator.
    const char yen[] = {'\x95', '\x5C', 'x', '/', 'y', 0};
    EXPECT_EQ(orvik::NormalizeArchiveName(&archive, yen, &name), 3);
    EXPECT_EQ(orvik::NormalizeArchiveName(&archive, std::string(1023, 'a').c_str(), &name), 1023);
    EXPECT_EQ(orvik::NormalizeArchiveName(&archive, std::string(1024, 'a').c_str(), &name), -1);
}

TEST(ArchiveNames, TwoByteNamesMatchByteForByte) {
    FixtureDir root;
    const std::string kanji = "\x95\x5C" "a.txt";  // two-byte character with a "\" trail byte
    root.files.push_back({kanji, Bytes("kanji")});
    root.files.push_back({"\x82\x61.txt", Bytes("lower-trail")});
    FixtureOptions options;
    options.version = 4;
    options.codePage = 932;
    const auto image = BuildFixture(root, options);
    ArchiveObject archive{};
    ASSERT_EQ(orvik::OpenArchiveFromMemory(&archive, image.data(), image.size(), nullptr), 0);
    EXPECT_EQ(ReadEntry(&archive, ("\x95\x5C" "A.TXT")), "kanji");
    EXPECT_EQ(ReadEntry(&archive, "\x82\x61.TXT"), "lower-trail");
    EXPECT_EQ(ReadEntry(&archive, "\x82\x41.txt"), "<missing>");  // the trail byte is not upper-cased
    orvik::CloseArchive(&archive);
}

// Offsets in the header block that point outside it, counts larger than the tables and
// names without their terminator are refused or cut, never followed.
TEST(ArchiveDamage, OutOfRangeOffsetsAreRefused) {
    FixtureOptions options;
    auto image = BuildFixture(SampleTree(true), options);
    uint8_t key[12];
    orvik::MakeArchiveKey(nullptr, key);
    auto patch32 = [&](std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i)) ^ key[(at + i) % 12];
    };
    auto read32 = [&](const std::vector<uint8_t>& bytes, size_t at) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(bytes[at + i] ^ key[(at + i) % 12]) << (8 * i);
        return v;
    };
    const uint32_t block = read32(image, 12), fileTable = read32(image, 16), dirTable = read32(image, 20);
    ArchiveObject archive{};

    auto broken = image;
    patch32(broken, 4, 0x7FFFFFF0);  // header block larger than the file
    EXPECT_EQ(orvik::OpenArchiveFromMemory(&archive, broken.data(), broken.size(), nullptr), -1);
    broken = image;
    patch32(broken, 20, 0xFFFFFFF8);  // directory table outside the block
    EXPECT_EQ(orvik::OpenArchiveFromMemory(&archive, broken.data(), broken.size(), nullptr), -1);

    broken = image;
    patch32(broken, block + dirTable + 8, 0xFFFFFFFF);      // root entry count
    patch32(broken, block + fileTable + 44 + 0, 0xFFFFFF00); // first entry's name offset
    patch32(broken, block + fileTable + 44 * 2 + 32, 0x7FFFFFFF);  // second entry's data
    ASSERT_EQ(orvik::OpenArchiveFromMemory(&archive, broken.data(), broken.size(), nullptr), 0);
    EXPECT_EQ(ReadEntry(&archive, "Title.bmp"), "<missing>");
    EXPECT_EQ(ReadEntry(&archive, "abc.txt"), "<range>");
    EXPECT_EQ(ReadEntry(&archive, "Sound/Shot01.wav"), "pew");
    EXPECT_EQ(ReadEntry(&archive, "zzz"), "<missing>");
    orvik::CloseArchive(&archive);
}

}  // namespace
