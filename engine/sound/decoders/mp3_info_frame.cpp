#include "engine/sound/decoders/mp3_info_frame.h"

#include <algorithm>
#include <cstring>

namespace orvik {

namespace {

constexpr uint32_t kHeaderBytes = 4;
// The decoder's output lags the encoded sound by its synthesis filter's delay; the
// delay and padding it reads are counted from the start of its own output.
constexpr int64_t kDecoderDelay = 529;
// Flags of the fields that follow the tag, and their sizes.
constexpr uint32_t kFramesFlag = 1;
constexpr struct {
    uint32_t flag;
    uint32_t bytes;
} kSkippedFields[] = {{2, 4}, {4, 100}, {8, 4}};  // stream bytes, seek table, quality
// LAME's extension: an encoder name, whose first byte is not 0 when the extension is
// there, and 21 bytes in the delay and the padding, 12 bits each.
constexpr uint32_t kExtensionBytes = 24;
constexpr uint32_t kDelayAt = 21;

uint32_t SideInformationBytes(const Mp3FrameInfo& f) {
    if (f.version == 0) return f.channels == 1 ? 17 : 32;
    return f.channels == 1 ? 9 : 17;
}

uint32_t ReadBe32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The tag stands where the side information ends, counted from the header's end; the
// bytes before it are zeros from the seventh on (the fifth and sixth may be a CRC).
bool HasTag(std::span<const uint8_t> frame, uint32_t tagAt) {
    if (frame.size() < tagAt + 8) return false;
    if (std::any_of(frame.begin() + 6, frame.begin() + tagAt, [](uint8_t b) { return b != 0; })) return false;
    return std::memcmp(&frame[tagAt], "Xing", 4) == 0 || std::memcmp(&frame[tagAt], "Info", 4) == 0;
}

}  // namespace

uint64_t Mp3Gapless::Dropped(uint64_t decoded) const {
    if (announced <= 0) return 0;
    const int64_t n = int64_t(std::min<uint64_t>(decoded, INT64_MAX));
    const int64_t head = std::min(begin, n);
    const int64_t tail = std::min(announced, n) - std::max(end, begin);
    return uint64_t(head + std::max<int64_t>(tail, 0));
}

bool ReadMp3InfoFrame(std::span<const uint8_t> frame, const Mp3FrameInfo& info, Mp3Gapless* gapless) {
    *gapless = {};
    const uint32_t tagAt = kHeaderBytes + SideInformationBytes(info);
    if (info.layer != 2 || !HasTag(frame, tagAt)) return false;
    const uint32_t flags = ReadBe32(&frame[tagAt + 4]);
    uint32_t at = tagAt + 8;
    // A field cut off by the frame's end ends the reading; the frame is still no sound.
    const auto holds = [&](uint32_t bytes) { return at + bytes <= frame.size(); };
    int64_t announced = 0;
    if (flags & kFramesFlag) {
        if (!holds(4)) return true;
        announced = int64_t(ReadBe32(&frame[at])) * info.samplesPerFrame;
        at += 4;
        *gapless = {kDecoderDelay, announced + kDecoderDelay, announced};
    }
    for (const auto& field : kSkippedFields) {
        if (!(flags & field.flag)) continue;
        if (!holds(field.bytes)) return true;
        at += field.bytes;
    }
    if (!holds(kExtensionBytes) || frame[at] == 0 || announced == 0) return true;
    const uint8_t* d = &frame[at + kDelayAt];
    const int64_t delay = int64_t(d[0]) << 4 | d[1] >> 4;
    const int64_t padding = int64_t(d[1] & 0x0F) << 8 | d[2];
    *gapless = {delay + kDecoderDelay, announced - padding + kDecoderDelay, announced};
    return true;
}

}  // namespace orvik
