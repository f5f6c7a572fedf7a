// The conversions between layouts whose channels all sit on whole bytes (24- and 32-bit
// pixels with 8-bit channels, the common way of images into textures and of movie frames
// into graphics): no channel is scaled, so bytes move as they are.
#pragma once
#include "engine/graphics/images/pixel_convert_job.h"

namespace orvik::conversion {

// Converts the job when both layouts have byte channels and its alpha comes from the
// source, the key or nowhere; false, with nothing written, when the job is not one of
// those and needs the general path.
bool TryByteChannels(const Job& job);

}  // namespace orvik::conversion
