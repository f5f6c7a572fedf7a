#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "../support/temp_log.h"
#include "engine/platform/files/file_access.h"
#include "engine/sound/core/sound_load.h"
#include "temp_dir.h"

namespace {

using namespace orvik;

constexpr int64_t kSize = int64_t{9} << 29;  // 4.5 GB
// Markers 2^31 apart, and one in the last four bytes.
constexpr int64_t kMarkers[] = {16, (int64_t{1} << 31) + 16, (int64_t{1} << 32) + 16, kSize - 4};

uint32_t Marker(int i) { return 0xA5A50000u + uint32_t(i); }

// A sparse file, so it costs no disk, with a 4-byte marker at each place above.
bool MakeLargeFile(const std::string& path) {
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool made = ftruncate(fd, kSize) == 0;
    for (int i = 0; i < 4; ++i) {
        const uint32_t value = Marker(i);
        made = made && pwrite(fd, &value, 4, kMarkers[i]) == 4;
    }
    return close(fd) == 0 && made;
}

// A program's own file past 4 GB reads through the 32-bit file interface: chained
// relative seeks reach every byte, the position is told while it fits and -1 (logged)
// past that, the end test meets the real end, and a whole-file load is refused.
TEST(LargePlainFile, ReadsPastFourGigabytesThroughThirtyTwoBitSeeks) {
    orvik_test::TempLog log;
    files_test::TempDir dir;
    const std::string path = dir / "large.bin";
    ASSERT_TRUE(MakeLargeFile(path));
    for (int cache = 0; cache < 2; ++cache) {
        SCOPED_TRACE(cache ? "cache" : "plain");
        const FileAccessHandle file = FileAccessOpen(path.c_str(), cache, 1, 0);
        ASSERT_NE(file, 0);
        auto readsMarker = [&](int i) {
            uint32_t value = 0;
            return FileAccessRead(&value, 4, 1, file) == 1 && value == Marker(i);
        };
        ASSERT_EQ(FileAccessSeek(file, 16, 0), 0);
        EXPECT_TRUE(readsMarker(0));
        EXPECT_EQ(FileAccessTell(file), 20);
        // From just past each marker, forward 2^31 - 1 and back 3 lands on the next one.
        for (int i = 1; i < 3; ++i) {
            ASSERT_EQ(FileAccessSeek(file, INT32_MAX, 1), 0);
            ASSERT_EQ(FileAccessSeek(file, -3, 1), 0);
            EXPECT_EQ(FileAccessTell(file), -1);
            EXPECT_TRUE(readsMarker(i)) << i;
        }
        ASSERT_EQ(FileAccessSeek(file, -4, 2), 0);
        EXPECT_TRUE(readsMarker(3));
        EXPECT_EQ(FileAccessEof(file), 0);
        uint8_t byte = 0;
        EXPECT_EQ(FileAccessRead(&byte, 1, 1, file), 0u);
        EXPECT_EQ(FileAccessEof(file), -1);
        ASSERT_EQ(FileAccessSeek(file, int32_t(kMarkers[2] - kSize), 2), 0);
        EXPECT_TRUE(readsMarker(2));
        // Back down below 2^31 the position is told again.
        ASSERT_EQ(FileAccessSeek(file, INT32_MIN, 1), 0);
        ASSERT_EQ(FileAccessSeek(file, INT32_MIN, 1), 0);
        EXPECT_EQ(FileAccessTell(file), 20);
        EXPECT_EQ(FileAccessClose(file), 0);
    }
    EXPECT_NE(log.Read().find("ファイル位置が 32 ビットの数に収まりません"), std::string::npos);
    uint8_t* image = nullptr;
    int32_t size = 0;
    EXPECT_EQ(LoadFileToMemory(path.c_str(), &image, &size), -1);
    EXPECT_EQ(image, nullptr);
    EXPECT_NE(log.Read().find("大きすぎてメモリに読み込めません"), std::string::npos);
}

}  // namespace
