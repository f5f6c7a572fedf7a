// The media graph: filters with pins, connected by media type, run by a graph that
// builds the chain from a pin to a renderer out of the filters it knows and signals the
// end of the stream. Only what audio decoding through a graph needs: a memory reader
// source, an MPEG audio decoder, a sample grabber, a null renderer and an audio renderer.
#pragma once
#include <cstdint>
#include <string_view>

#include "host/win/com.h"
#include "host/win/types.h"

namespace host {

using GUID = std::string_view;  // empty: GUID_NULL, which matches any in a type to accept
constexpr GUID GUID_NULL = "";
constexpr GUID MEDIATYPE_Stream = "MEDIATYPE_Stream", MEDIATYPE_Audio = "MEDIATYPE_Audio";
constexpr GUID MEDIASUBTYPE_MPEG1Audio = "MEDIASUBTYPE_MPEG1Audio", MEDIASUBTYPE_PCM = "MEDIASUBTYPE_PCM",
               MEDIASUBTYPE_IEEE_FLOAT = "MEDIASUBTYPE_IEEE_FLOAT";
constexpr GUID FORMAT_WaveFormatEx = "FORMAT_WaveFormatEx";

constexpr REFCLSID CLSID_FilterGraph = "FilterGraph", CLSID_NullRenderer = "NullRenderer";
constexpr REFIID IID_IGraphBuilder = "IGraphBuilder", IID_IBaseFilter = "IBaseFilter",
                 IID_IMediaFilter = "IMediaFilter", IID_IMediaControl = "IMediaControl",
                 IID_IMediaEvent = "IMediaEvent";

using REFERENCE_TIME = int64_t;

constexpr HRESULT E_ABORT = HRESULT(0x80004004u), VFW_E_NOT_CONNECTED = HRESULT(0x80040209u),
                  VFW_E_ALREADY_CONNECTED = HRESULT(0x80040204u), VFW_E_CANNOT_RENDER = HRESULT(0x80040218u),
                  VFW_E_TYPE_NOT_ACCEPTED = HRESULT(0x8004022Au), VFW_E_NOT_STOPPED = HRESULT(0x80040224u);

constexpr long EC_COMPLETE = 1, EC_ERRORABORT = 3;

// A media type; the format block is CoTaskMemAlloc'd and freed with FreeMediaType.
struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    GUID formattype;
    uint32_t cbFormat = 0;
    uint8_t* pbFormat = nullptr;
};
void FreeMediaType(AM_MEDIA_TYPE& type);
// A deep copy (the format block copied); false when it cannot be allocated.
bool CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source);

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

class IMediaSample : public IUnknown {
public:
    virtual HRESULT GetPointer(uint8_t** data) = 0;
    virtual long GetActualDataLength() = 0;
};

class IPin : public IUnknown {
public:
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    // The connected pin with a reference, or VFW_E_NOT_CONNECTED.
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
};

class IEnumPins : public IUnknown {
public:
    // S_OK when all `count` were fetched, else S_FALSE.
    virtual HRESULT Next(uint32_t count, IPin** pins, uint32_t* fetched) = 0;
};

class IBaseFilter : public IUnknown {
public:
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
};

class IEnumFilters : public IUnknown {
public:
    virtual HRESULT Next(uint32_t count, IBaseFilter** filters, uint32_t* fetched) = 0;
};

class IMediaFilter : public IUnknown {
public:
    // Null: run without a reference clock, as fast as the filters go.
    virtual HRESULT SetSyncSource(void* clock) = 0;
};

class IMediaControl : public IUnknown {
public:
    virtual HRESULT Run() = 0;
    virtual HRESULT Stop() = 0;
};

class IMediaEvent : public IUnknown {
public:
    // S_OK with EC_COMPLETE or EC_ERRORABORT once a run has ended; E_ABORT when
    // `milliseconds` passed first (always, for a graph that was never run).
    virtual HRESULT WaitForCompletion(long milliseconds, long* eventCode) = 0;
};

class IGraphBuilder : public IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual HRESULT AddFilter(IBaseFilter* filter, const char* name) = 0;
    // Connects the output pin on to a renderer: through filters of the graph that take its
    // type first, else through the system's filters.
    virtual HRESULT Render(IPin* output) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    // Breaks this pin's side of a connection; the other side is disconnected on its own.
    virtual HRESULT Disconnect(IPin* pin) = 0;
};

using SampleCallback = HRESULT (*)(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                   BOOL typeChanged, void* user);

// For tests: the system's MPEG audio decoder puts out float samples instead of PCM.
void SetMpegDecoderOutputsFloat(bool on);

}  // namespace host
