// The last decoder of the order: MP3 decoded whole through a media graph. The file is
// served from memory, the system's filters parse and decode it, a sample grabber copies
// every PCM sample into a growing block and a null renderer stands in for the sound
// card; the graph runs without a clock and the set-up waits for its end.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"
#include "engine/platform/base/short_of_memory.h"
#include "engine/platform/window/message_pump.h"
#include "engine/platform/startup/system_libraries.h"
#include "engine/sound/decoders/mp3_graph.h"
#include "engine/sound/decoders/sound_convert.h"
#include "engine/sound/core/sound_state.h"
#include "engine/sound/streams/stream_io.h"
#include "host/graph/mem_reader.h"
#include "host/graph/sample_grabber.h"

namespace orvik {

namespace {

constexpr uint32_t kPcmGrowth = 1u << 20;
constexpr long kWaitMilliseconds = 100;
// The first PCM block is ten times the file; past this it grows a MiB at a time instead,
// so a large file cannot push the 32-bit capacity round.
constexpr uint64_t kMaxFirstCapacity = 1u << 30;

template <class T>
void ReleaseInto(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

// Everything a conversion holds; whatever is left is let go in the order the graph needs.
struct GraphRun {
    uint8_t* copy = nullptr;
    std::unique_ptr<host::D_CMemStream> stream;
    host::D_CMemReader* reader = nullptr;
    host::IBaseFilter* nullRenderer = nullptr;
    host::IGraphBuilder* graph = nullptr;
    host::D_CSampleGrabber* grabber = nullptr;
    host::IMediaFilter* mediaFilter = nullptr;
    host::IMediaControl* control = nullptr;
    host::IMediaEvent* events = nullptr;

    ~GraphRun() {
        ReleaseInto(control);
        ReleaseInto(mediaFilter);
        ReleaseInto(events);
        ReleaseInto(graph);
        ReleaseInto(nullRenderer);
        ReleaseInto(grabber);
        stream.reset();
        ReleaseInto(reader);
        TrackedFree(copy);
    }
};

int Fail(SoundConvert* c) {
    TrackedFree(c->memory.data);
    c->memory = MemoryPcmState{};
    return -1;
}

// The whole stream into a tracked block.
bool CopyFile(SoundConvert* c, GraphRun& run, uint32_t* size) {
    *size = StreamLength(c->stream);
    StreamSeek(c->stream, 0, 0);
    run.copy = static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(*size ? *size : 1));
    return run.copy && StreamReadExact(c->stream, run.copy, *size);
}

// Finds the renderer the graph chose (an input, no output, connected), takes it out and
// hands back the pin that fed it; null when there is none.
host::IPin* TakeOutRenderer(host::IGraphBuilder* graph) {
    host::IEnumFilters* filters = nullptr;
    if (graph->EnumFilters(&filters) != host::S_OK) return nullptr;
    host::IPin* upstream = nullptr;
    host::IBaseFilter* f = nullptr;
    while (!upstream && filters->Next(1, &f, nullptr) == host::S_OK) {
        host::IPin* in = GetFilterPin(f, host::PINDIR_INPUT);
        host::IPin* out = GetFilterPin(f, host::PINDIR_OUTPUT);
        if (in && !out && in->ConnectedTo(&upstream) == host::S_OK) {
            graph->Disconnect(upstream);
            graph->Disconnect(in);
        }
        ReleaseInto(in);
        ReleaseInto(out);
        ReleaseInto(f);
    }
    filters->Release();
    return upstream;
}

bool SwapInNullRenderer(GraphRun& run) {
    host::IPin* upstream = TakeOutRenderer(run.graph);
    host::IPin* input = GetFilterPin(run.nullRenderer, host::PINDIR_INPUT);
    const bool connected = upstream && input && run.graph->Connect(upstream, input) == host::S_OK;
    ReleaseInto(upstream);
    ReleaseInto(input);
    return connected;
}

// The output format from the grabber's connection; a message when it is none we take.
const char* TakeOutputFormat(SoundConvert* c, host::D_CSampleGrabber* grabber) {
    host::AM_MEDIA_TYPE type;
    if (grabber->GetConnectedMediaType(&type) != host::S_OK)
        return "音声が含まれていないか、オーディオフォーマットの取得に失敗しました。";
    host::WAVEFORMATEX f;
    const bool wave = type.formattype == host::FORMAT_WaveFormatEx && type.cbFormat >= 16;
    if (wave) std::memcpy(&f, type.pbFormat, std::min<uint32_t>(type.cbFormat, sizeof f));
    host::FreeMediaType(type);
    if (!wave) return "サポート外のストリームフォーマットです。";
    if (f.wFormatTag != host::WAVE_FORMAT_PCM || f.nChannels == 0) return "サポート外のオーディオフォーマットです。";
    host::WAVEFORMATEX& o = c->outputFormat;
    o.wFormatTag = host::WAVE_FORMAT_PCM;
    o.nChannels = f.nChannels;
    o.nSamplesPerSec = f.nSamplesPerSec;
    o.nBlockAlign = f.nBlockAlign;
    o.nAvgBytesPerSec = uint32_t(f.nBlockAlign) * f.nSamplesPerSec;
    o.wBitsPerSample = uint16_t(f.nBlockAlign * 8 / f.nChannels);
    o.cbSize = 0;
    return nullptr;
}

// Builds the graph up to the point where it can run. A message, or null when it is ready.
const char* BuildGraph(SoundConvert* c, GraphRun& run, uint32_t size) {
    run.stream.reset(new (std::nothrow) host::D_CMemStream(run.copy, size, host::MEMSTREAM_NO_RATE_LIMIT));
    if (!run.stream) return "MP3変換用 D_CMemStream の作成に失敗しました";
    const host::AM_MEDIA_TYPE readerType{host::MEDIATYPE_Stream, host::MEDIASUBTYPE_MPEG1Audio, host::GUID_NULL};
    host::HRESULT hr = host::E_FAIL;
    run.reader = new (std::nothrow) host::D_CMemReader(run.stream.get(), &readerType, &hr);
    if (run.reader) run.reader->AddRef();
    if (!run.reader || hr != host::S_OK) return "MP3変換用 D_CMemReader の作成に失敗しました";
    auto create = Libraries().CoCreateInstance;
    void* object = nullptr;
    if (!create || create(host::CLSID_NullRenderer, nullptr, host::CLSCTX_INPROC_SERVER, host::IID_IBaseFilter, &object) < 0)
        return "MP3変換用 NullRender の作成に失敗しました";
    run.nullRenderer = static_cast<host::IBaseFilter*>(object);
    if (create(host::CLSID_FilterGraph, nullptr, host::CLSCTX_INPROC_SERVER | host::CLSCTX_INPROC_HANDLER,
               host::IID_IGraphBuilder, &object) < 0)
        return "MP3変換用 IGraphBuilder の作成に失敗しました";
    run.graph = static_cast<host::IGraphBuilder*>(object);
    run.grabber = new (std::nothrow) host::D_CSampleGrabber;
    if (!run.grabber) return "MP3変換用 D_CSampleGrabber の作成に失敗しました";
    run.grabber->AddRef();  // ours until the end, so a failure before the graph takes it frees it
    const host::AM_MEDIA_TYPE pcm{host::MEDIATYPE_Audio, host::MEDIASUBTYPE_PCM, host::GUID_NULL};
    if (run.grabber->SetAcceptedMediaType(&pcm) != host::S_OK) return "サンプルグラバフィルタのメディアタイプの設定に失敗しました";
    if (run.graph->AddFilter(run.grabber, "SampleGrabber") < 0) return "サンプルグラバフィルタのグラフへの追加に失敗しました";
    if (run.graph->AddFilter(run.reader, "MemFile") < 0) return "メモリファイルフィルタのグラフへの追加に失敗しました";
    host::IPin* source = GetFilterPin(run.reader, host::PINDIR_OUTPUT);
    hr = source ? run.graph->Render(source) : host::E_FAIL;
    ReleaseInto(source);
    if (hr < 0) return "グラフの構築に失敗しました";
    if (run.graph->AddFilter(run.nullRenderer, "File Renderer") < 0) return "ヌルレンダラーフィルタのグラフへの追加に失敗しました";
    if (!SwapInNullRenderer(run)) return "既存レンダラーをNullレンダラーと交換する処理が失敗しました";
    if (const char* message = TakeOutputFormat(c, run.grabber)) return message;
    if (run.grabber->SetCallback(&Mp3GrabberCallback, c) != host::S_OK) return "コールバック関数を設定できません";
    MemoryPcmState& m = c->memory;
    m.capacity = uint32_t(std::min<uint64_t>(uint64_t(size) * 10, kMaxFirstCapacity));
    m.data = static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(m.capacity ? m.capacity : 1));
    if (!m.data) return "PCMデータを格納するメモリ領域の確保に失敗しました";
    m.size = 0;
    if (run.graph->QueryInterface(host::IID_IMediaFilter, reinterpret_cast<void**>(&run.mediaFilter)) < 0)
        return "IMediaFilter の取得に失敗しました";
    run.mediaFilter->SetSyncSource(nullptr);
    if (run.graph->QueryInterface(host::IID_IMediaControl, reinterpret_cast<void**>(&run.control)) < 0)
        return "IMediaControl の取得に失敗しました";
    if (run.graph->QueryInterface(host::IID_IMediaEvent, reinterpret_cast<void**>(&run.events)) < 0)
        return "IMediaEvent の取得に失敗しました";
    return nullptr;
}

// Runs the graph to its end, pumping the messages meanwhile. A message, or null when the
// whole file was decoded.
const char* RunToEnd(SoundConvert* c, GraphRun& run) {
    if (run.control->Run() < 0) return "MP3変換の途中でエラーが発生しました";
    for (;;) {
        if (PumpMessagesCore() != 0) return "MP3変換の途中でソフトが終了しました";
        long code = 0;
        if (run.events->WaitForCompletion(kWaitMilliseconds, &code) != host::S_OK) continue;
        if (code == host::EC_ERRORABORT) return "MP3変換の途中でエラーが発生しました";
        if (code == host::EC_COMPLETE)
            return c->memory.data ? nullptr : "PCMデータを格納するメモリ領域の再確保に失敗しました";
    }
}

}  // namespace

host::IPin* GetFilterPin(host::IBaseFilter* filter, host::PIN_DIRECTION direction) {
    host::IEnumPins* pins = nullptr;
    if (!filter || filter->EnumPins(&pins) != host::S_OK) return nullptr;
    host::IPin* found = nullptr;
    host::IPin* pin = nullptr;
    while (!found && pins->Next(1, &pin, nullptr) == host::S_OK) {
        host::PIN_DIRECTION d;
        if (pin->QueryDirection(&d) == host::S_OK && d == direction) found = pin;
        else pin->Release();
    }
    pins->Release();
    return found;
}

host::HRESULT Mp3GrabberCallback(host::IMediaSample* sample, host::REFERENCE_TIME*, host::REFERENCE_TIME*,
                                 host::BOOL, void* user) {
    MemoryPcmState& m = static_cast<SoundConvert*>(user)->memory;
    uint8_t* bytes = nullptr;
    if (!m.data || sample->GetPointer(&bytes) != host::S_OK) return host::S_OK;
    const uint32_t n = uint32_t(std::max<long>(sample->GetActualDataLength(), 0));
    if (uint64_t(m.size) + n > m.capacity && GrowMemoryPcm(&m, n) != 0) return host::S_OK;
    std::memcpy(m.data + m.size, bytes, n);
    m.size += n;
    return host::S_OK;
}

int GrowMemoryPcm(MemoryPcmState* m, uint32_t incoming) {
    uint64_t capacity = m->capacity;
    while (uint64_t(m->size) + incoming > capacity) capacity += kPcmGrowth;
    auto* grown = capacity <= kTrackedMaxSize ? static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(size_t(capacity))) : nullptr;
    if (grown) std::memcpy(grown, m->data, m->size);
    TrackedFree(m->data);
    m->data = grown;  // null drops every later sample; the end of the run reports it
    if (!grown) return -1;
    m->capacity = uint32_t(capacity);
    return 0;
}

namespace {

// The whole conversion, 0 or -1 (logged when the graph failed); every graph object is
// gone when it returns, so nothing writes the PCM any more.
int Convert(SoundConvert* c) {
    GraphRun run;
    uint32_t size = 0;
    if (!CopyFile(c, run, &size)) return -1;
    const char* message = BuildGraph(c, run, size);
    if (!message) message = RunToEnd(c, run);
    if (!message) return 0;
    AddLogText(message);
    return -1;
}

}  // namespace

int ConvertMp3ToPcm(SoundConvert* c) {
    c->memory = MemoryPcmState{};
    // Memory running short inside the graph's objects fails the conversion like any other.
    if (UnlessShortOfMemory("ConvertMp3ToPcm", nullptr, -1, [&] { return Convert(c); }) != 0) return Fail(c);
    c->blockSize = int32_t(c->outputFormat.nAvgBytesPerSec);
    c->method = kConvertMemoryPcm;
    c->memory.readPosition = 0;
    return 0;
}

}  // namespace orvik
