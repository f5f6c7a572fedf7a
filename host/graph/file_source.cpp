// The file source the graph makes for RenderFile: FFmpeg's demuxer and decoders behind
// one filter, whose output pins offer the file's first picture stream as top-down RGB24
// video (a negative height: rows in the order a renderer keeps them) and its first sound
// stream as 16-bit stereo PCM at the mixer's rate. A run reads the file from where the
// last seek left it to its end, handing each picture and each piece of sound on with its
// stream times; the renderers pace it.
#include <filesystem>

#include "host/dsound/dsound_types.h"
#include "host/dsound/mixer.h"
#include "host/graph/graph_classes.h"
#include "host/graph/media_file.h"

namespace host::graph {

namespace {

bool MakeVideoType(int32_t width, int32_t height, REFERENCE_TIME frameTime, AM_MEDIA_TYPE* type) {
    VIDEOINFOHEADER info;
    info.rcSource = info.rcTarget = RECT{0, 0, width, height};
    info.AvgTimePerFrame = frameTime;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biSizeImage = uint32_t((int64_t(width) * 3 + 3) & ~int64_t(3)) * uint32_t(height);
    const AM_MEDIA_TYPE t{MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, sizeof info,
                          reinterpret_cast<uint8_t*>(&info)};
    return CopyMediaType(type, t);
}

bool MakeSoundType(const MediaFile& file, AM_MEDIA_TYPE* type) {
    WAVEFORMATEX f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = file.SoundRate();
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 4 * f.nSamplesPerSec;
    const AM_MEDIA_TYPE t{MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, sizeof f,
                          reinterpret_cast<uint8_t*>(&f)};
    return CopyMediaType(type, t);
}

class FileSource final : public Filter, public SeekableSource, private MediaSink {
public:
    explicit FileSource(std::unique_ptr<MediaFile> file) : Filter(1), file_(std::move(file)) {
        if (file_->HasVideo()) video_ = AddPin(PINDIR_OUTPUT);
        if (file_->HasSound()) sound_ = AddPin(PINDIR_OUTPUT);
    }

    bool PinOutputType(const Pin& pin, AM_MEDIA_TYPE* type) const override {
        if (&pin == video_) return MakeVideoType(file_->Width(), file_->Height(), file_->FrameTime(), type);
        return &pin == sound_ && MakeSoundType(*file_, type);
    }

    // False when the file ended before its end (Failure says why).
    bool Stream(const std::atomic<bool>& stop) override {
        file_->DecodeVideo(video_ && video_->Peer());
        while (!stop && file_->Step(*this)) {
        }
        if (stop) return true;
        for (const auto& pin : Pins()) pin->DeliverEndOfStream();
        return file_->Failure().empty();
    }
    std::string Failure() const override { return file_->Failure(); }

    REFERENCE_TIME Duration() const override { return file_->Duration(); }
    REFERENCE_TIME FrameTime() const override { return file_->FrameTime(); }
    int64_t FrameAt(REFERENCE_TIME time) const override { return file_->FrameAt(time); }
    REFERENCE_TIME FrameStart(int64_t number) const override { return file_->FrameStart(number); }
    void SeekTo(REFERENCE_TIME time) override { file_->Seek(time); }

private:
    // The picture's buffer goes with the sample, for a renderer that keeps it.
    void Picture(std::vector<uint8_t>& rgb, size_t length, REFERENCE_TIME start, REFERENCE_TIME stop) override {
        Sample sample(rgb, length, start, stop);
        video_->Deliver(&sample);
    }
    void Sound(std::span<uint8_t> pcm, REFERENCE_TIME start, REFERENCE_TIME stop) override {
        Sample sample(pcm, start, stop);
        sound_->Deliver(&sample);
    }

    std::unique_ptr<MediaFile> file_;
    Pin* video_ = nullptr;
    Pin* sound_ = nullptr;
};

}  // namespace

Filter* MakeFileSource(const std::string& path, const TypeCheck& takes, HRESULT* result, std::string* failure) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        *failure = "there is no such file";
        *result = E_FILE_NOT_FOUND;
        return nullptr;
    }
    PictureCheck fits = [takes](int32_t width, int32_t height) {
        AM_MEDIA_TYPE type;
        if (!MakeVideoType(width, height, 0, &type)) return false;
        const bool taken = takes(type);
        FreeMediaType(type);
        return taken;
    };
    std::unique_ptr<MediaFile> file = MediaFile::Open(path, MixerOutputRate(), std::move(fits), failure);
    *result = file ? S_OK : VFW_E_UNKNOWN_FILE_TYPE;
    return file ? new FileSource(std::move(file)) : nullptr;
}

}  // namespace host::graph
