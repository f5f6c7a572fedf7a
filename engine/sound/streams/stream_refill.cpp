// Keeping a stream's play buffer ahead of its play cursor: each refill decodes about an
// eighth of a second behind the write offset, moving on through the sources and their
// repeats, and writes silence once the end has been written until the cursor passes it.
#include "engine/sound/core/sound_state.h"
#include "engine/sound/core/sound_system.h"
#include "engine/sound/streams/stream_sound.h"

namespace orvik {

namespace {

uint32_t BlockAlign(const SoundRecord* r) { return r->format.nBlockAlign ? r->format.nBlockAlign : 1; }


// The bytes a playing stream asks for: a step, or enough to bring a lead below 192/512
// of a second back up to it.
uint32_t RefillRequest(const SoundRecord* r, uint32_t cursor) {
    const StreamPart& s = r->stream;
    const uint32_t a = r->format.nAvgBytesPerSec, b = BlockAlign(r);
    const uint32_t ahead = uint32_t((int64_t(s.writeOffset) - cursor + s.bufferSize) % s.bufferSize);
    const uint32_t lead = a ? uint32_t(uint64_t(ahead) * 512 / a) : 0;
    if (lead >= 192) return StreamQuantitiesOf(r->format).step;
    return uint32_t((uint64_t(192 - lead) * a) >> 9) / b * b;
}

// Whether the cursor has gone past the end since the last look, which moves on to it. An
// end just short of the buffer's end is passed as the cursor goes round, where a cursor
// beyond the end would be seen only if a look fell between the two.
bool PlayedOut(StreamPart& s, uint32_t cursor) {
    if (CursorPassed(s.cursorAtEnd % s.bufferSize, cursor, s.endOffset)) return true;
    s.cursorAtEnd = cursor;
    return false;
}

// The end is written at `reached`; silence follows until the cursor passes it. -1.
int EndStreamWriting(SoundRecord* r, StreamLockRegion* region, uint32_t reached, uint32_t cursor) {
    StreamPart& s = r->stream;
    s.endWritten = 1;
    s.endOffset = reached;
    s.cursorAtEnd = cursor;
    FillStreamSilence(r->format, region, StreamQuantitiesOf(r->format).step);
    return -1;
}

void StopPlayedOut(SoundBuffer* buffer, StreamPart& s) {
    SoundBufStop(buffer);
    s.endWritten = 0;
    RewindStreamPlayback(s);
}


// Decodes up to `request` bytes into the region from the sources in turn. Bytes written.
// A source that gives less than asked with room left has ended, and the stream moves on
// from it in the same refill: a sound shorter than the time between two refills would
// otherwise be played past by the cursor before its end is seen, and no refill would
// ever find the cursor behind the writer again.
uint32_t DecodeInto(SoundRecord* r, StreamLockRegion* region, uint32_t request, uint32_t cursor) {
    StreamPart& s = r->stream;
    const int64_t b = BlockAlign(r);
    uint32_t left = request;
    while (left > 0 && !s.endWritten) {
        const int32_t before = s.currentSource;
        StreamSource& source = s.sources[before];
        uint32_t step = left;
        if (source.loopEnd != -1) {
            const int64_t room = source.loopEnd * b - s.readPosition;
            step = uint32_t(room < 0 ? 0 : room < step ? room : step);
        }
        const uint32_t got = FillStreamFromConvert(region, &source.convert, step);
        if (got == 0) {
            AdvanceStreamSource(r, region, cursor);
        } else {
            left -= got;
            s.readPosition += int32_t(got);
        }
        const bool belowLoopEnd = source.loopEnd != -1 && s.readPosition < source.loopEnd * b;
        const bool ended = got > 0 && got < step && (region->free1 > 0 || region->free2 > 0);
        if (s.currentSource == before && !belowLoopEnd && !ended) break;
    }
    return request - left;
}

void MoveWriteOffset(SoundRecord* r, uint32_t written) {
    StreamPart& s = r->stream;
    if (s.writeOffset == kStreamNotWritten) {
        s.writeOffset = int32_t(written);
        s.writeGuard = 0;
        return;
    }
    s.writeOffset += int32_t(written);
    if (uint32_t(s.writeOffset) >= s.bufferSize) s.writeOffset -= int32_t(s.bufferSize);
    s.writeGuard = s.writeOffset - int32_t(StreamQuantitiesOf(r->format).guard);
    if (s.writeGuard < 0) s.writeGuard += int32_t(s.bufferSize);
}

// After the end: silence a step at a time until the cursor has passed the end.
int RefillAfterEnd(SoundRecord* r, SoundBuffer* buffer) {
    StreamPart& s = r->stream;
    const uint32_t cursor = SoundBufGetPosition(buffer);
    if (PlayedOut(s, cursor)) {
        StopPlayedOut(buffer, s);
        return 0;
    }
    if (!CursorInWriteZone(s.writeOffset, s.writeGuard, cursor)) return -1;
    const uint32_t step = StreamQuantitiesOf(r->format).step;
    StreamLockRegion region;
    if (LockStreamRegion(buffer, uint32_t(s.writeOffset), step, &region) != 0) return -1;
    FillStreamSilence(r->format, &region, step);
    UnlockStreamRegion(buffer, region);
    MoveWriteOffset(r, step);
    return 0;
}

int RefillLocked(SoundRecord* r, SoundBuffer* buffer) {
    StreamPart& s = r->stream;
    if (s.endWritten) return RefillAfterEnd(r, buffer);
    uint32_t offset = 0, request = 0, cursor = 0;
    uint32_t status = 0;
    if (SoundBufGetStatus(buffer, &status) != 0) return -1;
    if (!(status & host::DSBSTATUS_PLAYING)) {
        // A stopped stream keeps what it has; a prepared one gets its first fill.
        if (s.writeOffset != kStreamNotWritten) return 0;
        request = StreamQuantitiesOf(r->format).first;
    } else {
        cursor = SoundBufGetPosition(buffer);
        if (!CursorInWriteZone(s.writeOffset, s.writeGuard, cursor)) return -1;
        request = RefillRequest(r, cursor);
        offset = uint32_t(s.writeOffset);
        if (s.writeOffset < s.writeGuard && cursor < offset) cursor += s.bufferSize;
    }
    StreamLockRegion region;
    if (LockStreamRegion(buffer, offset, request, &region) != 0) return -1;
    const uint32_t written = DecodeInto(r, &region, request, cursor);
    UnlockStreamRegion(buffer, region);
    MoveWriteOffset(r, written);
    return 0;
}

}  // namespace

uint32_t FillStreamFromConvert(StreamLockRegion* region, SoundConvert* convert, uint32_t size) {
    uint32_t total = 0;
    while (size > 0) {
        const bool first = region->free1 > 0;
        if (!first && region->free2 == 0) break;
        uint8_t* part = first ? region->part1 + region->written1 : region->part2 + region->written2;
        uint32_t& written = first ? region->written1 : region->written2;
        uint32_t& room = first ? region->free1 : region->free2;
        const int got = ReadSoundConvert(convert, part, int32_t(size < room ? size : room));
        if (got <= 0) break;
        written += uint32_t(got);
        room -= uint32_t(got);
        size -= uint32_t(got);
        total += uint32_t(got);
    }
    return total;
}

int AdvanceStreamSource(SoundRecord* r, StreamLockRegion* region, uint32_t cursor) {
    StreamPart& s = r->stream;
    const uint32_t reached = region->free1 > 0 ? region->offset + region->written1 : region->written2;
    StreamSource& source = s.sources[s.currentSource];
    ++s.loopCounter;
    if (source.loopCount == -1) {
        if (s.jumpPending) return 0;
        s.readPosition = source.loopStart * int32_t(BlockAlign(r));
        s.jumpTarget = s.readPosition;
        s.jumpPending = 1;
        s.jumpOffset = reached;
    } else if (s.loopCounter <= source.loopCount) {
        s.readPosition = 0;
    } else {
        const bool last = s.currentSource == s.sourceCount - 1;
        if (last && s.playType == 3 && s.jumpPending) return 0;
        s.loopCounter = 0;
        ++s.currentSource;
        s.readPosition = 0;
        if (s.currentSource >= s.sourceCount) {
            s.passedLastSource = 1;
            if (s.playType != 3) return EndStreamWriting(r, region, reached, cursor);
            s.currentSource = 0;
            s.jumpTarget = 0;
            s.jumpPending = 1;
            s.jumpOffset = reached;
        }
    }
    // A source that cannot go back to where it should play from ends the stream there:
    // nothing else could be written, and the buffer would play its old content round again.
    if (SeekSoundConvert(&s.sources[s.currentSource].convert, s.readPosition / int32_t(BlockAlign(r))) != 0)
        return EndStreamWriting(r, region, reached, cursor);
    return 0;
}

int RefillStreamSound(int handle) {
    SoundRecord* r = FindSoundRecord(handle);
    if (!r) return -1;
    SoundBuffer* buffer = nullptr;
    if (r->kind != kStreamSound || GetStreamPlayBuffer(handle, r, &buffer, 0) != 0 || !r->stream.started) return 0;
    SoundLockGuard guard(SoundLock());
    if (FindSoundRecord(handle) != r) return -1;
    RefreshStreamPlayPosition(handle, -1);
    return RefillLocked(r, buffer);
}

int RefillAllStreamSounds() {
    if (!SoundStarted()) return -1;
    for (ListNode* n = Sound().streamHead.next; n && n->next; n = n->next) {
        auto* r = static_cast<SoundRecord*>(n->data);
        if (r->stream.started) RefillStreamSound(n->key);
    }
    return 0;
}

}  // namespace orvik
