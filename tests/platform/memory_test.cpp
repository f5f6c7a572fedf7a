#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform/base/memory.h"
#include "host/heap.h"
#include "tests/support/temp_log.h"

namespace {

using orvik_test::TempLog;

class MemoryTest : public ::testing::Test {
protected:
    void SetUp() override { orvik::ResetTrackedMemory(); }
    void TearDown() override {
        host::SetHeapFailureSize(0);
        orvik::ResetTrackedMemory();
    }
    TempLog log_;
};

std::string Address(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

TEST_F(MemoryTest, LeakDumpListsEachLiveBlockNewestFirst) {
    auto* leak = static_cast<char*>(orvik::TrackedAlloc(20, "engine/platform/some_source_file.cpp", 123));
    ASSERT_NE(leak, nullptr);
    std::memcpy(leak, "Leak\x01\x80zzzzzzzzzzzzzz", 20);
    void* freed = orvik::TrackedAlloc(8, "a.cpp", 1);
    void* second = orvik::TrackedAlloc(2048, nullptr, 70000);
    std::memset(second, 'A', 2048);
    orvik::TrackedFree(freed);

    orvik::DumpAllocMemory();
    const std::string expected =
        "\r\nAlloc memory dump\r\n"
        "\tsize:      2048(     2.000kb)  file:                            line:4464   ID:2      addr:" +
        Address(second) + "  data:<AAAAAAAAAAAAAAAA> [41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41]\r\n" +
        "\tsize:        20(     0.020kb)  file:source_file.cpp             line:123    ID:0      addr:" +
        Address(leak) + "  data:<Leak..zzzzzzzzzz> [4c 65 61 6b 01 80 7a 7a 7a 7a 7a 7a 7a 7a 7a 7a]\r\n" +
        "\tTotal size:2068(2.020kb)  Alloc num:2\r\n\r\n";
    EXPECT_EQ(log_.Read(), expected);
}

TEST_F(MemoryTest, DumpWithNothingAllocatedShowsZeroTotals) {
    void* block = orvik::TrackedCalloc(100, __FILE__, __LINE__);
    orvik::TrackedFree(block);
    orvik::DumpAllocMemory();
    EXPECT_EQ(log_.Read(), "\r\nAlloc memory dump\r\n\tTotal size:0(0.000kb)  Alloc num:0\r\n\r\n");
}

TEST_F(MemoryTest, DamagedHeaderIsReportedAndNeverFollowed) {
    auto* older = static_cast<unsigned char*>(orvik::TrackedAlloc(4, "old.cpp", 10));
    auto* block = static_cast<unsigned char*>(orvik::TrackedAlloc(4, "hit.cpp", 20));
    EXPECT_EQ(orvik::CheckAllocMemory(), 0);
    // A stray write over the block's link to the block before it.
    auto* header = reinterpret_cast<orvik::TrackedAllocHeader*>(block - orvik::kTrackedHeaderSize);
    header->previous = reinterpret_cast<orvik::TrackedAllocHeader*>(uintptr_t(0xdeadbeef));
    EXPECT_EQ(orvik::CheckAllocMemory(), -1);
    std::string text = log_.Read();
    EXPECT_EQ(text.rfind("以下のメモリ確保情報が破損しました\r\n\tsize:         4(", 0), 0u);
    EXPECT_NE(text.find("file:hit.cpp"), std::string::npos);
    EXPECT_EQ(text.find("file:old.cpp"), std::string::npos);

    // Freeing or resizing it reports it again and leaves the list alone.
    orvik::TrackedFree(block);
    EXPECT_EQ(orvik::TrackedRealloc(block, 64, "x.cpp", 1), nullptr);
    EXPECT_EQ(orvik::TrackedMemory().blockCount, 2);
    // The dump stops at the damage instead of walking into it.
    orvik::DumpAllocMemory();
    text = log_.Read();
    EXPECT_EQ(text.find("file:old.cpp"), std::string::npos);

    // Damage to the name is seen too.
    header->previous = reinterpret_cast<orvik::TrackedAllocHeader*>(older - orvik::kTrackedHeaderSize);
    EXPECT_EQ(orvik::CheckAllocMemory(), 0);
    header->file[0] = 'X';
    EXPECT_EQ(orvik::CheckAllocMemory(), -1);
    header->file[0] = 'h';
}

TEST_F(MemoryTest, AllocationNumbersWrapAtSixteenBits) {
    auto number = [](void* p) {
        return reinterpret_cast<orvik::TrackedAllocHeader*>(static_cast<char*>(p) - orvik::kTrackedHeaderSize)->number;
    };
    void* first = orvik::TrackedAlloc(1, "a.cpp", 1);
    const uint16_t firstNumber = number(first);
    for (int i = 0; i < 65535; ++i) orvik::TrackedFree(orvik::TrackedAlloc(1, "b.cpp", 2));
    void* wrapped = orvik::TrackedAlloc(1, "c.cpp", 3);
    EXPECT_EQ(number(wrapped), firstNumber);
    orvik::TrackedFree(first);
    orvik::TrackedFree(wrapped);
}

TEST_F(MemoryTest, ZeroSizeCallsAreLoggedByDefault) {
    void* empty = orvik::TrackedAlloc(0, "zero.cpp", 77);
    ASSERT_NE(empty, nullptr);
    orvik::TrackedFree(empty);
    const std::string text = log_.Read();
    EXPECT_EQ(text.rfind("mem alloc  \tsize:         0(", 0), 0u);
    EXPECT_NE(text.find("line:77   "), std::string::npos);
    EXPECT_NE(text.find("data:<> []\r\nmem free  "), std::string::npos);
    // A size that is not filtered stays quiet.
    orvik::TrackedFree(orvik::TrackedAlloc(5, "five.cpp", 5));
    EXPECT_EQ(log_.Read(), text);
}

TEST_F(MemoryTest, DebugSettingsLogEveryCallWithTotals) {
    orvik::TrackedMemory().sizeFilter = -1;
    orvik::TrackedMemory().logTotals = 1;
    void* block = orvik::TrackedAlloc(4, "d.cpp", 1);
    block = orvik::TrackedRealloc(block, 2048, "d.cpp", 2);
    orvik::TrackedFree(block);
    const std::string text = log_.Read();
    const size_t alloc = text.find("mem alloc  \tsize:         4(");
    const size_t realloc = text.find("\tTotal size:4(0.004kb)  Alloc num:1\r\nmem realloc  \tsize:      2048(");
    const size_t freed = text.find("\tTotal size:2048(2.000kb)  Alloc num:1\r\nmem free  \tsize:      2048(");
    EXPECT_EQ(alloc, 0u);
    EXPECT_NE(realloc, std::string::npos);
    EXPECT_NE(freed, std::string::npos);
    EXPECT_NE(text.find("\tTotal size:0(0.000kb)  Alloc num:0\r\n"), std::string::npos);
}

TEST_F(MemoryTest, ReallocKeepsDataAndZeroesTheGrownTail) {
    auto* block = static_cast<unsigned char*>(orvik::TrackedAlloc(16, "r.cpp", 1));
    std::memset(block, 0xAB, 16);
    void* after = orvik::TrackedAlloc(3, "after.cpp", 2);
    block = static_cast<unsigned char*>(orvik::TrackedRealloc(block, 4096, "r.cpp", 5));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 16; ++i) ASSERT_EQ(block[i], 0xAB) << i;
    for (int i = 16; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(orvik::TrackedMemory().totalSize, 4096 + 3);
    EXPECT_EQ(orvik::CheckAllocMemory(), 0);
    orvik::TrackedFree(after);
    orvik::TrackedFree(block);
    EXPECT_EQ(orvik::TrackedMemory().blockCount, 0);
    EXPECT_EQ(orvik::TrackedMemory().totalSize, 0);
    auto* zeroed = static_cast<unsigned char*>(orvik::TrackedCalloc(64, "c.cpp", 1));
    for (int i = 0; i < 64; ++i) ASSERT_EQ(zeroed[i], 0);
    orvik::TrackedFree(zeroed);
}

TEST_F(MemoryTest, FailedAllocationsDumpAndKeepOldBlocks) {
    auto* block = static_cast<char*>(orvik::TrackedAlloc(32, "keep.cpp", 9));
    std::strcpy(block, "still here");
    host::SetHeapFailureSize(1000);
    EXPECT_EQ(orvik::TrackedAlloc(5000, "big.cpp", 1), nullptr);
    EXPECT_EQ(orvik::TrackedRealloc(block, 5000, "big.cpp", 2), nullptr);
    host::SetHeapFailureSize(0);
    EXPECT_STREQ(block, "still here");
    EXPECT_EQ(orvik::TrackedMemory().blockCount, 1);
    const std::string text = log_.Read();
    EXPECT_NE(text.find("Alloc memory dump"), std::string::npos);
    EXPECT_NE(text.find("file:keep.cpp"), std::string::npos);
    // Sizes whose header would not fit are refused before the heap is asked.
    EXPECT_EQ(orvik::TrackedAlloc(SIZE_MAX - 8, "huge.cpp", 1), nullptr);
    EXPECT_EQ(orvik::TrackedAlloc(orvik::kTrackedMaxSize + 1, "huge.cpp", 1), nullptr);
    orvik::TrackedFree(block);
    orvik::TrackedFree(nullptr);
}

TEST_F(MemoryTest, ThreadsShareTheListSafely) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            std::vector<void*> blocks;
            for (int i = 0; i < 2000; ++i) {
                blocks.push_back(orvik::TrackedAlloc(size_t(i % 50), "thread.cpp", i));
                if (i % 3 == 0) {
                    orvik::TrackedFree(blocks.back());
                    blocks.pop_back();
                }
            }
            for (void* b : blocks) orvik::TrackedFree(b);
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(orvik::TrackedMemory().blockCount, 0);
    EXPECT_EQ(orvik::TrackedMemory().totalSize, 0);
    EXPECT_EQ(orvik::CheckAllocMemory(), 0);
}

}  // namespace
