#include "engine/graphics/draw/blend_helper_graph.h"

#include <array>

#include "engine/graphics/images/base_image.h"
#include "engine/graphics/handles/graph_handles.h"
#include "engine/graphics/handles/graph_load.h"
#include "engine/graphics/readers/image_loader.h"
#include "engine/platform/base/log.h"

namespace orvik {

namespace {

constexpr int kSide = 4;
constexpr uint8_t kQuarterGrey = 0x40;  // times four gives the flat colour back
constexpr size_t kBmpBytes = 54 + kSide * kSide * 3;

constexpr void Put32(std::array<uint8_t, kBmpBytes>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// A 24-bit BMP file of kSide x kSide quarter-grey pixels (rows of 12 bytes need no padding).
constexpr std::array<uint8_t, kBmpBytes> MakeHelperBmp() {
    std::array<uint8_t, kBmpBytes> b{};
    b[0] = 'B', b[1] = 'M';
    Put32(b, 2, kBmpBytes);
    Put32(b, 10, 54);
    Put32(b, 14, 40);
    Put32(b, 18, kSide);
    Put32(b, 22, kSide);
    b[26] = 1, b[28] = 24;
    Put32(b, 34, kSide * kSide * 3);
    for (size_t i = 54; i < kBmpBytes; ++i) b[i] = kQuarterGrey;
    return b;
}

constexpr std::array<uint8_t, kBmpBytes> kHelperBmp = MakeHelperBmp();

int32_t g_helper = -1;

}  // namespace

int32_t CreateBlendHelperGraph(const void* image, int32_t size, const void* alphaImage, int32_t alphaSize,
                               int passFlag, int mirror) {
    BaseImage colour{}, alpha{};
    const int got = LoadImageWithAlphaFile(nullptr, image, size, 1, alphaImage, alphaSize, alphaImage ? 1 : 2,
                                           &colour, &alpha, 0, mirror);
    if (got < 0) return -1;
    const int32_t handle = SetGraphFromBaseImage(&colour, got == 0 ? &alpha : nullptr, passFlag, 0, 0);
    FreeBaseImage(&colour);
    if (got == 0) FreeBaseImage(&alpha);
    return handle;
}

int EnsureBlendHelperGraph() {
    if (GetGraphRecord(g_helper)) return 0;
    // Made with magenta as the transparent colour for now, whatever the caller has set.
    GraphCreateSettings& settings = CreateSettings();
    const uint32_t saved = settings.transColor;
    settings.transColor = 0xFF00FF;
    g_helper = CreateBlendHelperGraph(kHelperBmp.data(), int32_t(kHelperBmp.size()), nullptr, 0, 1, 0);
    settings.transColor = saved;
    if (g_helper < 0) return AddLogText("ブレンド用補助画像の作成に失敗しました\n");
    return 0;
}

host::Texture* BlendHelperTexture() {
    const GraphRecord* r = GetGraphRecord(g_helper);
    if (!r || !r->images || r->images->pieces.empty()) return nullptr;
    return r->images->pieces[0].texture;
}

}  // namespace orvik
