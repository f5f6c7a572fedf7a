#include "host/graph/still_pictures.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <iterator>
#include <string_view>

namespace host::graph {

namespace {

// FFmpeg's readers of image files besides the image2 family, animated ones among them.
constexpr std::string_view kImageFileReaders[] = {"gif", "apng", "ico", "alias_pix", "brender_pix", "fits", "txd",
                                                  "jpegxl_anim"};

bool StillImageReader(std::string_view name) {
    return name == "image2" || name == "image2pipe" || name.ends_with("_pipe") ||
           std::find(std::begin(kImageFileReaders), std::end(kImageFileReaders), name) != std::end(kImageFileReaders);
}

}  // namespace

// Known as soon as the demuxer has read the file's header, before any picture is decoded.
const char* StillPictureReader(const AVFormatContext& format) {
    const char* name = format.iformat ? format.iformat->name : nullptr;
    return name && StillImageReader(name) ? name : nullptr;
}

}  // namespace host::graph
