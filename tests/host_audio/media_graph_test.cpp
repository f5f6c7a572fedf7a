// The media graph: rendering a memory reader through the system's filters, connections
// refused by type or because a pin is taken, the run and its end event (a run short of
// memory breaks off saying why), and a graph let go while it still runs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <new>

#include "host/dsound/dsound_types.h"
#include "host/graph/graph_classes.h"
#include "host/graph/mem_reader.h"
#include "host/graph/sample_grabber.h"
#include "tests/support/mp3_tone.h"

namespace {

using host::graph::Filter;

struct Counted {
    std::atomic<uint64_t> bytes{0};
    std::atomic<int> samples{0};
};

host::HRESULT Count(host::IMediaSample* sample, host::REFERENCE_TIME*, host::REFERENCE_TIME*, host::BOOL, void* user) {
    auto* c = static_cast<Counted*>(user);
    c->bytes += uint64_t(sample->GetActualDataLength());
    ++c->samples;
    return host::S_OK;
}

host::HRESULT ShortOfMemory(host::IMediaSample*, host::REFERENCE_TIME*, host::REFERENCE_TIME*, host::BOOL, void*) {
    throw std::bad_alloc();
}

class MediaGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        void* object = nullptr;
        ASSERT_EQ(host::graph::CreateFilterGraph(host::IID_IGraphBuilder, &object), host::S_OK);
        graph_ = static_cast<host::IGraphBuilder*>(object);
        grabber_->AddRef();
        const host::AM_MEDIA_TYPE pcm{host::MEDIATYPE_Audio, host::MEDIASUBTYPE_PCM, host::GUID_NULL};
        grabber_->SetAcceptedMediaType(&pcm);
        grabber_->SetCallback(&Count, &counted_);
    }
    void TearDown() override {
        if (graph_) graph_->Release();
        grabber_->Release();
        if (reader_) reader_->Release();
    }
    // A reader over `bytes`, added with the grabber; its output pin.
    host::graph::Pin* AddReader(const std::vector<uint8_t>& bytes) {
        bytes_ = bytes;
        stream_ = std::make_unique<host::D_CMemStream>(bytes_.data(), int64_t(bytes_.size()), host::MEMSTREAM_NO_RATE_LIMIT);
        const host::AM_MEDIA_TYPE type{host::MEDIATYPE_Stream, host::MEDIASUBTYPE_MPEG1Audio, host::GUID_NULL};
        host::HRESULT hr = host::E_FAIL;
        reader_ = new host::D_CMemReader(stream_.get(), &type, &hr);
        reader_->AddRef();
        EXPECT_EQ(hr, host::S_OK);
        EXPECT_EQ(graph_->AddFilter(grabber_, "SampleGrabber"), host::S_OK);
        EXPECT_EQ(graph_->AddFilter(reader_, "MemFile"), host::S_OK);
        return reader_->FirstPin(host::PINDIR_OUTPUT);
    }
    // Runs the graph; the code its run ends with.
    long RunToEnd() {
        host::IMediaEvent* events = nullptr;
        host::IMediaControl* control = nullptr;
        graph_->QueryInterface(host::IID_IMediaEvent, reinterpret_cast<void**>(&events));
        graph_->QueryInterface(host::IID_IMediaControl, reinterpret_cast<void**>(&control));
        long code = 0;
        EXPECT_EQ(events->WaitForCompletion(0, &code), host::E_ABORT) << "not run yet";
        control->Run();
        EXPECT_EQ(events->WaitForCompletion(10000, &code), host::S_OK);
        events->Release();
        control->Release();
        return code;
    }
    int FilterCount() {
        host::IEnumFilters* e = nullptr;
        graph_->EnumFilters(&e);
        int n = 0;
        host::IBaseFilter* f = nullptr;
        while (e->Next(1, &f, nullptr) == host::S_OK) {
            ++n;
            f->Release();
        }
        e->Release();
        return n;
    }
    static std::vector<uint8_t> Tone(int samples) { return mp3test::EncodeTone({44100, 2, samples, 440, 8000, 128}).bytes; }

    host::IGraphBuilder* graph_ = nullptr;
    host::D_CSampleGrabber* grabber_ = new host::D_CSampleGrabber;
    host::D_CMemReader* reader_ = nullptr;
    std::unique_ptr<host::D_CMemStream> stream_;
    std::vector<uint8_t> bytes_;
    Counted counted_;
};

TEST_F(MediaGraphTest, RenderingMp3GoesThroughTheDecoderAndTheGrabberToARenderer) {
    host::graph::Pin* out = AddReader(Tone(44100));
    ASSERT_EQ(graph_->Render(out), host::S_OK);
    EXPECT_EQ(FilterCount(), 4) << "reader, grabber, decoder and renderer";
    EXPECT_EQ(graph_->Render(out), host::VFW_E_ALREADY_CONNECTED);
    host::AM_MEDIA_TYPE type;
    ASSERT_EQ(grabber_->GetConnectedMediaType(&type), host::S_OK);
    EXPECT_EQ(type.subtype, host::MEDIASUBTYPE_PCM);
    ASSERT_EQ(type.cbFormat, sizeof(host::WAVEFORMATEX));
    host::WAVEFORMATEX f;
    std::memcpy(&f, type.pbFormat, sizeof f);
    host::FreeMediaType(type);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(RunToEnd(), host::EC_COMPLETE);
    EXPECT_EQ(counted_.bytes % 4, 0u);
    EXPECT_GE(counted_.bytes, 44100u * 4);
    EXPECT_LT(counted_.bytes, 44100u * 4 + 4 * 1152 * 4);
    void* none = nullptr;
    EXPECT_EQ(graph_->QueryInterface("IDirectSound", &none), host::E_NOINTERFACE);
}

// Memory running short in the decoder's part of a run (here in the filter it delivers to)
// breaks the run off, saying why.
TEST_F(MediaGraphTest, ARunShortOfMemoryBreaksOffWithItsReason) {
    ASSERT_EQ(graph_->Render(AddReader(Tone(4410))), host::S_OK);
    grabber_->SetCallback(&ShortOfMemory, nullptr);
    EXPECT_EQ(RunToEnd(), host::EC_ERRORABORT);
    EXPECT_EQ(host::GetGraphFailure(graph_), "memory ran out during the graph's run");
}

TEST_F(MediaGraphTest, DataNoFilterTakesCannotBeRenderedAndLeavesNoFilterBehind) {
    host::graph::Pin* out = AddReader(std::vector<uint8_t>(3000, 0x41));
    EXPECT_EQ(graph_->Render(out), host::VFW_E_CANNOT_RENDER);
    EXPECT_EQ(FilterCount(), 2);
    EXPECT_EQ(out->Peer(), nullptr);
    host::AM_MEDIA_TYPE type;
    EXPECT_EQ(grabber_->GetConnectedMediaType(&type), host::VFW_E_NOT_CONNECTED);
}

TEST_F(MediaGraphTest, ConnectionsAreRefusedByTypeOrATakenPinAndDisconnectOneSideAtATime) {
    host::graph::Pin* out = AddReader(Tone(4410));
    host::graph::Pin* grabberIn = grabber_->FirstPin(host::PINDIR_INPUT);
    EXPECT_EQ(graph_->Connect(out, grabberIn), host::VFW_E_TYPE_NOT_ACCEPTED) << "the grabber takes PCM only";
    EXPECT_EQ(graph_->Connect(grabberIn, out), host::E_INVALIDARG) << "directions swapped";
    void* object = nullptr;
    ASSERT_EQ(host::graph::CreateNullRenderer(host::IID_IBaseFilter, &object), host::S_OK);
    auto* sink = static_cast<Filter*>(static_cast<host::IBaseFilter*>(object));
    ASSERT_EQ(graph_->AddFilter(sink, "File Renderer"), host::S_OK);
    EXPECT_EQ(graph_->AddFilter(sink, "again"), host::E_INVALIDARG);
    host::graph::Pin* sinkIn = sink->FirstPin(host::PINDIR_INPUT);
    ASSERT_EQ(graph_->Connect(out, sinkIn), host::S_OK) << "the null renderer takes anything";
    EXPECT_EQ(graph_->Connect(out, grabberIn), host::VFW_E_ALREADY_CONNECTED);
    host::IPin* peer = nullptr;
    ASSERT_EQ(sinkIn->ConnectedTo(&peer), host::S_OK);
    EXPECT_EQ(peer, out);
    peer->Release();
    EXPECT_EQ(graph_->Disconnect(out), host::S_OK);
    EXPECT_EQ(graph_->Disconnect(out), host::S_FALSE);
    EXPECT_EQ(sinkIn->Peer(), out) << "the other side stays until disconnected itself";
    EXPECT_EQ(graph_->Disconnect(sinkIn), host::S_OK);
    sink->Release();
}

TEST_F(MediaGraphTest, AGraphLetGoWhileRunningStopsBeforeItsFiltersGo) {
    host::graph::Pin* out = AddReader(Tone(44100 * 4));
    ASSERT_EQ(graph_->Render(out), host::S_OK);
    host::IMediaControl* control = nullptr;
    graph_->QueryInterface(host::IID_IMediaControl, reinterpret_cast<void**>(&control));
    control->Run();
    control->Release();
    graph_->Release();
    graph_ = nullptr;
    // The run was stopped and joined, and the filters we still hold were let go of.
    EXPECT_EQ(grabber_->FirstPin(host::PINDIR_INPUT)->Peer(), nullptr);
    EXPECT_EQ(reader_->FirstPin(host::PINDIR_OUTPUT)->Peer(), nullptr);
}

}  // namespace
