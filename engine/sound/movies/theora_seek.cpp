// Seeks of a Theora movie's decoder by the tables the open's scan made. A decode to a
// frame starts from the page where its last keyframe's packet begins: no page before it
// is read again, and nothing that lies between pages (another stream's pages, damage, a
// gap) is read through when a page of the stream can be gone to at once.
#include <algorithm>

#include "engine/sound/movies/theora_movie.h"

namespace orvik {

namespace {

// Files interleave a movie's pages with its sound's closely: pages of frames that lie
// further apart than this have something else between them, which a seek passes over.
constexpr int64_t kTheoraReadOnBytes = int64_t{1} << 20;

// The last keyframe at or before frame; the stream's start when there is none.
int32_t LastKeyframe(const TheoraMovie* m, int32_t frame) {
    while (frame > 0 && !m->keyframeTable[size_t(frame)]) --frame;
    return frame;
}

// The row holding frame: the rows hold the frames in order, each at least one.
int32_t RowOf(const TheoraMovie* m, int32_t frame) {
    const auto& rows = m->pageTable;
    const auto after = std::upper_bound(rows.begin(), rows.end(), frame,
                                        [](int32_t f, const TheoraPageEntry& row) { return f < row.firstFrame; });
    return int32_t(after - rows.begin()) - 1;
}

// Rewinds to the row's page and reads it into the stream: the frame whose packet comes
// out first, or -1 when the file ends first. Row 0 starts at the file's start, headers
// and all; another row's page may begin with the end of a packet, which is lost.
int32_t StartAtRow(TheoraMovie* m, int32_t row) {
    const TheoraPageEntry& entry = m->pageTable[size_t(row)];
    RewindTheoraStream(m, entry.offset);
    if (row == 0) return entry.firstFrame;
    while (ogg_sync_pageout(&m->syncState, &m->oggPage) <= 0)
        if (ReadTheoraFileChunk(m, kTheoraReadChunk) == 0) return -1;
    ogg_stream_pagein(&m->streamState, &m->oggPage);
    return entry.firstFrame + (ogg_page_continued(&m->oggPage) ? 1 : 0);
}

}  // namespace

bool TheoraSeekPassesOver(const TheoraMovie* m, int32_t want) {
    const auto& rows = m->pageTable;
    const int64_t from = rows[size_t(RowOf(m, std::max(m->decodedFrame, 0)))].offset;
    return rows[size_t(RowOf(m, LastKeyframe(m, want)))].offset - from > kTheoraReadOnBytes;
}

bool SeekTheoraDecoder(TheoraMovie* m, int32_t target) {
    if (target < 0 || target >= m->frameCount || m->pageTable.empty()) return false;
    const int32_t key = LastKeyframe(m, target), row = RowOf(m, key);
    int32_t next = StartAtRow(m, row);
    // The keyframe is the first of its row and its packet began on an earlier page: it
    // begins where the packet before it ends, on the row before's page at the latest.
    if (next > key) next = StartAtRow(m, row - 1);
    if (next < 0) return false;
    m->decodedFrame = next - 1;
    m->outputReady = false;
    return DecodeTheoraFrames(m, target - m->decodedFrame) >= 0;
}

}  // namespace orvik
