// Movies in the media graph's formats, made in the tests with libavcodec's own encoders:
// 64 x 48 pictures whose top band shows the frame number in binary as eight blocks
// (white for 1, black for 0) over a coloured lower part, with an optional 440 Hz sine
// sound track that may be shorter or longer than the pictures.
#pragma once
#include <libavutil/pixfmt.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AVFrame;

namespace movie_test {

enum class AvKind {
    Mpeg1Ps,   // MPEG-1 video and MP2 sound in an MPEG program stream (.mpg)
    Mpeg4Avi,  // MPEG-4 part 2 video and MP2 sound in AVI
    MjpegAvi,  // Motion JPEG video (full-range layouts only) and MP2 sound in AVI
    Mpeg4Mkv,  // MPEG-4 part 2 video and MP2 sound in Matroska
    H264Mp4,   // H.264 video (libx264) and AAC sound in MP4
    Wmv2Asf,   // Windows Media Video 8 and Windows Media Audio 2 in ASF
    H264Bare,  // a bare H.264 stream, with no container to give its length (no sound)
    H264Ps,    // H.264 video and MP2 sound in an MPEG program stream
    TheoraOgg, // Theora video and Vorbis sound in Ogg
};

struct AvMovie {
    AvKind kind = AvKind::Mpeg4Avi;
    int frames = 25;
    int width = 64, height = 48;
    int fps = 25;
    double soundSeconds = 0;  // 0: no sound track
    double level = 0.5;       // of the sine, full scale 1
    int channels = 2;         // of the sound track, each with the same sine
    // Alpha movies: the left half is the picture, the right half grey = alphaOf(x).
    bool alphaRight = false;
    // The lower part a moving texture instead of flat red, so that every block of every
    // picture costs the decoder work (for measuring).
    bool busy = false;
    // Seconds the sound is stored after the pictures of its time, as some muxers leave it
    // (written in that order instead of interleaved by time).
    double soundLag = 0;
    // The pictures' chroma layout, and the range and matrix the stream declares.
    AVPixelFormat layout = AV_PIX_FMT_YUV420P;
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    // In place of the kind's own: the names of the container and the pictures' encoder.
    const char* container = nullptr;
    const char* pictureEncoder = nullptr;
};

// Writes the movie to `path`; an empty string, or FFmpeg's complaint.
std::string WriteAvMovie(const std::string& path, const AvMovie& movie);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// Hands each picture of the file's first picture stream, decoded by libavcodec, to `take`;
// false when the file or its decoder cannot be opened.
bool DecodeAvPictures(const std::string& path, const std::function<void(const AVFrame&)>& take);
// Writes `size` bytes `offset` bytes into the first chunk named `chunk` of a RIFF file
// (an AVI's headers); false when there is none.
bool PatchRiff(std::vector<uint8_t>& riff, const char* chunk, size_t offset, const void* data, size_t size);
// A bare MP2 stream of a sine whose first half is stereo and second half mono, each
// `seconds` long, as a damaged or spliced file may change its sound's layout midway.
std::string WriteMp2ChangingChannels(const std::string& path, double seconds);
// The length of the `pages` Ogg pages from `at` of `file`: headers, segment tables and bodies.
size_t OggPagesBytes(const std::vector<uint8_t>& file, int pages, size_t at = 0);
// Writes `file` to `path` as a sparse file: its first `kept` bytes at the start and the
// rest from `restAt` on, past a gap that reads as zeros; false when it cannot be written.
bool WriteSplitFile(const std::string& path, const std::vector<uint8_t>& file, size_t kept, int64_t restAt);

// The frame number the blocks of a picture show, read at the centre of each block from
// pixel(x, y) (0x00RRGGBB); -1 when a block is neither clearly white nor clearly black.
template <class Pixel>
int ReadFrameNumber(Pixel pixel, int width = 64) {
    const int block = width / 8;
    int n = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const uint32_t p = pixel(bit * block + block / 2, 8);
        const int grey = int((p >> 16 & 255) + (p >> 8 & 255) + (p & 255)) / 3;
        if (grey > 90 && grey < 165) return -1;
        n = n << 1 | (grey >= 165);
    }
    return n;
}

// The lower part's colour, as RGB: Y'CbCr (81, 90, 240), a clear red.
constexpr uint32_t kLowerRgb = 0xFF0000;
constexpr int kLowerY = 81, kLowerU = 90, kLowerV = 240;
// The alpha of an alpha movie's column x of the left half.
inline int AlphaOf(int x) { return x < 16 ? 235 : 16; }

}  // namespace movie_test
