#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "engine/platform/base/number.h"
#include "engine/platform/base/ring_buffer.h"
#include "engine/platform/base/memory.h"
#include "host/heap.h"
#include "tests/support/temp_log.h"

namespace {

using namespace orvik;

TEST(NumberTest, IntToTextWritesEveryRadix) {
    char buffer[40];
    EXPECT_STREQ(IntToText(255, buffer, 16), "ff");
    EXPECT_STREQ(IntToText(-255, buffer, 16), "-ff");
    EXPECT_STREQ(IntToText(0, buffer, 10), "0");
    EXPECT_STREQ(IntToText(2011, buffer, 10), "2011");
    EXPECT_STREQ(IntToText(35, buffer, 36), "z");
    EXPECT_STREQ(IntToText(INT_MIN, buffer, 10), "-2147483648");
    EXPECT_STREQ(IntToText(INT_MIN, buffer, 2), "-10000000000000000000000000000000");
    EXPECT_STREQ(IntToText(INT_MAX, buffer, 16), "7fffffff");
    orvik_test::TempLog log;
    EXPECT_STREQ(IntToText(5, buffer, 1), "");
    EXPECT_STREQ(IntToText(5, buffer, 37), "");
    EXPECT_NE(log.Read().find("in IntToText"), std::string::npos);
}

TEST(NumberTest, WideProductsAndQuotients) {
    const uint64_t max = UINT64_MAX;
    uint64_t product[2];
    Mul64To128(&max, &max, product);
    // (2^64 - 1)^2 = 2^128 - 2^65 + 1
    EXPECT_EQ(product[0], 1u);
    EXPECT_EQ(product[1], UINT64_MAX - 1);
    uint64_t quotient = 0;
    EXPECT_EQ(Div128By64(product, &max, &quotient), 0);
    EXPECT_EQ(quotient, UINT64_MAX);

    // A counter reading of 2^50 ticks at 3 GHz in microseconds, which overflows 64 bits
    // when multiplied by a million first.
    const uint64_t ticks = 1ull << 50, million = 1000000, rate = 3000000000ull;
    Mul64To128(&ticks, &million, product);
    EXPECT_EQ(product[1], 61u);
    Div128By64(product, &rate, &quotient);
    EXPECT_EQ(quotient, 375299968947ull);

    // Only the low 64 bits of a quotient that does not fit are kept.
    const uint64_t big[2] = {5, 3};
    const uint64_t two = 2;
    Div128By64(big, &two, &quotient);
    EXPECT_EQ(quotient, (1ull << 63) + 2);

    const uint64_t zero = 0;
    quotient = 77;
    orvik_test::TempLog log;
    EXPECT_EQ(Div128By64(big, &zero, &quotient), -1);
    EXPECT_EQ(quotient, 77u);
}

TEST(NumberTest, ConversionsTruncateTowardZeroAndNeverOverflow) {
    EXPECT_EQ(FloatToInt(2.9f), 2);
    EXPECT_EQ(FloatToInt(-2.9f), -2);
    EXPECT_EQ(DoubleToInt(-0.5), 0);
    EXPECT_EQ(DoubleToInt(2147483647.9), INT_MAX);
    EXPECT_EQ(DoubleToInt(2147483648.0), INT_MIN);
    EXPECT_EQ(FloatToInt(1e20f), INT_MIN);
    EXPECT_EQ(FloatToInt(NAN), INT_MIN);
    EXPECT_EQ(AbsInt(-7), 7);
    EXPECT_EQ(AbsInt(INT_MIN), INT_MIN);
    EXPECT_EQ(AbsFloat(-1.5f), 1.5f);
    int32_t rect[4];
    DoubleRectToIntRect(1.9, -1.9, 640.5, 480.99, rect);
    EXPECT_EQ(rect[0], 1);
    EXPECT_EQ(rect[1], -1);
    EXPECT_EQ(rect[2], 640);
    EXPECT_EQ(rect[3], 480);
    float s = 0, c = 0;
    SinCosFloat(float(M_PI / 6), &s, &c);
    EXPECT_FLOAT_EQ(s, 0.5f);
    EXPECT_FLOAT_EQ(c, float(std::sqrt(3.0) / 2));
    EXPECT_EQ(SqrtFloat(16.0f), 4.0f);
}

class RingBufferTest : public ::testing::Test {
protected:
    void TearDown() override {
        TerminateRingBuffer(&ring_);
        host::SetHeapFailureSize(0);
    }
    RingBuffer ring_;
};

TEST_F(RingBufferTest, ReadWrapsAroundTheEnd) {
    ASSERT_EQ(ReserveRingBuffer(&ring_, 0), 0);
    EXPECT_EQ(ring_.data, nullptr);  // nothing asked for, nothing made
    ASSERT_EQ(ReserveRingBuffer(&ring_, 1), 0);
    ASSERT_EQ(ring_.capacity, 1001);
    ring_.capacity = 100;  // a ring of 100 bytes: 10 stored from position 95
    for (int i = 0; i < 100; ++i) ring_.data[i] = static_cast<unsigned char>(i);
    ring_.read = 95;
    ring_.write = 5;
    ring_.stored = 10;
    unsigned char out[10];
    EXPECT_EQ(ReadRingBuffer(&ring_, out, 10, /*peek=*/1), 0);
    EXPECT_EQ(ring_.read, 95);
    EXPECT_EQ(ring_.stored, 10);
    const unsigned char expected[10] = {95, 96, 97, 98, 99, 0, 1, 2, 3, 4};
    EXPECT_EQ(std::memcmp(out, expected, 10), 0);
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(ReadRingBuffer(&ring_, out, 10, 0), 0);
    EXPECT_EQ(std::memcmp(out, expected, 10), 0);
    EXPECT_EQ(ring_.read, 5);
    EXPECT_EQ(ring_.stored, 0);
    EXPECT_EQ(ReadRingBuffer(&ring_, out, 1, 0), -1);
}

TEST_F(RingBufferTest, GrowingKeepsWrappedBytesInOrder) {
    unsigned char chunk[600];
    for (int i = 0; i < 600; ++i) chunk[i] = static_cast<unsigned char>(i * 7);
    ASSERT_EQ(WriteRingBuffer(&ring_, chunk, 600), 0);
    EXPECT_EQ(ring_.capacity, 1600);
    unsigned char out[600];
    ASSERT_EQ(ReadRingBuffer(&ring_, out, 500, 0), 0);
    // 1200 more: 1000 fit before the end and 200 wrap; then 1000 more force a larger
    // block while the stored bytes are split around the end.
    unsigned char more[2200];
    for (int i = 0; i < 2200; ++i) more[i] = static_cast<unsigned char>(i * 13 + 1);
    ASSERT_EQ(WriteRingBuffer(&ring_, more, 1200), 0);
    EXPECT_EQ(ring_.write, 200);
    ASSERT_EQ(WriteRingBuffer(&ring_, more + 1200, 1000), 0);
    EXPECT_EQ(ring_.capacity, 1300 * 3 / 2 + 1000 + 1000);
    EXPECT_EQ(ring_.stored, 2300);
    unsigned char all[2300];
    ASSERT_EQ(ReadRingBuffer(&ring_, all, 2300, 0), 0);
    EXPECT_EQ(std::memcmp(all, chunk + 500, 100), 0);
    EXPECT_EQ(std::memcmp(all + 100, more, 2200), 0);
}

TEST_F(RingBufferTest, FailedGrowthKeepsTheStoredBytes) {
    orvik_test::TempLog log;
    const char text[] = "keep me";
    ASSERT_EQ(WriteRingBuffer(&ring_, text, 8), 0);
    unsigned char* block = ring_.data;
    host::SetHeapFailureSize(1500);
    EXPECT_EQ(ReserveRingBuffer(&ring_, 5000), -1);
    host::SetHeapFailureSize(0);
    EXPECT_EQ(ring_.data, block);
    EXPECT_EQ(ring_.stored, 8);
    char out[8];
    EXPECT_EQ(ReadRingBuffer(&ring_, out, 8, 0), 0);
    EXPECT_STREQ(out, "keep me");
    EXPECT_NE(log.Read().find("リングバッファの再確保に失敗しました(確保しようとしたサイズ 6012 byte)"),
              std::string::npos);
    EXPECT_EQ(ReserveRingBuffer(&ring_, -1), -1);
    EXPECT_EQ(ReserveRingBuffer(&ring_, INT32_MAX), -1);
}

}  // namespace
