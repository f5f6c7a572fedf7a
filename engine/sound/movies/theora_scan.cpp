// The two passes over a Theora file at open: the three codec headers, then every page,
// noting where video packets begin and which frames are keyframes.
#include <cstring>
#include <memory>
#include <new>

#include "engine/platform/base/log.h"
#include "engine/sound/movies/theora_movie.h"

namespace orvik {

namespace {

// The table pass reads the whole file once, whatever lies between its pages: in larger
// pieces than playback's, a sixteenth of the calls, into a page-aligned buffer of its own.
// libogg's buffer starts wherever the heap puts it, which differs with what was allocated
// before (the device path allocates other things than the software path), and on some
// processors the kernel copies several times slower into a buffer a few bytes into a page.
constexpr int32_t kTheoraScanChunk = 1 << 16;
struct alignas(4096) ScanPiece {
    char bytes[kTheoraScanChunk];
};

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

// Reads the table pass's next piece; the bytes read, 0 at the end. It goes on into libogg
// only where it may hold part of a page: libogg holds the start of one (`pending`), or a
// capture pattern may start in it. Any other piece libogg would skip whole (a gap of a
// sparse file, another program's data), so `skipped` is set and it is not copied.
size_t ReadScanPiece(TheoraMovie* m, ScanPiece& piece, bool pending, bool& skipped) {
    const size_t got = m->fileFunctions.read(piece.bytes, 1, sizeof piece.bytes, m->file);
    skipped = !pending && !std::memchr(piece.bytes, 'O', got);
    if (got == 0 || skipped) return got;
    char* into = ogg_sync_buffer(&m->syncState, long(got));
    if (!into) return 0;
    std::memcpy(into, piece.bytes, got);
    ogg_sync_wrote(&m->syncState, long(got));
    return got;
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
    // Bytes of the file libogg has passed (pages and skipped bytes), and bytes read.
    int64_t offset = 0, readTo = 0, lastPage = 0;
    bool newPage = false;
    try {
        const std::unique_ptr<ScanPiece> piece(new ScanPiece);
        for (;;) {
            const int got = ogg_stream_packetout(&m->streamState, &m->packet);
            if (got == 0) {
                const long seek = ogg_sync_pageseek(&m->syncState, &m->oggPage);
                if (seek > 0) {
                    lastPage = offset;
                    newPage = true;
                    ogg_stream_pagein(&m->streamState, &m->oggPage);
                } else if (seek == 0) {
                    bool skipped = false;
                    const size_t bytes = ReadScanPiece(m, *piece, readTo > offset, skipped);
                    if (bytes == 0) break;
                    readTo += int64_t(bytes);
                    if (skipped) offset += int64_t(bytes);
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
