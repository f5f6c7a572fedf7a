// Files of still pictures, which FFmpeg also opens, as movies of one frame (or of a few,
// animated) at its image decoders' own limits. The media graph stands in for a movie
// player: it takes movie and sound containers, and leaves image files to the engine's
// image readers.
#pragma once

struct AVFormatContext;

namespace host::graph {

// True when FFmpeg opened the file with a still-image demuxer (image2, image2pipe and the
// *_pipe family), or when the file has no sound and its pictures are all in image codecs.
bool HoldsStillPictures(const AVFormatContext& format);

}  // namespace host::graph
