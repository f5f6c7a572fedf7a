// The fixed-function pipeline reads each declaration type: colours, positions and texture
// coordinates of every type decoded to known values, one pixel a case; defaults for parts
// a vertex lacks; texture coordinate sets with gaps; what the device does not offer.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "declaration_fixture.h"

namespace host::test {
namespace {

// A pre-transformed position and 16 bytes of one more part.
struct PartVertex {
    float x, y, z, rhw;
    uint8_t part[16];
};

template <class T>
std::array<uint8_t, 16> PartBytes(std::initializer_list<T> values) {
    std::array<uint8_t, 16> out{};
    std::memcpy(out.data(), values.begin(), values.size() * sizeof(T));
    return out;
}

uint32_t Dec3(int x, int y, int z) { return uint32_t(x & 1023) | uint32_t(y & 1023) << 10 | uint32_t(z & 1023) << 20; }

struct ColorCase {
    BYTE type;
    std::array<uint8_t, 16> bytes;
    uint32_t expected;  // 0xAARRGGBB
};

TEST_F(DeclarationTest, EachTypeOfColourIsDecodedToItsComponents) {
    // Components past the type's read as 0 (alpha as 1); values are clamped to 0..1.
    const ColorCase cases[] = {
        {D3DDECLTYPE_FLOAT1, PartBytes<float>({0.5f}), 0xFF800000u},
        {D3DDECLTYPE_FLOAT2, PartBytes<float>({0.25f, 2.0f}), 0xFF40FF00u},
        {D3DDECLTYPE_FLOAT3, PartBytes<float>({-1.0f, 0.0f, 1.0f}), 0xFF0000FFu},
        {D3DDECLTYPE_FLOAT4, PartBytes<float>({1.0f, 0.5f, 0.0f, 0.25f}), 0x40FF8000u},
        {D3DDECLTYPE_D3DCOLOR, PartBytes<uint32_t>({0x80123456u}), 0x80123456u},
        {D3DDECLTYPE_UBYTE4, PartBytes<uint8_t>({0, 1, 2, 0}), 0x0000FFFFu},
        {D3DDECLTYPE_UBYTE4N, PartBytes<uint8_t>({0x10, 0x20, 0x30, 0x40}), 0x40102030u},
        {D3DDECLTYPE_SHORT2, PartBytes<int16_t>({-2, 1}), 0xFF00FF00u},
        {D3DDECLTYPE_SHORT4, PartBytes<int16_t>({1, 0, 5, 0}), 0x00FF00FFu},
        {D3DDECLTYPE_SHORT2N, PartBytes<int16_t>({32767, 13107}), 0xFFFF6600u},
        {D3DDECLTYPE_SHORT4N, PartBytes<int16_t>({0, 32767, -32768, 16384}), 0x8000FF00u},
        {D3DDECLTYPE_USHORT2N, PartBytes<uint16_t>({65535, 26214}), 0xFFFF6600u},
        {D3DDECLTYPE_USHORT4N, PartBytes<uint16_t>({0, 65535, 13107, 65535}), 0xFF00FF33u},
        {D3DDECLTYPE_UDEC3, PartBytes<uint32_t>({Dec3(0, 1, 2)}), 0xFF00FFFFu},
        {D3DDECLTYPE_DEC3N, PartBytes<uint32_t>({Dec3(511, 255, -512)}), 0xFFFF7F00u},
        {D3DDECLTYPE_FLOAT16_2, PartBytes<uint16_t>({0x3800, 0x3C00}), 0xFF80FF00u},
        {D3DDECLTYPE_FLOAT16_4, PartBytes<uint16_t>({0x0000, 0x3400, 0x3C00, 0x3800}), 0x800040FFu},
    };
    UseDiffuseOnly();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x12345678u, 1.0f, 0);
    int x = 0;
    for (const ColorCase& c : cases) {
        dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                           {0, 16, c.type, 0, D3DDECLUSAGE_COLOR, 0}}));
        PartVertex v{float(x % 16), float(x / 16), 0, 1, {}};
        std::memcpy(v.part, c.bytes.data(), 16);
        ASSERT_EQ(DrawUp(D3DPT_POINTLIST, 1, &v, sizeof(v)), D3D_OK) << log;
        EXPECT_EQ(Pixel(x % 16, x / 16), c.expected) << "type " << int(c.type);
        ++x;
    }
}

TEST_F(DeclarationTest, PositionsAndSetsOfOtherTypesAreConverted) {
    // Screen positions of shorts and half floats put a point on the pixel they name.
    UseDiffuseOnly();
    struct ShortPoint {
        int16_t x, y, z, rhw;
        uint32_t color;
    };
    dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_SHORT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                       {0, 8, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0}}));
    const ShortPoint s{3, 2, 0, 1, 0xFF00FF00u};
    ASSERT_EQ(DrawUp(D3DPT_POINTLIST, 1, &s, sizeof(s)), D3D_OK) << log;
    EXPECT_EQ(Pixel(3, 2), 0xFF00FF00u);
    struct HalfPoint {
        uint16_t x, y, z, rhw;
        uint32_t color;
    };
    dev->SetVertexDeclaration(Declare({{0, 8, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                       {0, 0, D3DDECLTYPE_FLOAT16_4, 0, D3DDECLUSAGE_POSITIONT, 0}}));
    const HalfPoint h{0x4500 /* 5 */, 0x4700 /* 7 */, 0, 0x3C00, 0xFFFF0000u};
    ASSERT_EQ(DrawUp(D3DPT_POINTLIST, 1, &h, sizeof(h)), D3D_OK) << log;
    EXPECT_EQ(Pixel(5, 7), 0xFFFF0000u);
    EXPECT_EQ(Pixel(3, 2), 0xFF00FF00u);

    // Texture coordinates: half floats, and normalised shorts, pick the texel they point at.
    BindPlaceTexture();
    UseTextureOnly();
    struct SetPoint {
        float x, y, z, rhw;
        uint16_t u, v;
    };
    const auto texelAt = [&](BYTE type, uint16_t u, uint16_t v) {
        dev->SetVertexDeclaration(Declare({{0, 16, type, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                           {0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0}}));
        const SetPoint p{8, 8, 0, 1, u, v};
        EXPECT_EQ(DrawUp(D3DPT_POINTLIST, 1, &p, sizeof(p)), D3D_OK) << log;
        return Pixel(8, 8);
    };
    EXPECT_EQ(texelAt(D3DDECLTYPE_FLOAT16_2, 0x3900 /* 0.625 */, 0x3400 /* 0.25 */), PlaceTexel(2, 1));
    EXPECT_EQ(texelAt(D3DDECLTYPE_USHORT2N, 65535, 40000), PlaceTexel(3, 2));
    EXPECT_EQ(texelAt(D3DDECLTYPE_SHORT2N, 0, 29000), PlaceTexel(0, 3));
}

TEST_F(DeclarationTest, PartsAVertexLacksTakeTheirDefaults) {
    struct Bare {
        float x, y, z, rhw;
    };
    const Bare strip[4] = {{0, 0, 0, 1}, {16, 0, 0, 1}, {0, 16, 0, 1}, {16, 16, 0, 1}};
    dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0}}));
    // No diffuse colour: opaque white.
    UseDiffuseOnly();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x12345678u, 1.0f, 0);
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Bare)), D3D_OK) << log;
    EXPECT_EQ(Pixel(5, 5), 0xFFFFFFFFu);
    // No second colour: black, alpha 0.
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_SPECULAR);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_SPECULAR);
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Bare)), D3D_OK) << log;
    EXPECT_EQ(Pixel(5, 5), 0x00000000u);
    // No texture coordinates: (0, 0), the first texel.
    BindPlaceTexture();
    UseTextureOnly();
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(Bare)), D3D_OK) << log;
    EXPECT_EQ(Pixel(5, 5), PlaceTexel(0, 0));

    // Untransformed and unlit, with no colours: white as well.
    struct Clip {
        float x, y, z;
    };
    const Clip clip[4] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, -1, 0.5f}, {1, -1, 0.5f}};
    dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}}));
    UseDiffuseOnly();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x12345678u, 1.0f, 0);
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, clip, sizeof(Clip)), D3D_OK) << log;
    EXPECT_EQ(Pixel(5, 5), 0xFFFFFFFFu);
}

TEST_F(DeclarationTest, TextureStagesPickSetsByUsageIndexAcrossGaps) {
    // Sets 1 and 3 only: a stage reads the set its TEXCOORDINDEX names, and set 0, absent,
    // reads (0, 0).
    struct GapVertex {
        float x, y, z, rhw;
        float s3[2];
        float s1[2];
    };
    const auto quad = [](float s3u, float s3v, float s1u, float s1v) {
        std::array<GapVertex, 4> q;
        const float corners[4][2] = {{0, 0}, {16, 0}, {0, 16}, {16, 16}};
        for (int i = 0; i < 4; ++i) q[size_t(i)] = {corners[i][0], corners[i][1], 0, 1, {s3u, s3v}, {s1u, s1v}};
        return q;
    };
    dev->SetVertexDeclaration(Declare({{0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                       {0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                       {0, 16, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 3}}));
    BindPlaceTexture();
    UseTextureOnly();
    const auto q = quad(0.6f, 0.1f, 0.3f, 0.9f);
    const auto drawnWith = [&](DWORD set) {
        dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, set);
        EXPECT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, q.data(), sizeof(GapVertex)), D3D_OK) << log;
        return Pixel(7, 9);
    };
    EXPECT_EQ(drawnWith(3), PlaceTexel(2, 0));
    EXPECT_EQ(drawnWith(1), PlaceTexel(1, 3));
    EXPECT_EQ(drawnWith(0), PlaceTexel(0, 0));

    // A texture transform reads the set it is given as well: set 3 moved a texel right.
    struct ClipGap {
        float x, y, z;
        float s3[2];
    };
    const ClipGap clip[4] = {{-1, 1, 0.5f, {0.1f, 0.6f}}, {1, 1, 0.5f, {0.1f, 0.6f}},
                             {-1, -1, 0.5f, {0.1f, 0.6f}}, {1, -1, 0.5f, {0.1f, 0.6f}}};
    dev->SetVertexDeclaration(Declare({{0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 3},
                                       {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}}));
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 3);
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, clip, sizeof(ClipGap)), D3D_OK) << log;
    EXPECT_EQ(Pixel(7, 9), PlaceTexel(0, 2));
    D3DMATRIX shift = IdentityMatrix();
    shift.m[2][0] = 0.25f;  // 2D sets take their translation from the third row
    dev->SetTransform(D3DTS_TEXTURE0, &shift);
    dev->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    ASSERT_EQ(DrawUp(D3DPT_TRIANGLESTRIP, 2, clip, sizeof(ClipGap)), D3D_OK) << log;
    EXPECT_EQ(Pixel(7, 9), PlaceTexel(1, 2));
}

// Declarations with a tessellation method or an element of no type are refused when made;
// blend weights and a point size in the vertices, and the vertex-blend and point-size
// states, are kept but change nothing: no vertex blending, and a point is one pixel.
TEST_F(DeclarationTest, WhatTheDeviceDoesNotOfferIsRefusedOrLeftUnused) {
    for (BYTE method = D3DDECLMETHOD_PARTIALU; method <= D3DDECLMETHOD_LOOKUPPRESAMPLED; ++method) {
        log.clear();
        const D3DVERTEXELEMENT9 list[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                          {0, 12, D3DDECLTYPE_FLOAT2, method, D3DDECLUSAGE_TEXCOORD, 0},
                                          D3DDECL_END()};
        VertexDeclaration* decl = reinterpret_cast<VertexDeclaration*>(&log);
        EXPECT_EQ(dev->CreateVertexDeclaration(list, &decl), D3DERR_INVALIDCALL) << int(method);
        EXPECT_EQ(decl, nullptr);
        EXPECT_NE(log.find("Direct3D9: vertex declaration refused: an element has a tessellation method"),
                  std::string::npos)
            << log;
    }
    // A malformed list is refused with its reason too.
    const D3DVERTEXELEMENT9 twice[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    VertexDeclaration* decl = nullptr;
    EXPECT_EQ(dev->CreateVertexDeclaration(twice, &decl), D3DERR_INVALIDCALL);
    EXPECT_NE(log.find("Direct3D9: vertex declaration refused: an element is out of range or given twice"),
              std::string::npos);
    const D3DVERTEXELEMENT9 untyped[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                         {0, 12, D3DDECLTYPE_UNUSED, 0, D3DDECLUSAGE_TEXCOORD, 0}, D3DDECL_END()};
    EXPECT_EQ(dev->CreateVertexDeclaration(untyped, &decl), D3DERR_INVALIDCALL);

    // Under blending, a vertex of weight 0 would be placed by world matrix 1 (identity), not
    // by the world matrix; and only the world matrix is kept.
    D3DMATRIX shift = IdentityMatrix();
    shift.m[3][0] = 0.25f;
    ASSERT_EQ(dev->SetTransform(D3DTS_WORLD, &shift), D3D_OK);
    EXPECT_EQ(dev->SetTransform(D3DTRANSFORMSTATETYPE(D3DTS_WORLD + 1), &shift), D3DERR_INVALIDCALL);
    UseDiffuseOnly();
    struct BlendPoint {
        float x, y, z, weight, size;
        uint32_t color;
    };
    const BlendPoint point{0, 0, 0.5f, 0, 8, 0xFF00FF00u};
    dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 20, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0}}));
    ASSERT_EQ(DrawUp(D3DPT_POINTLIST, 1, &point, sizeof(point)), D3D_OK) << log;
    const std::vector<uint32_t> plain = Image();
    EXPECT_EQ(std::count(plain.begin(), plain.end(), 0xFF00FF00u), 1);
    EXPECT_EQ(Pixel(10, 8), 0xFF00FF00u);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    dev->SetVertexDeclaration(Declare({{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 12, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_BLENDWEIGHT, 0},
                                       {0, 16, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_PSIZE, 0},
                                       {0, 20, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0}}));
    const std::pair<D3DRENDERSTATETYPE, DWORD> unused[] = {{D3DRS_VERTEXBLEND, 1 /* one weight */},
                                                           {D3DRS_POINTSIZE, std::bit_cast<DWORD>(8.0f)},
                                                           {D3DRS_POINTSIZE_MIN, std::bit_cast<DWORD>(4.0f)},
                                                           {D3DRS_POINTSPRITEENABLE, 1}};
    for (const auto& [state, value] : unused) {
        ASSERT_EQ(dev->SetRenderState(state, value), D3D_OK);
        DWORD kept = 0;
        dev->GetRenderState(state, &kept);
        EXPECT_EQ(kept, value) << state;
    }
    ASSERT_EQ(DrawUp(D3DPT_POINTLIST, 1, &point, sizeof(point)), D3D_OK) << log;
    EXPECT_EQ(Image(), plain);
}

}  // namespace
}  // namespace host::test
