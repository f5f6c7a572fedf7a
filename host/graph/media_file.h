// A movie or sound file read with FFmpeg: its first video stream decoded into 24-bit
// pictures (blue, green, red; top row first, each row padded to 4 bytes, as a renderer
// copies its frames) and its first sound stream into 16-bit stereo PCM at a given rate,
// each with its stream times in 100 ns from the file's start.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/graph/graph_types.h"

namespace host::graph {

class MediaSink {
public:
    // The picture is the first `length` bytes of `rgb`. The sink may keep the buffer, by
    // swapping it for another of any size (the file sizes it again for the next picture).
    virtual void Picture(std::vector<uint8_t>& rgb, size_t length, REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
    virtual void Sound(std::span<uint8_t> pcm, REFERENCE_TIME start, REFERENCE_TIME stop) = 0;

protected:
    ~MediaSink() = default;
};

// Whether pictures of width x height can be taken on.
using PictureCheck = std::function<bool(int32_t width, int32_t height)>;

// The most pixels a picture the decoders make may have, those of the largest 8K frame
// (8192 x 4320), as a system's decoders have a largest size: a stream's headers may claim
// any size at any picture, and a decoder would make pictures of it, and tables beside
// them, before any renderer is asked.
inline constexpr int64_t kMostPicturePixels = int64_t(8192) * 4320;

class MediaFile {
public:
    // Null when FFmpeg cannot open the file or finds no stream it can decode in it, with
    // why in *failure (left empty where `fits` refused, which says why itself). A picture
    // stream of a size `fits` refuses is left undecoded, as if it were not there: nothing
    // is allocated for its pictures.
    static std::unique_ptr<MediaFile> Open(const std::string& path, uint32_t soundRate, PictureCheck fits,
                                           std::string* failure = nullptr);
    ~MediaFile();

    bool HasVideo() const;
    bool HasSound() const;
    int32_t Width() const;
    int32_t Height() const;
    int32_t Pitch() const;
    uint32_t SoundRate() const;
    REFERENCE_TIME FrameTime() const;
    // The frame shown at `time`, and when frame `number` starts: frames count from the
    // first picture (which may start after the first sound) to the last.
    int64_t FrameAt(REFERENCE_TIME time) const;
    REFERENCE_TIME FrameStart(int64_t number) const;
    REFERENCE_TIME Duration() const;

    // Off, the picture stream's packets are passed over undecoded (no renderer took it).
    void DecodeVideo(bool on);
    // Reads and decodes the next packet, handing what comes out to `sink`; at the end of
    // the file the decoders give up what they still hold, and the result is false.
    bool Step(MediaSink& sink);
    // Why the file ended before its end (a picture the decoders refuse); empty when it did not.
    const std::string& Failure() const;
    // The next Step goes on from `time`: pictures and sound before it are not handed out.
    void Seek(REFERENCE_TIME time);

private:
    struct State;
    explicit MediaFile(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

}  // namespace host::graph
