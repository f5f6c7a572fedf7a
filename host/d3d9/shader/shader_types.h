// Types of the device's programmable-shader side: vertex declarations, shader versions and
// volume textures, with the numeric values the engine was designed against.
#pragma once
#include <cstdint>

#include "host/d3d9/device/d3d9_types.h"

namespace host {

using BYTE = uint8_t;
using WORD = uint16_t;

// One element of a vertex declaration; a list ends with D3DDECL_END().
struct D3DVERTEXELEMENT9 {
    WORD Stream = 0, Offset = 0;
    BYTE Type = 0, Method = 0, Usage = 0, UsageIndex = 0;
};

enum D3DDECLTYPE : BYTE {
    D3DDECLTYPE_FLOAT1 = 0, D3DDECLTYPE_FLOAT2 = 1, D3DDECLTYPE_FLOAT3 = 2, D3DDECLTYPE_FLOAT4 = 3,
    D3DDECLTYPE_D3DCOLOR = 4, D3DDECLTYPE_UBYTE4 = 5, D3DDECLTYPE_SHORT2 = 6, D3DDECLTYPE_SHORT4 = 7,
    D3DDECLTYPE_UBYTE4N = 8, D3DDECLTYPE_SHORT2N = 9, D3DDECLTYPE_SHORT4N = 10, D3DDECLTYPE_USHORT2N = 11,
    D3DDECLTYPE_USHORT4N = 12, D3DDECLTYPE_UDEC3 = 13, D3DDECLTYPE_DEC3N = 14, D3DDECLTYPE_FLOAT16_2 = 15,
    D3DDECLTYPE_FLOAT16_4 = 16, D3DDECLTYPE_UNUSED = 17,
};
enum D3DDECLMETHOD : BYTE {
    D3DDECLMETHOD_DEFAULT = 0, D3DDECLMETHOD_PARTIALU = 1, D3DDECLMETHOD_PARTIALV = 2, D3DDECLMETHOD_CROSSUV = 3,
    D3DDECLMETHOD_UV = 4, D3DDECLMETHOD_LOOKUP = 5, D3DDECLMETHOD_LOOKUPPRESAMPLED = 6
};
enum D3DDECLUSAGE : BYTE {
    D3DDECLUSAGE_POSITION = 0, D3DDECLUSAGE_BLENDWEIGHT = 1, D3DDECLUSAGE_BLENDINDICES = 2,
    D3DDECLUSAGE_NORMAL = 3, D3DDECLUSAGE_PSIZE = 4, D3DDECLUSAGE_TEXCOORD = 5, D3DDECLUSAGE_TANGENT = 6,
    D3DDECLUSAGE_BINORMAL = 7, D3DDECLUSAGE_TESSFACTOR = 8, D3DDECLUSAGE_POSITIONT = 9,
    D3DDECLUSAGE_COLOR = 10, D3DDECLUSAGE_FOG = 11, D3DDECLUSAGE_DEPTH = 12, D3DDECLUSAGE_SAMPLE = 13,
};
constexpr D3DVERTEXELEMENT9 D3DDECL_END() { return {0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0}; }
// Elements a declaration may hold before its end marker.
constexpr int MAXD3DDECLLENGTH = 64;

// Token values of shader bytecode.
constexpr DWORD D3DSIO_COMMENT = 0xFFFE, D3DSIO_END = 0x0000FFFF;

constexpr DWORD D3DPTEXTURECAPS_VOLUMEMAP = 0x2000;

struct D3DBOX {
    UINT Left = 0, Top = 0, Right = 0, Bottom = 0, Front = 0, Back = 0;
};

struct D3DLOCKED_BOX {
    int32_t RowPitch = 0, SlicePitch = 0;
    void* pBits = nullptr;
};

struct D3DVOLUME_DESC {
    D3DFORMAT Format = D3DFMT_UNKNOWN;
    D3DRESOURCETYPE Type = D3DRTYPE_VOLUME;
    DWORD Usage = 0;
    D3DPOOL Pool = D3DPOOL_DEFAULT;
    UINT Width = 0, Height = 0, Depth = 0;
};

}  // namespace host
