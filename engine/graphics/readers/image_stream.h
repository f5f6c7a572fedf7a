// The stream an image reader pulls from, and a small cursor over it that readers use so
// that every read is checked against the bytes really there.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/platform/files/stream.h"

namespace orvik {

struct ImageStream {
    StreamFunctions functions;
    StreamHandle handle;
};

class StreamCursor {
public:
    explicit StreamCursor(const ImageStream& stream) : s_(stream) {}

    int64_t Tell() const { return s_.functions.tell(s_.handle); }
    bool Seek(int64_t offset, int origin = 0) const;
    // Bytes from the start to the end of the stream; the position is kept.
    int64_t Size() const;
    int64_t Remaining() const { return Size() - Tell(); }
    // True only when all n bytes arrived; a short stream fails before reading.
    bool Read(void* buffer, size_t n) const;
    // Up to n bytes; returns how many arrived.
    size_t ReadSome(void* buffer, size_t n) const;

private:
    const ImageStream& s_;
};

}  // namespace orvik
