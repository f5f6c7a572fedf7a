// MP3 through the media graph: the helpers its tests reach on their own.
#pragma once
#include <cstdint>

#include "engine/sound/decoders/sound_convert.h"
#include "host/graph/graph_types.h"

namespace orvik {

// The filter's first pin of the direction, with a reference for the caller; null for none.
host::IPin* GetFilterPin(host::IBaseFilter* filter, host::PIN_DIRECTION direction);
// The grabber's callback: appends the sample's bytes to the record's PCM. Always S_OK.
host::HRESULT Mp3GrabberCallback(host::IMediaSample* sample, host::REFERENCE_TIME* start, host::REFERENCE_TIME* stop,
                                 host::BOOL typeChanged, void* user);
// Grows the PCM block a MiB at a time until `incoming` more bytes fit, keeping what it
// holds. 0; -1 when it cannot, with the block freed and its pointer null.
int GrowMemoryPcm(MemoryPcmState* memory, uint32_t incoming);

}  // namespace orvik
