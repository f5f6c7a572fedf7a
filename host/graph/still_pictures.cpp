#include "host/graph/still_pictures.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <iterator>
#include <string_view>

namespace host::graph {

namespace {

// The codecs of image file formats, animated ones (GIF, APNG, WebP) among them: their
// pictures are images however many there are. Motion JPEG, JPEG 2000 and JPEG-LS are
// left out: they are movie codecs too (in AVI, QuickTime, MXF), and their image files come
// through the still-image demuxers.
constexpr AVCodecID kImageCodecs[] = {
    AV_CODEC_ID_PNG, AV_CODEC_ID_APNG, AV_CODEC_ID_BMP, AV_CODEC_ID_TARGA, AV_CODEC_ID_TIFF, AV_CODEC_ID_GIF,
    AV_CODEC_ID_WEBP, AV_CODEC_ID_JPEGXL, AV_CODEC_ID_DDS, AV_CODEC_ID_EXR, AV_CODEC_ID_DPX, AV_CODEC_ID_PSD,
    AV_CODEC_ID_QOI, AV_CODEC_ID_SVG, AV_CODEC_ID_PAM, AV_CODEC_ID_PBM, AV_CODEC_ID_PGM, AV_CODEC_ID_PGMYUV,
    AV_CODEC_ID_PPM, AV_CODEC_ID_PFM, AV_CODEC_ID_PHM, AV_CODEC_ID_PGX, AV_CODEC_ID_PCX, AV_CODEC_ID_SGI,
    AV_CODEC_ID_SUNRAST, AV_CODEC_ID_XBM, AV_CODEC_ID_XPM, AV_CODEC_ID_XWD, AV_CODEC_ID_PICTOR, AV_CODEC_ID_PTX,
    AV_CODEC_ID_TXD, AV_CODEC_ID_FITS, AV_CODEC_ID_CRI, AV_CODEC_ID_GEM, AV_CODEC_ID_VBN, AV_CODEC_ID_ALIAS_PIX,
    AV_CODEC_ID_BRENDER_PIX, AV_CODEC_ID_PHOTOCD,
};

bool StillImageDemuxer(std::string_view name) {
    return name == "image2" || name == "image2pipe" || name.ends_with("_pipe");
}

bool ImageCodec(AVCodecID id) {
    return std::find(std::begin(kImageCodecs), std::end(kImageCodecs), id) != std::end(kImageCodecs);
}

}  // namespace

// Looked at as the demuxer has read the file's header, before any picture is decoded. A
// movie's sound track, or a song's cover picture, keeps the file a movie or a sound.
bool HoldsStillPictures(const AVFormatContext& format) {
    if (format.iformat && format.iformat->name && StillImageDemuxer(format.iformat->name)) return true;
    bool pictures = false;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVCodecParameters& p = *format.streams[i]->codecpar;
        if (p.codec_type == AVMEDIA_TYPE_AUDIO) return false;
        if (p.codec_type != AVMEDIA_TYPE_VIDEO) continue;
        if (!ImageCodec(p.codec_id)) return false;
        pictures = true;
    }
    return pictures;
}

}  // namespace host::graph
