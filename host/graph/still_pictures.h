// Files of still pictures, which FFmpeg also opens, as movies of one frame (or of a few,
// animated) at its image decoders' own limits. The media graph stands in for a movie
// player: it takes movie and sound containers, whatever codec their pictures are in (PNG
// frames in QuickTime, Matroska or AVI are a movie), and leaves image files to the
// engine's image readers.
#pragma once

struct AVFormatContext;

namespace host::graph {

// The name of the still-image reader FFmpeg opened the file with (image2, image2pipe, the
// *_pipe family, and the readers of image files such as GIF and APNG); null for any other.
const char* StillPictureReader(const AVFormatContext& format);

}  // namespace host::graph
