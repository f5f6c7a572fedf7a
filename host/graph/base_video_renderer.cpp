#include "host/graph/base_video_renderer.h"

#include "host/graph/graph_clock.h"

namespace host {

namespace {
constexpr REFERENCE_TIME kAhead = 5000000;  // half a second
constexpr size_t kMostQueued = 32;
constexpr size_t kMostQueuedUnclocked = 2;
// While a sound renderer runs short: up to eight seconds of pictures, in at most 64 MiB.
constexpr REFERENCE_TIME kMostAhead = 80000000;
constexpr size_t kMostQueuedBytes = size_t(64) << 20;
// Less than this ahead of the clock, the picture is about to run dry.
constexpr REFERENCE_TIME kShortAhead = 2500000;
}  // namespace

D_CBaseVideoRenderer::D_CBaseVideoRenderer(REFCLSID clsid, const char*, IUnknown*, HRESULT* result)
    : graph::Filter(0), clsid_(clsid) {
    AddPin(PINDIR_INPUT);
    if (result) *result = S_OK;
}

// Type checks belong to the renderer, which may keep state while it looks.
bool D_CBaseVideoRenderer::AcceptsInput(const AM_MEDIA_TYPE& type) const {
    return const_cast<D_CBaseVideoRenderer*>(this)->CheckMediaType(&type) == S_OK;
}

bool D_CBaseVideoRenderer::InputConnected(graph::Pin& input) { return SUCCEEDED(SetMediaType(&input.Type())); }

bool D_CBaseVideoRenderer::Full() {
    const graph::GraphClock* clock = RunClock();
    std::lock_guard lock(mutex_);
    if (!clock) return queue_.size() >= kMostQueuedUnclocked;
    return queue_.size() >= kMostQueued || (!queue_.empty() && queue_.back().start - clock->Now() > kAhead);
}

bool D_CBaseVideoRenderer::Overfull() {
    const graph::GraphClock* clock = RunClock();
    std::lock_guard lock(mutex_);
    if (!clock) return queue_.size() >= kMostQueuedUnclocked;
    return queuedBytes_ >= kMostQueuedBytes || (!queue_.empty() && queue_.back().start - clock->Now() > kMostAhead);
}

bool D_CBaseVideoRenderer::RunningShort() const {
    const graph::GraphClock* clock = RunClock();
    if (!clock || !FirstPin(PINDIR_INPUT)->Peer()) return false;
    std::lock_guard lock(mutex_);
    return !ended_ && (queue_.empty() || queue_.back().start - clock->Now() < kShortAhead);
}

void D_CBaseVideoRenderer::Receive(IMediaSample* sample) {
    uint8_t* data = nullptr;
    if (sample->GetPointer(&data) != S_OK) return;
    Queued q;
    q.timed = sample->GetTime(&q.start, &q.stop) == S_OK;
    q.length = size_t(sample->GetActualDataLength());
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            q.bytes = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    // A sample over a buffer of its sender's is kept as it is, the sender filling the
    // spare next; any other is copied.
    if (!TakeSampleBuffer(sample, q.bytes)) q.bytes.assign(data, data + q.length);
    {
        std::lock_guard lock(mutex_);
        queuedBytes_ += q.length;
        queue_.push_back(std::move(q));
    }
    arrived_.notify_all();
    WaitWhileFull([this] { return Full(); }, [this] { return Overfull(); });
}

void D_CBaseVideoRenderer::EndOfStream() {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    arrived_.notify_all();
}

void D_CBaseVideoRenderer::Flush() {
    std::lock_guard lock(mutex_);
    for (Queued& q : queue_) spare_.push_back(std::move(q.bytes));
    queue_.clear();
    queuedBytes_ = 0;
    ended_ = false;
    shownUntil_.reset();
}

// Elements of a deque stay where they are while others are added behind them, so the
// front can be rendered outside the lock.
D_CBaseVideoRenderer::Queued* D_CBaseVideoRenderer::Front(bool* ended) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, std::chrono::milliseconds(1), [this] { return ended_ || !queue_.empty(); });
    *ended = ended_;
    return queue_.empty() ? nullptr : &queue_.front();
}

void D_CBaseVideoRenderer::Pop() {
    std::unique_lock lock(mutex_);
    if (queue_.front().timed) shownUntil_ = queue_.front().stop;
    queuedBytes_ -= queue_.front().length;
    spare_.push_back(std::move(queue_.front().bytes));
    queue_.pop_front();
    lock.unlock();
    WakeHeldSources();
}

bool D_CBaseVideoRenderer::TakeSampleBuffer(IMediaSample* sample, std::vector<uint8_t>& buffer) {
    auto* given = dynamic_cast<graph::Sample*>(sample);
    return given && given->GiveBuffer(buffer);
}

bool D_CBaseVideoRenderer::Stream(const std::atomic<bool>& stop) {
    if (!FirstPin(PINDIR_INPUT)->Peer()) return true;  // nothing will come
    while (!stop) {
        bool ended = false;
        Queued* q = Front(&ended);
        if (!q) {
            if (ended) return true;
            continue;
        }
        if (q->timed && !WaitForStreamTime(q->start)) return true;
        // The sample is over the queue's buffer, so a renderer that keeps frames may take
        // the buffer itself (TakeSampleBuffer); what it leaves in its place becomes a spare.
        graph::Sample sample = q->timed ? graph::Sample(q->bytes, q->length, q->start, q->stop)
                                        : graph::Sample(q->bytes, q->length);
        DoRenderSample(&sample);
        Pop();
    }
    return true;
}

// The last picture stays on screen for its time: a looping movie starts over, and the
// graph signals its end, once that is over.
bool D_CBaseVideoRenderer::Drain(const std::atomic<bool>&) {
    std::optional<REFERENCE_TIME> until;
    {
        std::lock_guard lock(mutex_);
        until = shownUntil_;
    }
    if (until) WaitForStreamTime(*until);
    return true;
}

}  // namespace host
