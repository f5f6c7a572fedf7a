#include <gtest/gtest.h>

#include <cstring>

#include "../support/bounded_wait.h"
#include "../support/deep_directory.h"
#include "../support/temp_log.h"
#include "engine/platform/archive/archive_files.h"
#include "engine/platform/files/file_access.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/files/plain_file.h"
#include "temp_dir.h"

namespace {

using namespace orvik;
using files_test::PatternBytes;
using files_test::ScopedCurrentDir;
using files_test::TempDir;

struct PlainCase {
    int cache;
    int async;
};

class PlainFileTest : public ::testing::TestWithParam<PlainCase> {
protected:
    FileAccessHandle Open(const std::string& path) {
        return PlainFileOpen(path.c_str(), GetParam().cache, 1, GetParam().async);
    }
    // With the asynchronous flag the data is there once the file is idle.
    size_t Read(void* buffer, size_t size, size_t count, FileAccessHandle file) {
        const size_t got = PlainFileRead(buffer, size, count, file);
        EXPECT_TRUE(orvik_test::WaitUntil([&] { return PlainFileIdleCheck(file) == 1; }));
        return got;
    }
    TempDir dir;
};

TEST_P(PlainFileTest, ReadsWholeElementsAndSetsTheEndFlagAtTheEnd) {
    const auto data = PatternBytes(1000);
    const FileAccessHandle file = Open(dir.Write("a.bin", data));
    ASSERT_NE(file, 0);
    std::vector<uint8_t> buffer(1200, 0);
    EXPECT_EQ(Read(buffer.data(), 300, 3, file), 3u);
    EXPECT_EQ(std::memcmp(buffer.data(), data.data(), 900), 0);
    // 100 bytes left: a 300-byte element does not fit and is not read.
    EXPECT_EQ(Read(buffer.data(), 300, 1, file), 0u);
    EXPECT_EQ(PlainFileEof(file), -1);
    EXPECT_EQ(PlainFileTell(file), 900);
    EXPECT_EQ(PlainFileSeek(file, 0, 1), 0);
    EXPECT_EQ(PlainFileEof(file), 0);
    EXPECT_EQ(Read(buffer.data(), 30, 10, file), 3u);
    EXPECT_EQ(std::memcmp(buffer.data(), data.data() + 900, 90), 0);
    EXPECT_EQ(PlainFileTell(file), 990);
    EXPECT_EQ(PlainFileClose(file), 0);
}

TEST_P(PlainFileTest, SeeksPastEitherEndAreClamped) {
    const auto data = PatternBytes(64);
    const FileAccessHandle file = Open(dir.Write("b.bin", data));
    ASSERT_NE(file, 0);
    EXPECT_EQ(PlainFileSeek(file, 1000, 0), 0);
    EXPECT_EQ(PlainFileTell(file), 64);
    uint8_t buffer[16];
    EXPECT_EQ(Read(buffer, 1, 16, file), 0u);
    EXPECT_EQ(PlainFileEof(file), -1);
    EXPECT_EQ(PlainFileSeek(file, -100, 2), 0);
    EXPECT_EQ(PlainFileTell(file), 0);
    EXPECT_EQ(PlainFileSeek(file, -8, 2), 0);
    EXPECT_EQ(Read(buffer, 8, 1, file), 1u);
    EXPECT_EQ(std::memcmp(buffer, data.data() + 56, 8), 0);
    EXPECT_EQ(PlainFileClose(file), 0);
}

TEST_P(PlainFileTest, ElementSizeZeroAndOverflowingCountsAreSafe) {
    const auto data = PatternBytes(40);
    const FileAccessHandle file = Open(dir.Write("c.bin", data));
    ASSERT_NE(file, 0);
    uint8_t buffer[40];
    EXPECT_EQ(Read(buffer, 0, 5, file), 0u);
    EXPECT_EQ(Read(buffer, 8, SIZE_MAX / 2, file), 5u);
    EXPECT_EQ(std::memcmp(buffer, data.data(), 40), 0);
    EXPECT_EQ(PlainFileClose(file), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, PlainFileTest,
                         ::testing::Values(PlainCase{0, 0}, PlainCase{1, 0}, PlainCase{0, 1},
                                           PlainCase{1, 1}),
                         [](const auto& info) {
                             return std::string(info.param.cache ? "Cache" : "NoCache") +
                                    (info.param.async ? "Async" : "Sync");
                         });

// Sequential reads are served from what the thread read ahead while it waited; a read
// elsewhere bypasses the cache. Either way the bytes are those of the file.
TEST(PlainFileCache, ReadAheadGivesTheSameBytesAsAPlainRead) {
    TempDir dir;
    const auto data = PatternBytes(300000, 7);
    const std::string path = dir.Write("big.bin", data);
    const FileAccessHandle cached = PlainFileOpen(path.c_str(), 1, 1, 0);
    const FileAccessHandle plain = PlainFileOpen(path.c_str(), 0, 1, 0);
    ASSERT_NE(cached, 0);
    ASSERT_NE(plain, 0);
    std::vector<uint8_t> a(5000), b(5000);
    ASSERT_EQ(PlainFileRead(a.data(), 1, 1000, cached), 1000u);
    ASSERT_TRUE(orvik_test::WaitUntil([&] { return PlainFileCachedBytes(cached) > 0; }));
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(PlainFileRead(a.data(), 1, 5000, cached), 5000u);
        ASSERT_EQ(PlainFileSeek(plain, PlainFileTell(cached) - 5000, 0), 0);
        ASSERT_EQ(PlainFileRead(b.data(), 1, 5000, plain), 5000u);
        ASSERT_EQ(a, b) << "read " << i;
    }
    ASSERT_EQ(PlainFileSeek(cached, 250000, 0), 0);
    ASSERT_EQ(PlainFileRead(a.data(), 1, 5000, cached), 5000u);
    EXPECT_EQ(std::memcmp(a.data(), data.data() + 250000, 5000), 0);
    // Past the end of the file the cache holds only what exists.
    ASSERT_TRUE(orvik_test::WaitUntil([&] { return PlainFileCachedBytes(cached) == 300000 - 255000; }));
    ASSERT_EQ(PlainFileRead(a.data(), 1, 5000, cached), 5000u);
    EXPECT_EQ(std::memcmp(a.data(), data.data() + 255000, 5000), 0);
    EXPECT_EQ(PlainFileClose(cached), 0);
    EXPECT_EQ(PlainFileClose(plain), 0);
}

// A file that shrinks after it was opened: the read reports the bytes that really came.
TEST(PlainFile, ReadsReportWhatTheyReallyRead) {
    TempDir dir;
    const std::string path = dir.Write("shrinks.bin", PatternBytes(1000));
    for (int cache = 0; cache < 2; ++cache) {
        const FileAccessHandle file = PlainFileOpen(path.c_str(), cache, 1, 0);
        ASSERT_NE(file, 0);
        std::filesystem::resize_file(path, 10);
        std::vector<uint8_t> buffer(1000);
        EXPECT_EQ(PlainFileRead(buffer.data(), 1, 100, file), 10u) << "cache " << cache;
        EXPECT_EQ(PlainFileTell(file), 10);
        EXPECT_EQ(PlainFileRead(buffer.data(), 4, 10, file), 0u);
        EXPECT_EQ(PlainFileClose(file), 0);
        std::filesystem::resize_file(path, 1000);
    }
}

TEST(PlainFile, MissingFilesAndUnknownHandlesAreRefused) {
    TempDir dir;
    for (int flags = 0; flags < 4; ++flags)
        EXPECT_EQ(PlainFileOpen((dir / "none.bin").c_str(), flags & 1, 1, flags >> 1), 0);
    EXPECT_EQ(PlainFileOpen(dir.Path().c_str(), 0, 1, 0), 0);  // a directory
    PlainFileRecord fake{};
    const auto bogus = reinterpret_cast<FileAccessHandle>(&fake);
    uint8_t buffer[4];
    EXPECT_EQ(PlainFileRead(buffer, 1, 4, bogus), 0u);
    EXPECT_EQ(PlainFileSeek(bogus, 0, 0), -1);
    EXPECT_EQ(PlainFileClose(bogus), -1);
    EXPECT_EQ(PlainFileClose(0), -1);
    EXPECT_EQ(PlainFileOpenCount(), 0u);
}

TEST(PlainFile, AcceptsBackslashSeparators) {
    TempDir dir;
    dir.Write("sub/x.txt", "hello");
    std::string path = dir / "sub\\x.txt";
    const FileAccessHandle file = PlainFileOpen(path.c_str(), 0, 1, 0);
    ASSERT_NE(file, 0);
    char buffer[8] = {};
    EXPECT_EQ(PlainFileRead(buffer, 1, 5, file), 5u);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(PlainFileClose(file), 0);
}

TEST(MakeFullPath, ResolvesDotsAgainstTheBase) {
    char out[kFilePathMax];
    ASSERT_EQ(MakeFullPath("..\\a\\b.bmp", out, "/x/y"), 0);
    EXPECT_STREQ(out, "/x/a/b.bmp");
    ASSERT_EQ(MakeFullPath("./c//d/../e.txt", out, "/x/y/"), 0);
    EXPECT_STREQ(out, "/x/y/c/e.txt");
    ASSERT_EQ(MakeFullPath("/abs/./p", out, "/x/y"), 0);
    EXPECT_STREQ(out, "/abs/p");
    ASSERT_EQ(MakeFullPath("../../../..", out, "/x/y"), 0);  // never above the root
    EXPECT_STREQ(out, "/..");
    ASSERT_EQ(MakeFullPath("\\\\net\\share", out, "/x"), 0);
    EXPECT_STREQ(out, "/net/share");
    ASSERT_EQ(MakeFullPath(nullptr, out, "/x/y"), 0);
    EXPECT_STREQ(out, "/x/y");
    EXPECT_EQ(MakeFullPath(std::string(300, 'a').c_str(), out, "/x"), -1);
    EXPECT_STREQ(out, "");
}

// A current directory past the 260-byte query buffer is not cut short: both sets' query
// leaves the buffer empty and logs, and a full path against it is refused rather than
// made against an empty base (which would give "/name").
TEST(CurrentDirectory, DeeperThanTheQueryBufferIsRefusedNotTruncated) {
    orvik_test::TempLog log;
    TempDir dir;
    char buffer[kFilePathMax];
    {
        ScopedCurrentDir here(dir.Path());
        ASSERT_TRUE(here.ok());
        EXPECT_EQ(PlainGetCurrentDir(buffer), static_cast<int>(dir.Path().size()));
        EXPECT_EQ(buffer, dir.Path());
        EXPECT_EQ(GetCurrentDirWithArchive(buffer), 0);
        EXPECT_EQ(buffer, dir.Path());
        ASSERT_EQ(MakeFullPath("x.bmp", buffer, nullptr), 0);
        EXPECT_EQ(buffer, dir / "x.bmp");
    }
    const std::string deep = orvik_test::MakeDeepDirectory(dir.Path(), 300);
    ASSERT_FALSE(deep.empty());
    ScopedCurrentDir there(deep);
    ASSERT_TRUE(there.ok());
    EXPECT_EQ(CurrentDirectoryPath(), deep);
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(PlainGetCurrentDir(buffer), 0);
    EXPECT_STREQ(buffer, "");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetCurrentDirWithArchive(buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_NE(log.Read().find("カレントディレクトリのパスが長すぎます"), std::string::npos);
    EXPECT_EQ(MakeFullPath("x.bmp", buffer, nullptr), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_NE(log.Read().find("in MakeFullPath"), std::string::npos);
}

// 0x95 0x5C is one Shift-JIS character whose trail byte is "\": it is not a separator.
TEST(MakeFullPath, LeavesTrailBytesOfTwoByteCharactersAlone) {
    char out[kFilePathMax];
    const char path[] = {'d', '\\', '\x95', '\x5C', '.', 't', 'x', 't', 0};
    ASSERT_EQ(MakeFullPath(path, out, "/r"), 0);
    const char expected[] = {'/', 'r', '/', 'd', '/', '\x95', '\x5C', '.', 't', 'x', 't', 0};
    EXPECT_STREQ(out, expected);
}

TEST(PlainFind, ListsMatchesInNameOrderWithoutRegardToCase) {
    TempDir dir;
    dir.Write("b.BMP", "12");
    dir.Write("a.bmp", "1");
    dir.Write("c.txt", "123");
    dir.Write("A.B.bmp", "1234");
    FileFindRecord record{};
    const FileFindHandle find = PlainFindFirst((dir / "*.bmp").c_str(), &record);
    ASSERT_NE(find, -1);
    std::vector<std::string> names{record.name};
    while (PlainFindNext(find, &record) == 0) names.push_back(record.name);
    EXPECT_EQ(names, (std::vector<std::string>{"A.B.bmp", "a.bmp", "b.BMP"}));
    EXPECT_EQ(record.sizeLow, 2u);
    EXPECT_EQ(record.directory, 0);
    EXPECT_GE(record.lastWriteTime[0], 2000);
    EXPECT_EQ(PlainFindClose(find), 0);
    EXPECT_EQ(PlainFindClose(find), -1);
    EXPECT_EQ(PlainFindFirst((dir / "*.wav").c_str(), &record), -1);
}

}  // namespace
