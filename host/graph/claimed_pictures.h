// The picture sizes a movie file claims before any decoder opens. FFmpeg's stream probe
// decodes a picture of each picture stream at whatever size the stream claims, and it
// learns the size of some streams only there: those of MPEG program and transport
// streams and of bare picture streams, which may not even exist before the probe.
#pragma once
#include <string>
#include <vector>

#include "host/graph/media_file.h"

namespace host::graph {

// The indexes of the picture streams whose size `fits` refuses: the size the container's
// header gives, or any that the stream's own headers give in the file's first packets,
// read without decoding (a bounded number of packets and bytes).
std::vector<int> RefusedPictureStreams(const std::string& path, const PictureCheck& fits);

}  // namespace host::graph
