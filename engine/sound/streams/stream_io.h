// Small reads and seeks on a conversion record's stream, byte-exact whatever the stream:
// every read asks for single bytes, so a short read is always seen.
#pragma once
#include <cstdint>

#include "engine/sound/decoders/sound_convert.h"

namespace orvik {

inline bool StreamReadExact(const StreamDescriptor& s, void* buffer, uint32_t bytes) {
    return s.functions.read(buffer, 1, bytes, s.handle) == bytes;
}
inline uint32_t StreamReadSome(const StreamDescriptor& s, void* buffer, uint32_t bytes) {
    return uint32_t(s.functions.read(buffer, 1, bytes, s.handle));
}
inline int32_t StreamTell(const StreamDescriptor& s) { return s.functions.tell(s.handle); }
inline void StreamSeek(const StreamDescriptor& s, int64_t offset, int origin) {
    // Offsets past the 32-bit range are pinned to it; the stream clamps to its own size.
    if (offset > INT32_MAX) offset = INT32_MAX;
    if (offset < INT32_MIN) offset = INT32_MIN;
    s.functions.seek(s.handle, int32_t(offset), origin);
}
// The stream's length; the position is put back.
inline uint32_t StreamLength(const StreamDescriptor& s) {
    const int32_t here = StreamTell(s);
    StreamSeek(s, 0, 2);
    const int32_t length = StreamTell(s);
    StreamSeek(s, here, 0);
    return length > 0 ? uint32_t(length) : 0;
}

}  // namespace orvik
