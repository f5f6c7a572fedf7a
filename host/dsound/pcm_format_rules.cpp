#include "host/dsound/pcm_format_rules.h"

#include <algorithm>

namespace host {

HRESULT CheckPcmFormat(const WAVEFORMATEX* f, const DSCAPS& caps, bool primary) {
    if (!f) return DSERR_INVALIDPARAM;
    if (f->wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
    const uint32_t mono = primary ? DSCAPS_PRIMARYMONO : DSCAPS_SECONDARYMONO;
    const uint32_t stereo = primary ? DSCAPS_PRIMARYSTEREO : DSCAPS_SECONDARYSTEREO;
    const uint32_t bits8 = primary ? DSCAPS_PRIMARY8BIT : DSCAPS_SECONDARY8BIT;
    const uint32_t bits16 = primary ? DSCAPS_PRIMARY16BIT : DSCAPS_SECONDARY16BIT;
    const bool channelsOk = (f->nChannels == 1 && (caps.dwFlags & mono)) ||
                            (f->nChannels == 2 && (caps.dwFlags & stereo));
    const bool bitsOk = (f->wBitsPerSample == 8 && (caps.dwFlags & bits8)) ||
                        (f->wBitsPerSample == 16 && (caps.dwFlags & bits16));
    if (!channelsOk || !bitsOk) return DSERR_BADFORMAT;
    if (f->nBlockAlign != f->nChannels * f->wBitsPerSample / 8) return DSERR_INVALIDPARAM;
    if (f->nAvgBytesPerSec != uint64_t(f->nSamplesPerSec) * f->nBlockAlign)
        return DSERR_INVALIDPARAM;
    // A capability of 0 states no limit of its own.
    const uint32_t lowest = std::max(DSBFREQUENCY_MIN, caps.dwMinSecondarySampleRate);
    const uint32_t highest = caps.dwMaxSecondarySampleRate
                                 ? std::min(DSBFREQUENCY_MAX, caps.dwMaxSecondarySampleRate)
                                 : DSBFREQUENCY_MAX;
    if (f->nSamplesPerSec < lowest || f->nSamplesPerSec > highest) return DSERR_BADFORMAT;
    return DS_OK;
}

}  // namespace host
