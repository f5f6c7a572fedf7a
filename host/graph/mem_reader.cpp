#include "host/graph/mem_reader.h"

namespace host {

D_CMemStream::D_CMemStream(const uint8_t* data, int64_t length, uint32_t)
    : bytes_(data, data && length > 0 ? size_t(length) : 0) {}

D_CMemReader::D_CMemReader(D_CMemStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result)
    : graph::Filter(0), stream_(stream) {
    AddPin(PINDIR_OUTPUT);
    const bool kept = type && stream && CopyMediaType(&type_, *type);
    if (result) *result = kept ? S_OK : type && stream ? E_OUTOFMEMORY : E_POINTER;
}

D_CMemReader::~D_CMemReader() { FreeMediaType(type_); }

bool D_CMemReader::OutputType(AM_MEDIA_TYPE* type) const { return CopyMediaType(type, type_); }

}  // namespace host
