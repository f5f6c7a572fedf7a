#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_fixture.h"
#include "engine/platform/archive/archive_lz.h"

namespace {

using files_test::LzStream;
using orvik::DecompressArchiveData;

// Unpacks and returns the result as text, or "<damaged>" when the decoder refuses.
std::string Unpack(const std::vector<uint8_t>& stream, size_t room = 4096) {
    std::vector<uint8_t> out(room, '#');
    const int64_t n = DecompressArchiveData(stream.data(), stream.size(), out.data(), out.size());
    if (n < 0) return "<damaged>";
    return std::string(out.begin(), out.begin() + n);
}

TEST(LzDecoder, DistanceOneMatchRepeatsTheLastByte) {
    // Escape 0xF0. "A", then a match: length 10 = (6 << 3) + 4, one distance byte 0 (+1).
    EXPECT_EQ(Unpack(LzStream(11, 0xF0, {'A', 0xF0, 6 << 3, 0x00})), "AAAAAAAAAAA");
}

TEST(LzDecoder, OverlappingMatchRepeatsAPattern) {
    // "abc" then length 9 at distance 3.
    EXPECT_EQ(Unpack(LzStream(12, 0xF0, {'a', 'b', 'c', 0xF0, 5 << 3, 0x02})), "abcabcabcabc");
}

TEST(LzDecoder, EscapeTwiceIsOneLiteralEscape) {
    // The escape byte is 'x': "xx" is a literal x, not a match with code 'x'.
    EXPECT_EQ(Unpack(LzStream(4, 'x', {'a', 'x', 'x', 'b', 'x', 'x'})), "axbx");
}

TEST(LzDecoder, CodesAboveTheEscapeAreLoweredByOne) {
    // Escape 0x05. Code 0x09 is above it and means 0x08: length (1 << 3 >> 3) + 4 = 5,
    // distance 1 byte. Code 0x04 lies below the escape and is taken as it is: bit 2 set,
    // so the next byte (1) adds 1 << 5 to the length: 32 + 4 = 36.
    std::vector<uint8_t> codes{'q', 'r', 0x05, 0x09, 0x01};
    EXPECT_EQ(Unpack(LzStream(7, 0x05, codes)), "qrqrqrq");
    codes = {'z', 0x05, 0x04, 0x01, 0x00};
    EXPECT_EQ(Unpack(LzStream(37, 0x05, codes)), std::string(37, 'z'));
}

TEST(LzDecoder, TwoAndThreeByteDistances) {
    std::vector<uint8_t> text(300);
    for (size_t i = 0; i < text.size(); ++i) text[i] = uint8_t('a' + i % 23);
    std::vector<uint8_t> codes = text;
    // Length 4 from 300 bytes back: distance 299 in two bytes (code 1).
    codes.insert(codes.end(), {0xFF, 0x01, 0x2B, 0x01});
    std::string expected(text.begin(), text.end());
    expected += expected.substr(0, 4);
    EXPECT_EQ(Unpack(LzStream(304, 0xFF, codes)), expected);

    std::vector<uint8_t> big(70000, 'k');
    big[0] = 'Q';
    std::vector<uint8_t> stream = big;
    // Distance 70000 in three bytes (code 2): 69999 = 0x01116F.
    stream.insert(stream.end(), {0xFF, 0x02, 0x6F, 0x11, 0x01});
    std::vector<uint8_t> out(70004);
    const auto packed = LzStream(70004, 0xFF, stream);
    ASSERT_EQ(DecompressArchiveData(packed.data(), packed.size(), out.data(), out.size()), 70004);
    EXPECT_EQ(std::string(out.end() - 4, out.end()), "Qkkk");
}

TEST(LzDecoder, NullDestinationOnlyReportsTheSize) {
    const auto stream = LzStream(11, 0xF0, {'A', 0xF0, 6 << 3, 0x00});
    EXPECT_EQ(DecompressArchiveData(stream.data(), stream.size(), nullptr, 0), 11);
    const auto empty = LzStream(0, 0xF0, {});
    uint8_t out[1];
    EXPECT_EQ(DecompressArchiveData(empty.data(), empty.size(), out, 0), 0);
}

TEST(LzDecoder, RefusesDamagedStreams) {
    // Distance code 3 is not defined.
    EXPECT_EQ(Unpack(LzStream(5, 0xF0, {'A', 0xF0, 0x03, 0, 0, 0, 0})), "<damaged>");
    // A match reaching before the start of the output.
    EXPECT_EQ(Unpack(LzStream(6, 0xF0, {'A', 0xF0, 0x00, 0x01})), "<damaged>");
    // A match running past the unpacked size.
    EXPECT_EQ(Unpack(LzStream(5, 0xF0, {'A', 0xF0, 6 << 3, 0x00})), "<damaged>");
    // Literals past the unpacked size.
    EXPECT_EQ(Unpack(LzStream(2, 0xF0, {'A', 'B', 'C'})), "<damaged>");
    // Codes that stop short of the unpacked size.
    EXPECT_EQ(Unpack(LzStream(9, 0xF0, {'A', 'B'})), "<damaged>");
    // Cut inside a match: after the escape, after the code, inside the distance.
    EXPECT_EQ(Unpack(LzStream(5, 0xF0, {'A', 0xF0})), "<damaged>");
    EXPECT_EQ(Unpack(LzStream(5, 0xF0, {'A', 0xF0, 0x04})), "<damaged>");
    EXPECT_EQ(Unpack(LzStream(5, 0xF0, {'A', 0xF0, 0x01, 0x00})), "<damaged>");
    // An output larger than the room given.
    EXPECT_EQ(Unpack(LzStream(11, 0xF0, {'A', 0xF0, 6 << 3, 0x00}), 10), "<damaged>");
    // A head whose packed size is larger than the bytes there, or smaller than the head.
    auto stream = LzStream(1, 0xF0, {'A'});
    stream[4] = 50;
    EXPECT_EQ(Unpack(stream), "<damaged>");
    stream[4] = 3;
    EXPECT_EQ(Unpack(stream), "<damaged>");
    EXPECT_EQ(DecompressArchiveData(stream.data(), 5, nullptr, 0), -1);
}

}  // namespace
