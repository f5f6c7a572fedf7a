// Instancing: a stream of indexed geometry drawn a number of times, with streams of
// instance data whose elements advance once every so many instances.
#include <string>

#include "host/d3d9/device/d3d9_host.h"
#include "host/d3d9/device/device.h"
#include "host/debug_output.h"

namespace host {
namespace {

HRESULT RefuseFrequency(const char* why) {
    OutputDebugStringA((std::string("Direct3D9: SetStreamSourceFreq refused: ") + why + "\n").c_str());
    return D3DERR_INVALIDCALL;
}

// Why a stream cannot take the setting, or null when it can.
const char* FrequencyFault(UINT stream, UINT setting) {
    const UINT flags = setting & ~kStreamFreqValue, value = setting & kStreamFreqValue;
    if (stream >= UINT(kMaxStreams)) return "no such stream";
    if (flags == (D3DSTREAMSOURCE_INDEXEDDATA | D3DSTREAMSOURCE_INSTANCEDATA))
        return "a stream holds either indexed geometry or instance data";
    if (!flags) return setting == 1 ? nullptr : "a plain stream's setting is 1";
    // Instancing comes with shader model 3.0.
    if (D3D9Settings().shaderModel < 3) return "the device has no instancing";
    if (value == 0) return "an instance count or divisor of 0";
    if (stream == 0 && (flags & D3DSTREAMSOURCE_INSTANCEDATA)) return "stream 0 cannot hold instance data";
    return nullptr;
}

}  // namespace

HRESULT Device::SetStreamSourceFreq(UINT stream, UINT setting) {
    if (const char* fault = FrequencyFault(stream, setting)) return RefuseFrequency(fault);
    if (recording_) return recording_->Keep({Setting::kStreamFreq, stream, DWORD(setting)});
    streamFreq_[stream] = setting;
    return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT stream, UINT* setting) const {
    if (stream >= UINT(kMaxStreams) || !setting) return D3DERR_INVALIDCALL;
    *setting = streamFreq_[stream];
    return D3D_OK;
}

UINT Device::IndexedInstances() const {
    for (const UINT freq : streamFreq_)
        if (freq & D3DSTREAMSOURCE_INDEXEDDATA) return freq & kStreamFreqValue;
    return 0;
}

}  // namespace host
