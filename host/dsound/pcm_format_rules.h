// The checks a device applies to a PCM format before it takes it for a buffer.
#pragma once
#include "host/dsound/dsound_types.h"

namespace host {

// DS_OK, DSERR_INVALIDPARAM (no format, or block align / byte rate inconsistent with
// the rest) or DSERR_BADFORMAT (not PCM, or a layout or rate the device cannot play).
// The primary buffer is checked against the PRIMARY capability flags, secondary buffers
// against the SECONDARY ones; both against the device's rate range.
HRESULT CheckPcmFormat(const WAVEFORMATEX* format, const DSCAPS& caps, bool primary);

}  // namespace host
