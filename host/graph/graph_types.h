// The media graph: filters with pins, connected by media type, run by a graph that
// builds the chain from a pin to a renderer out of the filters it knows and signals the
// end of the stream. Audio decoding through a graph (a memory reader source, an MPEG
// audio decoder, a sample grabber, a null renderer) and movie playback (a file source
// over FFmpeg, an audio renderer on the host mixer, video renderers of the caller's),
// paced by a clock, with pause, seeking and volume.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "host/gdi/dib_output.h"
#include "host/win/system/com.h"
#include "host/win/system/types.h"

namespace host {

using GUID = std::string_view;  // empty: GUID_NULL, which matches any in a type to accept
constexpr GUID GUID_NULL = "";
constexpr GUID MEDIATYPE_Stream = "MEDIATYPE_Stream", MEDIATYPE_Audio = "MEDIATYPE_Audio";
constexpr GUID MEDIASUBTYPE_MPEG1Audio = "MEDIASUBTYPE_MPEG1Audio", MEDIASUBTYPE_PCM = "MEDIASUBTYPE_PCM",
               MEDIASUBTYPE_IEEE_FLOAT = "MEDIASUBTYPE_IEEE_FLOAT";
constexpr GUID FORMAT_WaveFormatEx = "FORMAT_WaveFormatEx";
constexpr GUID MEDIATYPE_Video = "MEDIATYPE_Video", MEDIASUBTYPE_RGB24 = "MEDIASUBTYPE_RGB24",
               MEDIASUBTYPE_RGB32 = "MEDIASUBTYPE_RGB32", FORMAT_VideoInfo = "FORMAT_VideoInfo";

constexpr REFCLSID CLSID_FilterGraph = "FilterGraph", CLSID_NullRenderer = "NullRenderer";
constexpr REFIID IID_IGraphBuilder = "IGraphBuilder", IID_IBaseFilter = "IBaseFilter",
                 IID_IMediaFilter = "IMediaFilter", IID_IMediaControl = "IMediaControl",
                 IID_IMediaEvent = "IMediaEvent", IID_IMediaSeeking = "IMediaSeeking",
                 IID_IBasicAudio = "IBasicAudio";

using REFERENCE_TIME = int64_t;

constexpr HRESULT E_ABORT = HRESULT(0x80004004u), E_NOTIMPL = HRESULT(0x80004001u), VFW_E_NOT_CONNECTED = HRESULT(0x80040209u),
                  VFW_E_ALREADY_CONNECTED = HRESULT(0x80040204u), VFW_E_CANNOT_RENDER = HRESULT(0x80040218u),
                  VFW_E_TYPE_NOT_ACCEPTED = HRESULT(0x8004022Au), VFW_E_NOT_STOPPED = HRESULT(0x80040224u),
                  VFW_E_UNKNOWN_FILE_TYPE = HRESULT(0x80040240u), VFW_S_PARTIAL_RENDER = HRESULT(0x00040242),
                  VFW_E_SAMPLE_TIME_NOT_SET = HRESULT(0x80040249u),
                  E_FILE_NOT_FOUND = HRESULT(0x80070002u);  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)

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


// The format block of FORMAT_VideoInfo.
struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
};

class IMediaSample : public IUnknown {
public:
    virtual HRESULT GetPointer(uint8_t** data) = 0;
    virtual long GetActualDataLength() = 0;
    // Stream times of the sample, in 100 ns; VFW_E_SAMPLE_TIME_NOT_SET when it has none.
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
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
    // Holds the stream where it is; a stopped graph is cued, showing its first picture.
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
};

constexpr uint32_t AM_SEEKING_NoPositioning = 0, AM_SEEKING_AbsolutePositioning = 1;
enum class TimeFormat { MediaTime, Frame };  // TIME_FORMAT_MEDIA_TIME (100 ns), TIME_FORMAT_FRAME

// Positions of a graph in 100 ns of stream time.
class IMediaSeeking : public IUnknown {
public:
    virtual HRESULT GetDuration(REFERENCE_TIME* duration) = 0;
    virtual HRESULT GetStopPosition(REFERENCE_TIME* stop) = 0;
    virtual HRESULT GetCurrentPosition(REFERENCE_TIME* current) = 0;
    virtual HRESULT SetPositions(REFERENCE_TIME* current, uint32_t currentFlags, REFERENCE_TIME* stop,
                                 uint32_t stopFlags) = 0;
    virtual HRESULT ConvertTimeFormat(int64_t* target, TimeFormat targetFormat, int64_t source,
                                      TimeFormat sourceFormat) = 0;
};

// The graph's sound: volume in hundredths of a decibel, -10000 (silent) to 0 (full).
class IBasicAudio : public IUnknown {
public:
    virtual HRESULT put_Volume(long volume) = 0;
    virtual HRESULT get_Volume(long* volume) = 0;
};

class IMediaEvent : public IUnknown {
public:
    // The oldest event waiting (EC_COMPLETE, EC_ERRORABORT), taken off the queue; E_ABORT
    // when none came within `milliseconds`.
    virtual HRESULT GetEvent(long* eventCode, long milliseconds) = 0;
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
    // Builds the graph that plays a file: a source for it and each of its streams
    // rendered. E_FILE_NOT_FOUND when there is no file of that name, and
    // VFW_E_UNKNOWN_FILE_TYPE at once for one that cannot be played as media;
    // VFW_S_PARTIAL_RENDER when some stream found no renderer.
    virtual HRESULT RenderFile(const char16_t* file, const char16_t* playList) = 0;
};

using SampleCallback = HRESULT (*)(IMediaSample* sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                   BOOL typeChanged, void* user);

// For tests: the system's MPEG audio decoder puts out float samples instead of PCM.
void SetMpegDecoderOutputsFloat(bool on);
// For tests: whether a running graph's source has read as far ahead as its renderers
// take (or to its end), so that the clock may move on without a renderer running dry.
bool IsGraphSourceAhead(IGraphBuilder* graph);
// Why the graph's last RenderFile failed, or its last run could not start or broke off
// (EC_ERRORABORT); empty when none did, or when a filter refused the file's pictures,
// which says why itself.
std::string GetGraphFailure(IGraphBuilder* graph);

}  // namespace host
