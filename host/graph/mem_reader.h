// The memory reader: a source filter whose one output pin serves a block of memory as a
// byte stream of a given media type, over a memory stream that does not own the bytes.
#pragma once
#include <cstdint>
#include <span>

#include "host/graph/filter_base.h"

namespace host {

constexpr uint32_t MEMSTREAM_NO_RATE_LIMIT = 0xFFFFFFFFu;

class D_CMemStream {
public:
    // `kilobytesPerSecond` paces a real-time reader; MEMSTREAM_NO_RATE_LIMIT (the only
    // rate this graph supports) serves the bytes at once.
    D_CMemStream(const uint8_t* data, int64_t length, uint32_t kilobytesPerSecond);
    std::span<const uint8_t> Bytes() const { return bytes_; }

private:
    std::span<const uint8_t> bytes_;
};

class D_CMemReader final : public graph::Filter, public graph::ByteSource {
public:
    // Starts without a reference; *result is S_OK, or E_OUTOFMEMORY when the type could
    // not be kept (the object must then be deleted through a reference of the caller's).
    D_CMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result);
    ~D_CMemReader() override;
    bool OutputType(AM_MEDIA_TYPE* type) const override;
    std::span<const uint8_t> Bytes() const override { return stream_->Bytes(); }

private:
    D_CMemStream* stream_;
    AM_MEDIA_TYPE type_;
};

}  // namespace host
