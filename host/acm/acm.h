// The audio compression manager stand-in: codecs chosen by the source's WAVE format tag
// that turn whole source blocks into PCM and report the bytes used on both sides.
// Decoders: PCM (to PCM of another width or channel count), MS ADPCM, IMA ADPCM, A-law,
// mu-law and MPEG audio (tag 0x55, through libmpg123). Every decoder but PCM gives
// signed 16-bit PCM at the source's rate and channel count.
#pragma once
#include <cstdint>

#include "host/acm/acm_types.h"

namespace host {

// Fills dst (cbDst >= 16 bytes) with the PCM format a codec makes from src. With
// ACM_FORMATSUGGESTF_* flags the matching fields already in dst are demands. Fails with
// ACMERR_NOTPOSSIBLE for a format tag no codec knows or a demand none meets.
MMRESULT acmFormatSuggest(HACMDRIVER driver, const WAVEFORMATEX* src, WAVEFORMATEX* dst,
                          uint32_t cbDst, uint32_t flags);
// Opens a conversion from src to dst (no filter; synchronous only). With
// ACM_STREAMOPENF_QUERY it only answers whether it could, and stream may be null.
MMRESULT acmStreamOpen(HACMSTREAM* stream, HACMDRIVER driver, const WAVEFORMATEX* src,
                       const WAVEFORMATEX* dst, WAVEFILTER* filter, uintptr_t callback,
                       uintptr_t instance, uint32_t flags);
MMRESULT acmStreamClose(HACMSTREAM stream, uint32_t flags);
// ACM_STREAMSIZEF_SOURCE: an upper bound of the PCM bytes `input` source bytes give;
// ACM_STREAMSIZEF_DESTINATION: the source bytes whose output surely fits `input` bytes.
MMRESULT acmStreamSize(HACMSTREAM stream, uint32_t input, uint32_t* output, uint32_t flags);
MMRESULT acmStreamPrepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags);
// Converts from pbSrc into pbDst and sets the bytes used of each. Only whole source
// blocks are taken, and only as many as fit the destination: output is never dropped,
// the caller gets the rest of the source back as not used.
MMRESULT acmStreamConvert(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM stream, ACMSTREAMHEADER* header, uint32_t flags);
// ACM_METRIC_MAX_SIZE_FORMAT with no object: the largest format block (uint32 out).
MMRESULT acmMetrics(HACMOBJ object, uint32_t metric, void* output);

// Whether "msacm32.dll" is there to be loaded by name (the module table asks this).
void SetAcmModulePresent(bool present);
bool IsAcmModulePresent();

// Closes every open stream and makes the module present again.
void ResetAcmHost();

}  // namespace host
