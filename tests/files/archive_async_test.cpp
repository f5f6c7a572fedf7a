// Asynchronous reads of archived files, and threads reading files of one archive: the
// archive file is one file shared by every read of its files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "../support/bounded_wait.h"
#include "../support/temp_log.h"
#include "archive_files_fixture.h"

namespace {

using namespace files_test;
using namespace orvik;

// The archive file is shared: an asynchronous read still running on it is finished
// before another file of the archive reads, not taken for a short read and dropped.
TEST_F(ArchiveFilesTest, AnAsynchronousReadSurvivesAnotherFileOfTheSameArchive) {
    dir.Write("Data01.dat", GameArchive());
    const FileAccessHandle packed = FileAccessOpen("Data01/packed.txt", 0, 1, 1);
    ASSERT_NE(packed, 0);
    EXPECT_EQ(ReadAll("Data01/hundred.bin").size(), 100u);
    char buffer[16] = {};
    EXPECT_EQ(FileAccessRead(buffer, 1, 12, packed), 12u);
    EXPECT_EQ(std::string(buffer, 12), "abcabcabcabc");

    const FileAccessHandle title = FileAccessOpen("Data01/VRX_Title.bmp", 0, 1, 1);
    ASSERT_NE(title, 0);
    EXPECT_EQ(FileAccessRead(buffer, 1, 5, title), 5u);
    const FileAccessHandle again = FileAccessOpen("Data01/packed.txt", 0, 1, 1);
    ASSERT_NE(again, 0);
    EXPECT_TRUE(orvik_test::WaitUntil([&] { return FileAccessIdleCheck(title) == 1; }));
    EXPECT_EQ(std::string(buffer, 5), "title");
    EXPECT_EQ(FileAccessRead(buffer, 1, 3, again), 3u);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    for (FileAccessHandle file : {packed, title, again}) EXPECT_EQ(FileAccessClose(file), 0);
}

// An archive file that shrank after it was opened: the asynchronous read of a packed
// file at its end comes in short, which the log says, and the file reads as what the
// codes that arrived unpack to.
TEST_F(ArchiveFilesTest, AShortAsynchronousReadOfAPackedFileKeepsWhatArrived) {
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    FixtureDir root;
    root.files.push_back({"first.txt", Bytes("first")});
    root.files.push_back({"last.txt", Bytes(letters), LzStream(26, 0xF0, Bytes(letters))});
    FixtureOptions options;
    options.keyString = "tnqwplx";
    options.headerBlockAtEnd = false;  // the packed file's codes end the archive
    options.padding = 0;
    const std::string path = dir.Write("Data01.dat", BuildFixture(root, options));
    EXPECT_EQ(ReadAll("Data01/first.txt"), "first");
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 10);
    orvik_test::TempLog log;
    const FileAccessHandle file = FileAccessOpen("Data01/last.txt", 0, 1, 1);
    ASSERT_NE(file, 0);
    char buffer[32] = {};
    EXPECT_EQ(FileAccessRead(buffer, 1, sizeof buffer, file), 16u);
    EXPECT_EQ(std::string(buffer), letters.substr(0, 16));
    EXPECT_NE(log.Read().find("ＯＫＶファイルの読み込みに失敗しました"), std::string::npos);
    EXPECT_EQ(FileAccessClose(file), 0);
}

// Two threads reading files of one archive: a 64 KB "movie.ogv" and "sound.ogg" of their
// own patterns, and one read of a file at a random place.
class ArchiveThreadsTest : public ArchiveFilesTest {
protected:
    void SetUp() override {
        ArchiveFilesTest::SetUp();
        FixtureDir root;
        root.files.push_back({"movie.ogv", movie});
        root.files.push_back({"sound.ogg", sound});
        FixtureOptions options;
        options.keyString = "tnqwplx";
        dir.Write("Data01.dat", BuildFixture(root, options));
    }
    // Reads got.size() bytes of the file at the next place `seed` gives; whether they are
    // the file's bytes there. `wait`: until an asynchronous read is in.
    static bool ReadsRight(FileAccessHandle file, const std::vector<uint8_t>& want, uint32_t& seed,
                           std::vector<uint8_t>& got, bool wait = false) {
        seed = seed * 1103515245u + 12345u;
        const size_t at = (seed >> 8) % (want.size() - got.size());
        FileAccessSeek(file, int32_t(at), 0);
        const size_t n = FileAccessRead(got.data(), 1, got.size(), file);
        if (wait && !orvik_test::WaitUntil([&] { return FileAccessIdleCheck(file) == 1; })) return false;
        return n == got.size() && std::equal(got.begin(), got.end(), want.begin() + ptrdiff_t(at));
    }
    const std::vector<uint8_t> movie = PatternBytes(65536, 7), sound = PatternBytes(65536, 9);
};

// A Theora movie's decode thread reads its file out of the archive while another thread
// (the stream refill of the movie's own sound track) reads another file of it. Each read
// is a seek and a read of the one archive file: neither thread's seek may move the
// other's read.
TEST_F(ArchiveThreadsTest, TwoThreadsReadingFilesOfOneArchiveEachGetTheirOwnBytes) {
    const FileAccessHandle movieFile = FileAccessOpen("Data01/movie.ogv", 0, 1, 0);
    const FileAccessHandle soundFile = FileAccessOpen("Data01/sound.ogg", 0, 1, 0);
    ASSERT_NE(movieFile, 0);
    ASSERT_NE(soundFile, 0);
    // Reads 4 KB at 300 places through the file; the count of reads that came out wrong.
    auto wrongReads = [](FileAccessHandle file, const std::vector<uint8_t>& want, uint32_t seed) {
        std::vector<uint8_t> got(4096);
        int wrong = 0;
        for (int i = 0; i < 300; ++i) wrong += !ReadsRight(file, want, seed, got);
        return wrong;
    };
    int soundWrong = 0;
    std::thread refill([&] { soundWrong = wrongReads(soundFile, sound, 3); });
    const int movieWrong = wrongReads(movieFile, movie, 5);
    refill.join();
    EXPECT_EQ(movieWrong, 0);
    EXPECT_EQ(soundWrong, 0);
    EXPECT_EQ(FileAccessClose(movieFile), 0);
    EXPECT_EQ(FileAccessClose(soundFile), 0);
}

// Asynchronous reads on one thread while another thread reads another file of the same
// archive: the other thread finishes a read still running before its own, and neither
// takes the other's read for its own, so every read gets its own bytes.
TEST_F(ArchiveThreadsTest, AsynchronousReadsBesideAnotherThreadsReadsOfOneArchiveGetTheirOwnBytes) {
    const FileAccessHandle soundFile = FileAccessOpen("Data01/sound.ogg", 0, 1, 0);
    ASSERT_NE(soundFile, 0);
    std::atomic<bool> done{false};
    int soundWrong = 0;
    std::thread refill([&] {
        std::vector<uint8_t> got(2048);
        for (uint32_t seed = 3; !done;) soundWrong += !ReadsRight(soundFile, sound, seed, got);
    });
    int movieWrong = 0;
    std::vector<uint8_t> got(4096);
    for (uint32_t i = 0, seed = 5; i < 200; ++i) {
        const FileAccessHandle file = FileAccessOpen("Data01/movie.ogv", 0, 1, 1);
        if (file == 0) {
            ADD_FAILURE() << "open " << i;  // and the reader thread is still joined
            break;
        }
        movieWrong += !ReadsRight(file, movie, seed, got, true);
        EXPECT_EQ(FileAccessClose(file), 0);
    }
    done = true;
    refill.join();
    EXPECT_EQ(movieWrong, 0);
    EXPECT_EQ(soundWrong, 0);
    EXPECT_EQ(FileAccessClose(soundFile), 0);
}

}  // namespace
