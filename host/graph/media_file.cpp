// Opening a movie file (its streams, decoders, zero and length), and reading, decoding
// and seeking it as a run goes.
#include <algorithm>
#include <mutex>
#include <new>
#include <optional>

#include "host/graph/claimed_pictures.h"
#include "host/graph/media_file_state.h"
#include "host/graph/still_pictures.h"

namespace host::graph {

namespace {

// Packets read at most for the times of the first picture and the first sound.
constexpr int kLeadInPackets = 64;

constexpr const char* kRefusedPicture =
    "a picture of a size the decoders refuse: more pixels than the largest 8K frame (8192 x 4320), or none";

void QuietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// The decoder of the best stream of `type`, or none (index -1); a stream refused before
// its parameters were read stays refused.
Codec OpenDecoder(AVFormatContext* format, AVMediaType type, int* index) {
    const AVCodec* codec = nullptr;
    *index = av_find_best_stream(format, type, -1, -1, &codec, 0);
    if (*index < 0 || !codec || format->streams[*index]->discard == AVDISCARD_ALL) return *index = -1, nullptr;
    Codec c(avcodec_alloc_context3(codec));
    if (!c || avcodec_parameters_to_context(c.get(), format->streams[*index]->codecpar) < 0) return *index = -1, nullptr;
    c->thread_count = 1;
    c->max_pixels = kMostPicturePixels;
    c->pkt_timebase = format->streams[*index]->time_base;
    if (avcodec_open2(c.get(), codec, nullptr) < 0) return *index = -1, nullptr;
    return c;
}

}  // namespace

// Reading the streams' parameters opens their decoders, and decodes a little, at the size
// each stream claims, up to the decoders' bound: a picture stream claiming a size that is
// refused is dropped before that, and its decoder is kept from opening at that size. A
// stream that only the probe makes (MPEG program streams make theirs as their packets
// come) cannot be: such a claim refuses the file.
bool MediaFile::State::OpenFormat() {
    AVFormatContext* f = nullptr;
    format.reset();
    ForgetReached();
    if (avformat_open_input(&f, path.c_str(), nullptr, nullptr) < 0) return Fail("FFmpeg reads no media in it");
    format.reset(f);
    if (const char* reader = StillPictureReader(*f))
        return Fail(std::string("it is a still image (FFmpeg's ") + reader + " reader), not a movie");
    if (!refusedPictures) refusedPictures = RefusedPictureStreams(path, fits);
    const auto madeInProbe = [&](int i) { return unsigned(i) >= f->nb_streams; };
    if (std::any_of(refusedPictures->begin(), refusedPictures->end(), madeInProbe)) return false;
    std::vector<AVDictionary*> options(f->nb_streams, nullptr);
    for (AVDictionary*& o : options) av_dict_set_int(&o, "max_pixels", kMostPicturePixels, 0);
    for (int i : *refusedPictures) {
        f->streams[i]->discard = AVDISCARD_ALL;
        av_dict_set(&options[size_t(i)], "max_pixels", "1", 0);
    }
    const bool found = avformat_find_stream_info(f, options.empty() ? nullptr : options.data()) >= 0;
    for (AVDictionary*& o : options) av_dict_free(&o);
    return found || Fail("FFmpeg finds no stream in it");
}

// How long after the container's start its first picture or sound comes out of the
// decoders: a decoder may take several packets before it gives its first frame, and a
// muxer may have moved one stream on to keep another's times from going below 0. The
// movie's zero is there, so that it does not open with a gap; the first picture may come
// later (after the first sound), and frames count from it. The file is read a little for
// it; the caller reads it again from its start.
REFERENCE_TIME MediaFile::State::LeadIn() {
    std::optional<REFERENCE_TIME> firstPicture, firstSound;
    const auto waiting = [&] { return (video && !firstPicture) || (sound && !firstSound); };
    for (int n = 0; n < kLeadInPackets && waiting() && ReadPacket() >= 0; ++n) {
        const int index = packet->stream_index;
        std::optional<REFERENCE_TIME>* first = index == videoIndex ? &firstPicture
                                               : index == soundIndex ? &firstSound
                                                                     : nullptr;
        if (first && !*first)
            Decode(index == videoIndex ? video.get() : sound.get(), packet.get(), [&] {
                if (!*first) *first = TimeOf(*frame, index, 0);
            });
        av_packet_unref(packet.get());
    }
    const REFERENCE_TIME lead = firstPicture && firstSound ? std::min(*firstPicture, *firstSound)
                                                           : firstPicture.value_or(firstSound.value_or(0));
    pictureStart = firstPicture.value_or(lead) - lead;
    return lead;
}

bool MediaFile::State::Open(uint32_t soundRate, bool findStart) {
    QuietLibraries();
    if (!packet || !frame || !OpenFormat()) return false;
    AVFormatContext* f = format.get();
    if (f->start_time != AV_NOPTS_VALUE) startOffset = Units(f->start_time, AV_TIME_BASE_Q);
    const int best = av_find_best_stream(f, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (best >= 0) {
        const AVRational fps = av_guess_frame_rate(f, f->streams[best], nullptr);
        if (fps.num > 0 && fps.den > 0) frameTime = std::max<REFERENCE_TIME>(1, kUnitsPerSecond * fps.den / fps.num);
    }
    const REFERENCE_TIME claimed =
        f->duration != AV_NOPTS_VALUE && f->duration > 0 ? Units(f->duration, AV_TIME_BASE_Q) : 0;
    if (!OpenDecoders()) return false;
    if (video) {
        width = video->width, height = video->height;
        pitch = (width * 3 + 3) & ~3;
        pictures = std::make_unique<PictureRows>(width, height, pitch);
    }
    rate = soundRate;
    if (!findStart) return true;
    const REFERENCE_TIME lead = LeadIn();
    if (PicturesRefused()) return Fail(kRefusedPicture);
    // The times of a format that lets them jump are known only from its start.
    const StreamEnds end = EndFrom(f->iformat->flags & AVFMT_TS_DISCONT ? 0 : claimed, false);
    if (!Reopen()) return false;
    startOffset += lead;
    if (startOffset <= -kFarthest || startOffset >= kFarthest) return Fail("its times lie past any a movie holds");
    duration = std::max<REFERENCE_TIME>((end.all > 0 ? end.all : claimed) - lead, 0);
    lastFrame = std::max<int64_t>(FrameOf(end.pictures > 0 ? end.pictures - lead : duration) - 1, 0);
    return true;
}

// The decoders of the best picture and sound streams; false when there is neither. A
// picture stream is decoded only at a size `fits` takes.
bool MediaFile::State::OpenDecoders() {
    video = OpenDecoder(format.get(), AVMEDIA_TYPE_VIDEO, &videoIndex);
    const bool sized = video && video->width > 0 && video->height > 0, refused = sized && !fits(video->width, video->height);
    const bool pictures = bool(video);
    if (!sized || refused) video.reset(), videoIndex = -1;
    sound = OpenDecoder(format.get(), AVMEDIA_TYPE_AUDIO, &soundIndex);
    if (video || sound) return true;
    if (refused) return false;
    return Fail(pictures ? kRefusedPicture : "FFmpeg decodes no picture or sound stream of it");
}

// A decoder that refuses a picture's size forgets the size, or keeps it past the bound.
bool MediaFile::State::PicturesRefused() const {
    return video && (video->width < 1 || video->height < 1 || int64_t(video->width) * video->height > kMostPicturePixels);
}

// The file opened afresh, to be read again from its start. Its streams are probed again,
// which may decode a picture: the decoders are let go of first and made again after, so
// that the pictures of two decoders are never held at once. False when the file no longer
// gives the streams it gave.
bool MediaFile::State::Reopen() {
    const bool hadVideo = bool(video), hadSound = bool(sound);
    video.reset();
    sound.reset();
    return OpenFormat() && OpenDecoders() && bool(video) == hadVideo && bool(sound) == hadSound &&
           (!video || (video->width == width && video->height == height));
}

// The buffer a picture goes into, made when a picture comes: a picture stream no
// renderer took costs nothing, however large the file says its pictures are.
bool MediaFile::State::ReservePictures() {
    const size_t bytes = size_t(pitch) * size_t(height) + PictureRows::kRoomBehind;
    try {
        if (rgb.size() != bytes) rgb.resize(bytes);
    } catch (const std::bad_alloc&) {
        rgb = {};
        return false;
    }
    return true;
}

// Pictures of frames before the one a seek went to are passed over, and that frame's
// picture is shown from the seek's time at the latest, so a paused movie shows it.
void MediaFile::State::HandPicture(MediaSink& sink) {
    const AVFrame& f = *frame;
    const REFERENCE_TIME start = TimeOf(f, videoIndex, nextPicture);
    nextPicture = start + frameTime;
    const int64_t number = FrameOf(start), sought = FrameAt(skipBefore);
    if (number < sought || f.width < 1 || f.height < 1 || !ReservePictures() || !pictures->Convert(f, rgb.data()))
        return;
    const REFERENCE_TIME shown = number == sought ? std::min(start, skipBefore) : start;
    sink.Picture(rgb, size_t(pitch) * size_t(height), std::max<REFERENCE_TIME>(shown, 0), start + frameTime);
}

// The resampler for this frame's format, rate and channels, made again whenever they
// differ from the last frame's.
bool MediaFile::State::MakeResampler(const AVFrame& f) {
    if (resampler && f.format == resamplerFormat && f.sample_rate == resamplerRate &&
        av_channel_layout_compare(&f.ch_layout, &resamplerLayout) == 0)
        return true;
    resampler.reset();
    av_channel_layout_uninit(&resamplerLayout);
    if (f.sample_rate < 1 || f.ch_layout.nb_channels < 1 || av_channel_layout_copy(&resamplerLayout, &f.ch_layout) < 0)
        return false;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* s = nullptr;
    if (swr_alloc_set_opts2(&s, &stereo, AV_SAMPLE_FMT_S16, int(rate), &resamplerLayout, AVSampleFormat(f.format),
                            f.sample_rate, 0, nullptr) < 0)
        return false;
    resampler.reset(s);
    // One channel goes to both sides at its own level, as a mono sound plays, where the
    // resampler would spread it as a centre channel, 3 dB below.
    static constexpr double kMonoToBothSides[2] = {1.0, 1.0};
    if (f.ch_layout.nb_channels == 1) swr_set_matrix(s, kMonoToBothSides, 1);
    if (swr_init(s) < 0) resampler.reset();
    resamplerFormat = f.format;
    resamplerRate = f.sample_rate;
    return bool(resampler);
}

void MediaFile::State::HandSound(MediaSink& sink) {
    const AVFrame& f = *frame;
    if (!MakeResampler(f)) return;
    const REFERENCE_TIME start = TimeOf(f, soundIndex, nextSound);
    const int room = swr_get_out_samples(resampler.get(), f.nb_samples);
    if (room <= 0) return;
    pcm.resize(size_t(room) * 4);
    uint8_t* out[1] = {pcm.data()};
    const int frames = swr_convert(resampler.get(), out, room, const_cast<const uint8_t**>(f.extended_data), f.nb_samples);
    if (frames <= 0) return;
    const REFERENCE_TIME length = REFERENCE_TIME(frames) * kUnitsPerSecond / rate;
    nextSound = start + length;
    // Sound from before a seek's target is cut off at the target (how far, held where the
    // product cannot overflow).
    const int64_t ahead = std::clamp<int64_t>(skipBefore - start, 0, kUnitsPerSecond << 20);
    const int64_t skip = std::min<int64_t>(ahead * rate / kUnitsPerSecond, frames);
    if (skip == frames) return;
    const REFERENCE_TIME from = std::max<REFERENCE_TIME>(start + skip * kUnitsPerSecond / rate, 0);
    sink.Sound(std::span(pcm).subspan(size_t(skip) * 4, size_t(frames - skip) * 4), from, nextSound);
}

MediaFile::MediaFile(std::unique_ptr<State> state) : s_(std::move(state)) {}
MediaFile::~MediaFile() = default;

std::unique_ptr<MediaFile> MediaFile::Open(const std::string& path, uint32_t soundRate, PictureCheck fits,
                                           std::string* failure) {
    auto s = std::make_unique<State>();
    s->path = path;
    s->fits = std::move(fits);
    if (s->Open(soundRate, true)) return std::unique_ptr<MediaFile>(new MediaFile(std::move(s)));
    if (failure) *failure = std::move(s->failure);
    return nullptr;
}

bool MediaFile::HasVideo() const { return bool(s_->video); }
bool MediaFile::HasSound() const { return bool(s_->sound); }
int32_t MediaFile::Width() const { return s_->width; }
int32_t MediaFile::Height() const { return s_->height; }
int32_t MediaFile::Pitch() const { return s_->pitch; }
uint32_t MediaFile::SoundRate() const { return s_->rate; }
REFERENCE_TIME MediaFile::FrameTime() const { return s_->video ? s_->frameTime : 0; }
int64_t MediaFile::FrameAt(REFERENCE_TIME time) const { return s_->FrameAt(time); }
REFERENCE_TIME MediaFile::FrameStart(int64_t number) const { return s_->FrameStart(number); }

REFERENCE_TIME MediaFile::Duration() const { return s_->duration; }
const std::string& MediaFile::Failure() const { return s_->failure; }

void MediaFile::DecodeVideo(bool on) { s_->videoWanted = on; }

bool MediaFile::Step(MediaSink& sink) {
    State& s = *s_;
    if (s.ended) return false;
    const int read = s.ReadPacket();
    if (read == AVERROR(EAGAIN)) return true;
    const auto pictures = [&] { s.HandPicture(sink); };
    const auto sounds = [&] { s.HandSound(sink); };
    const bool picture = read >= 0 && s.packet->stream_index == s.videoIndex && s.videoWanted;
    if (picture)
        s.Decode(s.video.get(), s.packet.get(), pictures);
    else if (read >= 0 && s.packet->stream_index == s.soundIndex)
        s.Decode(s.sound.get(), s.packet.get(), sounds);
    if (read >= 0) av_packet_unref(s.packet.get());
    // At the end, at damage FFmpeg cannot read past, or at a picture the decoder refuses
    // (nothing more of the pictures can be shown), what the decoders hold comes out.
    const bool refused = picture && s.PicturesRefused();
    if (read >= 0 && !refused) return true;
    if (s.video && s.videoWanted) s.Decode(s.video.get(), nullptr, pictures);
    if (s.sound) s.Decode(s.sound.get(), nullptr, sounds);
    s.ended = true;
    return refused ? s.Fail(kRefusedPicture) : false;
}

// Back to the start the file is opened afresh, which every format allows (keeping the
// movie's zero and length), its decoders let go of first; elsewhere the demuxer seeks to
// a keyframe before the target, and decoding runs up to it. A file that no longer opens
// as it did has ended.
void MediaFile::Seek(REFERENCE_TIME time) {
    time = std::max<REFERENCE_TIME>(time, 0);
    State& s = *s_;
    s.failure.clear();
    if (time > 0 && s.format && !s.joined && s.SeekFormat(time)) {
        if (s.video) avcodec_flush_buffers(s.video.get());
        if (s.sound) avcodec_flush_buffers(s.sound.get());
        s.ended = false;
    } else {
        s.ended = !s.Reopen();
    }
    s.skipBefore = time;
    s.nextPicture = s.nextSound = time;
    if (s.resampler) swr_init(s.resampler.get());
}

}  // namespace host::graph
