#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "../support/bounded_wait.h"
#include "../support/deep_directory.h"
#include "../support/temp_log.h"
#include "archive_files_fixture.h"
#include "engine/platform/archive/archive_files_state.h"
#include "engine/platform/files/file_access.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/files/plain_file.h"
#include "temp_dir.h"

namespace {

using namespace files_test;
using namespace orvik;

TEST_F(ArchiveFilesTest, ADirectoryIsReplacedByItsArchive) {
    dir.Write("Data01.dat", GameArchive());
    const FileAccessHandle title = FileAccessOpen("Data01/VRX_Title.bmp", 0, 1, 0);
    ASSERT_NE(title, 0);
    EXPECT_EQ(static_cast<uintptr_t>(title) & 0xF0000000u, 0xF0000000u);
    EXPECT_EQ(OpenArchiveCount(), 1);
    ASSERT_NE(ArchiveTableSlot(0), nullptr);
    EXPECT_EQ(ArchiveTableSlot(0)->references, 1);
    // The next path under Data01 goes through the remembered match.
    const std::string prefix = UpperCaseAscii(dir.Path(), 1) + "/DATA01";
    EXPECT_EQ(ArchiveFiles().cachedPrefix, prefix);
    const FileAccessHandle shot = FileAccessOpen("Data01\\sound\\SHOT01.WAV", 0, 1, 0);
    ASSERT_NE(shot, 0);
    EXPECT_EQ(OpenArchiveCount(), 1);
    EXPECT_EQ(ArchiveTableSlot(0)->references, 2);
    char buffer[16] = {};
    EXPECT_EQ(FileAccessRead(buffer, 1, sizeof(buffer), shot), 3u);
    EXPECT_STREQ(buffer, "pew");
    EXPECT_EQ(FileAccessRead(buffer, 5, 1, title), 1u);
    EXPECT_EQ(std::string(buffer, 5), "title");
    EXPECT_EQ(FileAccessClose(shot), 0);
    EXPECT_EQ(FileAccessClose(title), 0);
    EXPECT_EQ(ArchiveTableSlot(0)->references, 0);
    EXPECT_EQ(OpenArchiveCount(), 1);  // stays open until released
    EXPECT_EQ(ReleaseUnusedArchives(), 0);
    EXPECT_EQ(OpenArchiveCount(), 0);
    EXPECT_EQ(FileAccessClose(title), -1);
}

TEST_F(ArchiveFilesTest, StoredAndPackedFilesReadAlikeIncludingAsynchronously) {
    dir.Write("Data01.dat", GameArchive());
    EXPECT_EQ(ReadAll("Data01/packed.txt"), "abcabcabcabc");
    EXPECT_EQ(ReadAll((dir.Path() + "/data01/./Sound/../packed.txt").c_str()), "abcabcabcabc");
    for (const char* name : {"Data01/packed.txt", "Data01/VRX_Title.bmp"}) {
        const FileAccessHandle file = FileAccessOpen(name, 0, 1, 1);
        ASSERT_NE(file, 0);
        char buffer[16] = {};
        EXPECT_EQ(FileAccessRead(buffer, 1, 5, file), 5u);
        EXPECT_TRUE(orvik_test::WaitUntil([&] { return FileAccessIdleCheck(file) == 1; }));
        EXPECT_EQ(std::string(buffer, 5), std::string(name).find("packed") != std::string::npos ? "abcab" : "title");
        EXPECT_EQ(FileAccessTell(file), 5);
        EXPECT_EQ(FileAccessClose(file), 0);
    }
}

// An archive's offsets are 32-bit unsigned: one whose files lie past 2 GB (written
// sparse, so the test costs no disk) reads like any other, while the same file opened
// as a program's own plain file is refused, as its signed positions could not report it.
TEST_F(ArchiveFilesTest, AnArchiveLargerThanTwoGigabytesReadsItsFilesPastTheMark) {
    std::vector<uint8_t> archive = GameArchive();
    uint8_t key[12];
    MakeArchiveKey("tnqwplx", key);
    uint32_t dataStart = 0;
    for (int i = 0; i < 4; ++i) dataStart |= uint32_t(archive[8 + i] ^ key[(8 + i) % 12]) << (8 * i);
    // A whole number of key cycles, so the moved bytes keep their cipher.
    constexpr uint32_t kShift = 12u * 178956971u;  // 2 GB and 4 bytes
    const uint32_t moved = dataStart + kShift;
    for (int i = 0; i < 4; ++i) archive[8 + i] = uint8_t(moved >> (8 * i)) ^ key[(8 + i) % 12];
    dir.Write("Data01.dat", archive);
    {
        std::fstream file(dir.Path() + "/Data01.dat", std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(std::streamoff(moved));
        file.write(reinterpret_cast<const char*>(archive.data() + dataStart), std::streamsize(archive.size() - dataStart));
        ASSERT_TRUE(file.good());
    }
    EXPECT_EQ(ReadAll("Data01/packed.txt"), "abcabcabcabc");
    EXPECT_EQ(ReadAll("Data01/Sound/Shot01.wav"), "pew");
    const FileAccessHandle file = FileAccessOpen("Data01/hundred.bin", 0, 1, 1);
    ASSERT_NE(file, 0);
    ASSERT_EQ(FileAccessSeek(file, 90, 0), 0);
    uint8_t tail[10] = {};
    EXPECT_EQ(FileAccessRead(tail, 1, 10, file), 10u);
    EXPECT_TRUE(orvik_test::WaitUntil([&] { return FileAccessIdleCheck(file) == 1; }));
    const std::vector<uint8_t> hundred = PatternBytes(100);
    EXPECT_EQ(std::vector<uint8_t>(tail, tail + 10), std::vector<uint8_t>(hundred.begin() + 90, hundred.end()));
    EXPECT_EQ(FileAccessClose(file), 0);

    // Past 4 GB its 32-bit offsets no longer reach every byte: the archive is refused.
    ASSERT_EQ(CloseUnusedArchives(), 0);
    std::filesystem::resize_file(dir.Path() + "/Data01.dat", (uint64_t{1} << 32) + 1);
    orvik_test::TempLog log;
    EXPECT_EQ(FileAccessOpen("Data01/packed.txt", 0, 1, 0), 0);
    EXPECT_NE(log.Read().find("ファイルが大きすぎます"), std::string::npos) << log.Read();
}


// Archives are found from a working directory deeper than the old 260-byte paths.
TEST_F(ArchiveFilesTest, ArchivesAreFoundFromAVeryDeepWorkingDirectory) {
    const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e') + "/" + std::string(40, 'f');
    dir.Write(deep + "/Data01.dat", GameArchive());
    ScopedCurrentDir inside(dir / deep);
    ASSERT_TRUE(inside.ok());
    ASSERT_GT((dir / deep).size(), 259u);
    EXPECT_EQ(ReadAll("Data01/VRX_Title.bmp"), "title");
    EXPECT_EQ(ReadAll("Data01/packed.txt"), "abcabcabcabc");
    ASSERT_EQ(OpenArchiveCount(), 1);
    EXPECT_EQ(ArchiveTableSlot(0)->path, dir / deep + "/Data01.dat");
}

// The current directory is taken as the system names it: a "\\" in its name is no
// separator, and a path longer than the system takes whole still reaches its archives.
TEST_F(ArchiveFilesTest, ArchivesAreFoundFromADirectoryNamedWithABackslashOrDeeperThanAPathHolds) {
    dir.Write("back\\slash/Data01.dat", GameArchive());
    {
        ScopedCurrentDir inside(dir / "back\\slash");
        ASSERT_TRUE(inside.ok());
        EXPECT_EQ(ReadAll("Data01/VRX_Title.bmp"), "title");
    }
    const orvik_test::DeepCurrentDirectory deep(24);
    ASSERT_GT(CurrentDirectoryPath().size(), 4096u);
    const std::vector<uint8_t> archive = GameArchive();
    std::ofstream("Data01.dat", std::ios::binary).write(reinterpret_cast<const char*>(archive.data()),
                                                        std::streamsize(archive.size()));
    EXPECT_EQ(ReadAll("Data01/packed.txt"), "abcabcabcabc");
}

TEST_F(ArchiveFilesTest, ArchiveNamesAreFoundWhateverTheirCase) {
    dir.Write("DATA01.DAT", GameArchive());
    EXPECT_EQ(ReadAll("Data01/VRX_Title.bmp"), "title");
    ResetArchiveFiles();
    SetArchiveExtension("DaT");
    SetArchiveKeyString("tnqwplx");
    EXPECT_EQ(ReadAll("data01/vrx_title.BMP"), "title");
}

// Prefixes are tried shortest first; the file's own name is never taken for an archive.
TEST_F(ArchiveFilesTest, ShorterPrefixesComeFirstAndTheLastElementIsNeverTried) {
    FixtureDir outer;
    FixtureDir b("b");
    b.files.push_back({"c.txt", Bytes("outer")});
    outer.dirs.push_back(b);
    FixtureDir inner;
    inner.files.push_back({"c.txt", Bytes("inner")});
    FixtureOptions options;
    options.keyString = "tnqwplx";
    dir.Write("a.dat", BuildFixture(outer, options));
    dir.Write("a/b.dat", BuildFixture(inner, options));
    EXPECT_EQ(ReadAll("a/b/c.txt"), "outer");
    char archivePath[256], innerPath[260];
    int index = -1;
    ASSERT_EQ(FindArchiveForPath("a/b/c.txt", &index, archivePath, innerPath), 0);
    EXPECT_EQ(std::string(archivePath), dir.Path() + "/a.dat");
    EXPECT_EQ(std::string(innerPath), "b/c.txt");
    ReleaseArchiveReference(index);

    // The match is remembered: a shorter archive made later does not take over paths
    // under the remembered prefix until the cache points elsewhere.
    ResetArchiveFiles();
    SetArchiveExtension("dat");
    SetArchiveKeyString("tnqwplx");
    std::filesystem::rename(dir / "a.dat", dir / "hidden.dat");
    EXPECT_EQ(ReadAll("a/b/c.txt"), "inner");
    std::filesystem::rename(dir / "hidden.dat", dir / "a.dat");
    EXPECT_EQ(ReadAll("a/b/c.txt"), "inner");
    EXPECT_EQ(ReadAll("a/b.dat/../b/c.txt"), "inner");

    dir.Write("x.dat", GameArchive());
    EXPECT_EQ(ReadAll("x"), "<open failed>");
    EXPECT_EQ(ReadAll("x.dat").size(), GameArchive().size());  // read as a plain file
}

TEST_F(ArchiveFilesTest, AFileMissingFromItsArchiveIsNotTakenFromDisk) {
    orvik_test::TempLog log;
    dir.Write("Data01.dat", GameArchive());
    dir.Write("Data01/other.txt", "on disk");
    EXPECT_EQ(FileAccessOpen("Data01/other.txt", 0, 1, 0), 0);
    EXPECT_NE(log.Read().find("ＯＫＶファイルの中に指定のファイルは見つかりませんでした"), std::string::npos);
    EXPECT_EQ(ArchiveTableSlot(0)->references, 0);  // the reference was given back
    EXPECT_EQ(OpenFileCount(), 0);
    EXPECT_EQ(ReadAll("Data02/none.txt"), "<open failed>");
}

// The packed stream's head must agree with the entry: the same packed size and the same
// unpacked size; a stream that claims more than its codes can make is refused before any
// memory is taken for it.
TEST_F(ArchiveFilesTest, PackedFilesThatDisagreeWithTheirEntryAreRefused) {
    orvik_test::TempLog log;
    FixtureDir root;
    auto shortHead = kPackedAbc;
    shortHead[4] = static_cast<uint8_t>(shortHead[4] - 1);
    root.files.push_back({"head_packed.txt", Bytes("abcabcabcabc"), shortHead});
    root.files.push_back({"head_size.txt", Bytes("abc"), kPackedAbc});
    auto huge = kPackedAbc;
    huge[3] = 0x7F;  // unpacked size far beyond what six code bytes can make
    root.files.push_back({"huge.txt", std::vector<uint8_t>(3), huge});
    root.files.push_back({"good.txt", Bytes("abcabcabcabc"), kPackedAbc});
    FixtureOptions options;
    options.keyString = "tnqwplx";
    dir.Write("Data01.dat", BuildFixture(root, options));
    EXPECT_EQ(FileAccessOpen("Data01/head_packed.txt", 0, 1, 0), 0);
    EXPECT_EQ(FileAccessOpen("Data01/head_size.txt", 0, 1, 0), 0);
    EXPECT_EQ(FileAccessOpen("Data01/huge.txt", 0, 1, 0), 0);
    EXPECT_NE(log.Read().find("ＯＫＶファイルの中のデータが壊れています"), std::string::npos);
    EXPECT_EQ(ReadAll("Data01/good.txt"), "abcabcabcabc");
    EXPECT_EQ(ArchiveTableSlot(0)->references, 0);
    EXPECT_EQ(OpenFileCount(), 0);
}

TEST_F(ArchiveFilesTest, FiveHundredTwelveFilesAtOnce) {
    orvik_test::TempLog log;
    dir.Write("Data01.dat", GameArchive());
    std::vector<FileAccessHandle> handles;
    for (int i = 0; i < kMaxOpenFiles; ++i) {
        handles.push_back(FileAccessOpen("Data01/VRX_Title.bmp", 0, 1, 0));
        ASSERT_NE(handles.back(), 0) << i;
    }
    EXPECT_EQ(ArchiveTableSlot(0)->references, kMaxOpenFiles);
    EXPECT_EQ(FileAccessOpen("Data01/VRX_Title.bmp", 0, 1, 0), 0);
    EXPECT_NE(log.Read().find("同時に開けるファイルの数が限界を超えました"), std::string::npos);
    EXPECT_EQ(ArchiveTableSlot(0)->references, kMaxOpenFiles);
    EXPECT_EQ(FileAccessClose(handles[100]), 0);
    EXPECT_EQ(FileAccessOpen("Data01/VRX_Title.bmp", 0, 1, 0), handles[100]);
}

TEST_F(ArchiveFilesTest, HandlesOutsideTheTableAreRefused) {
    dir.Write("plain.txt", "abc");
    const FileAccessHandle plain = PlainFileOpen("plain.txt", 0, 1, 0);
    ASSERT_NE(plain, 0);
    char buffer[4];
    for (FileAccessHandle bad : {FileAccessHandle{0xF0000000u | 512u}, FileAccessHandle{0xF0000000u | 0x0FFFFFFFu},
                                 FileAccessHandle{0xF0000000u}, FileAccessHandle{5}, plain}) {
        EXPECT_EQ(FileAccessRead(buffer, 1, 4, bad), 0u);
        EXPECT_EQ(FileAccessSeek(bad, 0, 0), -1);
        EXPECT_EQ(FileAccessTell(bad), -1);
        EXPECT_EQ(FileAccessEof(bad), -1);
        EXPECT_EQ(FileAccessIdleCheck(bad), -1);
        EXPECT_EQ(FileAccessClose(bad), -1);
    }
    EXPECT_EQ(PlainFileClose(plain), 0);
}

TEST_F(ArchiveFilesTest, ReadsInsideAnArchiveCountWholeElementsAndSeeksClamp) {
    dir.Write("Data01.dat", GameArchive());
    const auto expected = PatternBytes(100);
    const FileAccessHandle file = FileAccessOpen("Data01/hundred.bin", 0, 1, 0);
    ASSERT_NE(file, 0);
    std::vector<uint8_t> buffer(100, 0);
    ASSERT_EQ(FileAccessSeek(file, 60, 0), 0);
    // One element of 100 bytes with 40 left: the 40 bytes are copied, no element counted.
    EXPECT_EQ(FileAccessRead(buffer.data(), 100, 1, file), 0u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 40, expected.begin() + 60));
    EXPECT_EQ(FileAccessTell(file), 100);
    EXPECT_EQ(FileAccessEof(file), 0);
    EXPECT_EQ(FileAccessRead(buffer.data(), 1, 1, file), 0u);
    EXPECT_EQ(FileAccessEof(file), -1);
    EXPECT_EQ(FileAccessSeek(file, 1000, 0), 0);
    EXPECT_EQ(FileAccessTell(file), 100);
    EXPECT_EQ(FileAccessEof(file), 0);
    EXPECT_EQ(FileAccessSeek(file, -1000, 1), 0);
    EXPECT_EQ(FileAccessTell(file), 0);
    EXPECT_EQ(FileAccessSeek(file, -10, 2), 0);
    EXPECT_EQ(FileAccessRead(buffer.data(), 0, 5, file), 0u);
    EXPECT_EQ(FileAccessRead(buffer.data(), 2, SIZE_MAX / 2, file), 5u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 10, expected.begin() + 90));
    EXPECT_EQ(FileAccessClose(file), 0);
}

std::vector<std::string> Search(const char* pattern) {
    std::vector<std::string> names;
    FileFindRecord record{};
    const FileFindHandle find = ActiveFileAccessFunctions().findFirst(pattern, &record);
    if (find == -1) return names;
    do {
        names.push_back(std::string(record.name) + (record.directory ? "/" : ""));
    } while (ActiveFileAccessFunctions().findNext(find, &record) == 0);
    EXPECT_EQ(ActiveFileAccessFunctions().findClose(find), 0);
    return names;
}

TEST_F(ArchiveFilesTest, SearchesInsideArchivesListDotsThenEntriesInTableOrder) {
    dir.Write("Data01.dat", GameArchive());
    using Names = std::vector<std::string>;
    EXPECT_EQ(Search("Data01/*"),
              (Names{"./", "VRX_Title.bmp", "A.B.bmp", "packed.txt", "hundred.bin", "c.BMP", "Sound/"}));
    EXPECT_EQ(Search("Data01/sound/*"), (Names{"./", "../", "Shot01.wav"}));
    EXPECT_EQ(Search("Data01/*.BMP"), (Names{"VRX_Title.bmp", "A.B.bmp", "c.BMP"}));
    EXPECT_EQ(Search("Data01/?.bmp"), (Names{"c.BMP"}));
    EXPECT_EQ(Search("Data01/*.wav"), Names{});
    EXPECT_EQ(Search("Data01/Nope/*"), Names{});
    EXPECT_EQ(ArchiveTableSlot(0)->references, 0);  // every search gave its reference back
    FileFindRecord record{};
    const FileFindHandle find = ActiveFileAccessFunctions().findFirst("Data01/hundred.*", &record);
    ASSERT_NE(find, -1);
    EXPECT_EQ(record.sizeLow, 100u);
    EXPECT_EQ(record.sizeHigh, 0u);
    EXPECT_EQ(ActiveFileAccessFunctions().findNext(find, &record), -1);
    EXPECT_EQ(ActiveFileAccessFunctions().findClose(find), 0);
    EXPECT_EQ(ActiveFileAccessFunctions().findClose(find), -1);
    // Without an archive the disk is searched.
    dir.Write("Data02/z.txt", "z");
    EXPECT_EQ(Search("Data02/*.TXT"), Names{"z.txt"});
}

TEST_F(ArchiveFilesTest, PlainAccessIgnoresArchivesAndACallersTableIsKept) {
    dir.Write("Data01.dat", GameArchive());
    dir.Write("Data01/VRX_Title.bmp", "plain title");
    EXPECT_EQ(IsBuiltinFileAccessSet(), 1);
    EXPECT_EQ(SetArchiveAccess(0), 0);
    EXPECT_EQ(ReadAll("Data01/VRX_Title.bmp"), "plain title");
    EXPECT_EQ(SetArchiveAccess(1), 0);
    EXPECT_EQ(ReadAll("Data01/VRX_Title.bmp"), "title");

    FileAccessFunctions own = PlainFileAccessSet();
    own.idleCheck = [](FileAccessHandle) { return 7; };
    EXPECT_EQ(SetFileAccessFunctions(&own), 0);
    EXPECT_EQ(IsBuiltinFileAccessSet(), 1);  // the idle check is not compared
    own.eof = [](FileAccessHandle) { return 9; };
    EXPECT_EQ(SetFileAccessFunctions(&own), 0);
    EXPECT_EQ(IsBuiltinFileAccessSet(), 0);
    EXPECT_EQ(SetArchiveAccess(0), 0);
    EXPECT_EQ(FileAccessEof(0), 9);  // a caller's own table is left alone
    own.read = nullptr;
    EXPECT_EQ(SetFileAccessFunctions(&own), -1);
    EXPECT_EQ(SetFileAccessFunctions(nullptr), 0);
    EXPECT_EQ(ActiveFileAccessFunctions().open, PlainFileAccessSet().open);
}

TEST_F(ArchiveFilesTest, SettingsAndPathNormalising) {
    EXPECT_STREQ(ArchiveExtension(), "dat");
    SetArchiveExtension(std::string(64, 'e').c_str());
    EXPECT_STREQ(ArchiveExtension(), "OKV");
    SetArchiveExtension("");
    EXPECT_STREQ(ArchiveExtension(), "OKV");
    SetArchiveKeyString("0123456789abcdef");
    EXPECT_STREQ(ArchiveKeyString(), "0123456789ab");
    SetArchiveKeyString(nullptr);
    EXPECT_EQ(ArchiveKeyString(), nullptr);
    char out[kFilePathMax];
    ASSERT_EQ(NormalizeArchivePath("sub/./x/../File.bmp", out), 0);
    EXPECT_EQ(std::string(out), UpperCaseAscii(dir.Path(), 1) + "/SUB/FILE.BMP");
    EXPECT_EQ(NormalizeArchivePath(std::string(300, 'q').c_str(), out), -1);
    EXPECT_EQ(FileAccessOpen(std::string(300, 'q').c_str(), 0, 1, 0), 0);
}

}  // namespace
