#include <gtest/gtest.h>

#include <cstring>

#include "engine/platform/files/file_access.h"
#include "engine/platform/files/stream.h"
#include "temp_dir.h"

namespace {

using orvik::StreamHandle;

class MemImageStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 100; ++i) image[i] = static_cast<uint8_t>(i);
        record = orvik::OpenMemImageStream(image, 100);
        ASSERT_NE(record, nullptr);
        handle = orvik::ToStreamHandle(record);
        fns = orvik::GetMemImageStreamFunctions();
    }
    void TearDown() override { EXPECT_EQ(fns->close(handle), 0); }

    uint8_t image[100];
    orvik::MemImageStreamRecord* record = nullptr;
    StreamHandle handle = 0;
    const orvik::StreamFunctions* fns = nullptr;
};

TEST_F(MemImageStreamTest, ReadsWholeElementsAndHandsOverAShortRestAsOne) {
    uint8_t buffer[128] = {};
    EXPECT_EQ(fns->read(buffer, 8, 7, handle), 7u);  // 56 bytes
    EXPECT_EQ(fns->tell(handle), 56);
    EXPECT_EQ(fns->read(buffer, 16, 3, handle), 2u);  // 44 left: two whole elements
    EXPECT_EQ(buffer[0], 56);
    EXPECT_EQ(fns->tell(handle), 88);
    // One element of 100 bytes with 12 left: the 12 are copied and count as one element.
    std::memset(buffer, 0xFF, sizeof(buffer));
    EXPECT_EQ(fns->read(buffer, 100, 1, handle), 1u);
    EXPECT_EQ(buffer[0], 88);
    EXPECT_EQ(buffer[11], 99);
    EXPECT_EQ(buffer[12], 0xFF);
    EXPECT_EQ(fns->eof(handle), 0);
    EXPECT_EQ(fns->read(buffer, 1, 1, handle), 0u);
    EXPECT_EQ(fns->eof(handle), 1);
    EXPECT_EQ(fns->seek(handle, 0, 1), 0);
    EXPECT_EQ(fns->eof(handle), 0);
}

TEST_F(MemImageStreamTest, FortyBytesLeftForAHundredByteElement) {
    uint8_t buffer[100] = {};
    ASSERT_EQ(fns->seek(handle, 60, 0), 0);
    EXPECT_EQ(fns->read(buffer, 100, 1, handle), 1u);
    EXPECT_EQ(buffer[39], 99);
    EXPECT_EQ(fns->read(buffer, 100, 1, handle), 0u);
    EXPECT_NE(fns->eof(handle), 0);
}

TEST_F(MemImageStreamTest, SeeksClampToTheImageFromEveryOrigin) {
    EXPECT_EQ(fns->seek(handle, -5, 0), 0);
    EXPECT_EQ(fns->tell(handle), 0);
    EXPECT_EQ(fns->seek(handle, 500, 0), 0);
    EXPECT_EQ(fns->tell(handle), 100);
    EXPECT_EQ(fns->seek(handle, -30, 2), 0);
    EXPECT_EQ(fns->tell(handle), 70);
    EXPECT_EQ(fns->seek(handle, -100, 1), 0);
    EXPECT_EQ(fns->tell(handle), 0);
    EXPECT_EQ(fns->seek(handle, 0x7FFFFFFF, 1), 0);
    EXPECT_EQ(fns->tell(handle), 100);
    EXPECT_EQ(fns->seek(handle, 0, 7), -1);
}

TEST_F(MemImageStreamTest, ZeroSizedAndOverflowingElementsAreSafe) {
    uint8_t buffer[100] = {};
    EXPECT_EQ(fns->read(buffer, 0, 10, handle), 0u);
    EXPECT_EQ(fns->tell(handle), 0);
    // size x count overflows: only the elements that fit are read.
    EXPECT_EQ(fns->read(buffer, 10, SIZE_MAX / 4, handle), 10u);
    EXPECT_EQ(fns->tell(handle), 100);
    EXPECT_EQ(fns->idleCheck(handle), 1);
}

// No buffer reads nothing and leaves the position where it was.
TEST_F(MemImageStreamTest, ANullBufferReadsNothing) {
    EXPECT_EQ(fns->read(nullptr, 1, 10, handle), 0u);
    EXPECT_EQ(fns->read(nullptr, 200, 1, handle), 0u);
    EXPECT_EQ(fns->tell(handle), 0);
    EXPECT_EQ(fns->eof(handle), 0);
}

TEST(MemImageStream, RefusesUnknownRecordsAndBadImages) {
    EXPECT_EQ(orvik::OpenMemImageStream(nullptr, 10), nullptr);
    EXPECT_EQ(orvik::OpenMemImageStream("x", -1), nullptr);
    alignas(orvik::MemImageStreamRecord) uint8_t fake[sizeof(orvik::MemImageStreamRecord)] = {};
    const StreamHandle bogus = reinterpret_cast<StreamHandle>(fake);
    uint8_t buffer[4];
    EXPECT_EQ(orvik::MemImageStreamRead(buffer, 1, 4, bogus), 0u);
    EXPECT_EQ(orvik::MemImageStreamTell(bogus), -1);
    EXPECT_EQ(orvik::CloseMemImageStream(bogus), -1);
    EXPECT_EQ(orvik::CloseMemImageStream(0), -1);
}

// The file set's end test answers -1 and the memory set's 1: readers test for non-zero.
TEST(FileStream, ReadsAFileThroughTheFileOperations) {
    files_test::TempDir dir;
    const std::string path = dir.Write("data.bin", "0123456789");
    orvik::ResetFileAccessTable();
    const orvik::StreamFunctions* fns = orvik::GetFileStreamFunctions();
    const auto handle = static_cast<StreamHandle>(orvik::FileAccessOpen(path.c_str(), 0, 1, 0));
    ASSERT_NE(handle, 0);
    char buffer[16] = {};
    EXPECT_EQ(fns->seek(handle, 4, 0), 0);
    EXPECT_EQ(fns->read(buffer, 3, 3, handle), 2u);  // 6 left: two whole elements
    EXPECT_STREQ(buffer, "456789");
    EXPECT_EQ(fns->read(buffer, 1, 1, handle), 0u);
    EXPECT_EQ(fns->eof(handle), -1);
    EXPECT_EQ(fns->tell(handle), 10);
    EXPECT_EQ(fns->idleCheck(handle), 1);
    EXPECT_EQ(fns->close(handle), 0);
}

}  // namespace
