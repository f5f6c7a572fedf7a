// The comparison functions of the depth and stencil tests: whether an incoming value
// passes against the stored one.
#pragma once
#include "host/d3d9/device/d3d9_types.h"

namespace host {

template <class T>
bool ComparePasses(DWORD func, T incoming, T stored) {
    switch (func) {
        case D3DCMP_NEVER: return false;
        case D3DCMP_LESS: return incoming < stored;
        case D3DCMP_EQUAL: return incoming == stored;
        case D3DCMP_LESSEQUAL: return incoming <= stored;
        case D3DCMP_GREATER: return incoming > stored;
        case D3DCMP_NOTEQUAL: return incoming != stored;
        case D3DCMP_GREATEREQUAL: return incoming >= stored;
        default: return true;
    }
}

}  // namespace host
