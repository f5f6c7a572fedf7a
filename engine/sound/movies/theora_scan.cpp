// The two passes over a Theora file at open: the three codec headers, then every page,
// noting where video packets begin and which frames are keyframes.
#include <new>

#include "engine/platform/base/log.h"
#include "engine/sound/movies/theora_movie.h"

namespace orvik {

namespace {

// The table pass reads the whole file once, whatever lies between its pages: in larger
// pieces than playback's, a sixteenth of the calls.
constexpr int32_t kTheoraScanChunk = 1 << 16;

// A stream-starting page is tried as the Theora identification header; on success its
// stream becomes the movie's.
bool TryTheoraStream(TheoraMovie* m, ogg_page* page) {
    ogg_stream_state trial;
    if (ogg_stream_init(&trial, ogg_page_serialno(page)) != 0) return false;
    ogg_packet packet;
    if (ogg_stream_pagein(&trial, page) == 0 && ogg_stream_packetout(&trial, &packet) == 1 &&
        theora_decode_header(&m->info, &m->comment, &packet) >= 0) {
        m->headerCount = 1;
        m->streamState = trial;
        m->streamMade = true;
        return true;
    }
    ogg_stream_clear(&trial);
    return false;
}

// Looks at the stream-starting pages until the Theora one is found or the first page of
// data comes.
void FindTheoraStream(TheoraMovie* m) {
    ogg_page page;
    for (;;) {
        const int got = ogg_sync_pageout(&m->syncState, &page);
        if (got < 0) continue;
        if (got == 0) {
            if (ReadTheoraFileChunk(m, kTheoraReadChunk) == 0) return;
            continue;
        }
        if (!ogg_page_bos(&page)) {
            if (m->streamMade) ogg_stream_pagein(&m->streamState, &page);
            return;
        }
        if (!m->streamMade && TryTheoraStream(m, &page)) return;
    }
}

void AddFrame(TheoraMovie* m, int64_t pageOffset, bool& newPage, bool key) {
    if (newPage || m->pageTable.empty()) {
        m->pageTable.push_back({pageOffset, int32_t(m->frameCount), 0, 0});
        newPage = false;
    }
    if (key) m->pageTable.back().keyframe = 1;
    m->keyframeTable.push_back(key ? 1 : 0);
    ++m->frameCount;
    ++m->pageTable.back().frames;
}

}  // namespace

int ScanTheoraHeaders(TheoraMovie* m) {
    FindTheoraStream(m);
    if (!m->streamMade) return -1;
    ogg_page page;
    while (m->headerCount < 3) {
        const int got = ogg_stream_packetout(&m->streamState, &m->packet);
        if (got < 0) return -1;
        if (got > 0) {
            if (theora_decode_header(&m->info, &m->comment, &m->packet) != 0) return -1;
            ++m->headerCount;
            continue;
        }
        if (ogg_sync_pageout(&m->syncState, &page) > 0) {
            ogg_stream_pagein(&m->streamState, &page);
            continue;
        }
        // End of file while searching for codec headers.
        if (ReadTheoraFileChunk(m, kTheoraReadChunk) == 0) return -1;
    }
    return 1;
}

int BuildTheoraTables(TheoraMovie* m) {
    RewindTheoraStream(m, 0);
    int64_t offset = 0, lastPage = 0;
    bool newPage = false;
    try {
        for (;;) {
            const int got = ogg_stream_packetout(&m->streamState, &m->packet);
            if (got == 0) {
                const long seek = ogg_sync_pageseek(&m->syncState, &m->oggPage);
                if (seek > 0) {
                    lastPage = offset;
                    newPage = true;
                    ogg_stream_pagein(&m->streamState, &m->oggPage);
                } else if (seek == 0 && ReadTheoraFileChunk(m, kTheoraScanChunk) == 0) {
                    break;
                }
                offset += seek < 0 ? -seek : seek;
                continue;
            }
            if (got < 0) continue;
            const int key = theora_packet_iskeyframe(&m->packet);
            if (key >= 0) AddFrame(m, lastPage, newPage, key == 1);
        }
    } catch (const std::bad_alloc&) {
        return AddLogText("Theora ページ情報格納用メモリの確保に失敗しました\n");
    }
    // The first row starts at the file's start, headers included, so a rewind to it
    // meets the stream from its first page.
    if (!m->pageTable.empty()) m->pageTable.front().offset = 0;
    return 0;
}

}  // namespace orvik
