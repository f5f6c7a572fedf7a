// Block-compressed images on their way into textures: kept as blocks when the texture
// holds the same kind, decoded to 32-bit pixels for every other destination.
#include <algorithm>
#include <cstring>

#include "engine/graphics/dds/dxt_decode.h"
#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/handles/texture_transfer.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/resources/resources.h"

namespace orvik {

namespace {

using namespace host;

int DecodedCopy(const BaseImage& image, BaseImage* out) {
    if (NewArgb32BaseImage(image.width, image.height, out) != 0) return -1;
    if (image.pixels && DxtBlockBytes(image.format.compression) != 0)
        DecodeDxtBlocks(image.format.compression, image.pixels, image.width, image.height, out->pixels);
    return 0;
}

uint32_t FormatKind(D3DFORMAT format) {
    for (uint32_t kind = kCompressionDxt1; kind <= kCompressionDxt5; ++kind)
        if (format == MakeFourCC('D', 'X', 'T', char('0' + kind))) return kind;
    return kCompressionNone;
}

// The image's blocks can go into the piece as they are.
bool CopiesAsBlocks(const TransferJob& job, const Box& box, const TexturePiece& piece, uint32_t kind) {
    const BaseImage& image = *job.image;
    const int sx = box.x1 + job.sourceX, sy = box.y1 + job.sourceY;
    return kind != kCompressionNone && image.format.compression == kind && image.pixels && !job.alpha &&
           box.x1 == piece.x && box.y1 == piece.y && box.x2 == piece.x + piece.width &&
           box.y2 == piece.y + piece.height && sx % 4 == 0 && sy % 4 == 0;
}

void CopyBlockRows(const TransferJob& job, const Box& box, uint8_t* dest, int destPitch, uint32_t kind) {
    const BaseImage& image = *job.image;
    const size_t blockBytes = size_t(DxtBlockBytes(kind));
    const size_t sourcePitch = size_t((image.width + 3) / 4) * blockBytes;
    const size_t rowBytes = size_t((box.x2 - box.x1 + 3) / 4) * blockBytes;
    const int firstRow = (box.y1 + job.sourceY) / 4, rows = (box.y2 - box.y1 + 3) / 4;
    const uint8_t* source = image.pixels + size_t(firstRow) * sourcePitch + size_t((box.x1 + job.sourceX) / 4) * blockBytes;
    for (int row = 0; row < rows; ++row)
        std::memcpy(dest + size_t(row) * size_t(destPitch), source + size_t(row) * sourcePitch, rowBytes);
}

int LevelSide(int side, uint32_t level) { return side >> level > 0 ? side >> level : 1; }

// Level `level` of a whole-image transfer, from the image's stored levels: the piece's
// part of the level, when the piece's corner stays on a block corner at that level.
bool CopyMipLevel(const TransferJob& job, const TexturePiece& piece, uint32_t kind, Texture* target, uint32_t level) {
    const BaseImage& image = *job.image;
    const int step = 4 << level;
    if (level >= image.mipCount || job.sourceX != 0 || job.sourceY != 0 || piece.x % step || piece.y % step)
        return false;
    size_t offset = 0;
    for (uint32_t i = 0; i < level; ++i)
        offset += DxtLevelBytes(kind, LevelSide(image.width, i), LevelSide(image.height, i));
    const int width = LevelSide(image.width, level), height = LevelSide(image.height, level);
    const size_t blockBytes = size_t(DxtBlockBytes(kind)), sourcePitch = size_t((width + 3) / 4) * blockBytes;
    const int x1 = piece.x >> level, y1 = piece.y >> level;
    const int x2 = std::min(width, (piece.x + piece.width + (1 << level) - 1) >> level);
    const int y2 = std::min(height, (piece.y + piece.height + (1 << level) - 1) >> level);
    D3DLOCKED_RECT locked;
    if (FAILED(target->LockRect(level, &locked, nullptr, 0))) return false;
    const uint8_t* source = image.pixels + offset + size_t(y1 / 4) * sourcePitch + size_t(x1 / 4) * blockBytes;
    const size_t rowBytes = size_t((x2 - x1 + 3) / 4) * blockBytes;
    for (int row = 0; row < (y2 - y1 + 3) / 4; ++row)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + size_t(row) * size_t(locked.Pitch),
                    source + size_t(row) * sourcePitch, rowBytes);
    target->UnlockRect(level);
    return true;
}

}  // namespace

PlainTransferImages::~PlainTransferImages() {
    FreeBaseImage(&decoded_[0]);
    FreeBaseImage(&decoded_[1]);
}

int PlainTransferImages::Prepare(const BaseImage& image, const BaseImage* alpha) {
    image_ = &image;
    alpha_ = alpha;
    if (image.format.compression != kCompressionNone) {
        if (DecodedCopy(image, &decoded_[0]) != 0) return AddLogText("標準イメージ用のメモリ確保に失敗しました\n");
        image_ = &decoded_[0];
    }
    if (alpha && alpha->format.compression != kCompressionNone) {
        if (DecodedCopy(*alpha, &decoded_[1]) != 0) return AddLogText("標準イメージ用のメモリ確保に失敗しました\n");
        alpha_ = &decoded_[1];
    }
    return 0;
}

int TransferCompressedPiece(const TransferJob& job, const Box& box, const TexturePiece& piece, D3DFORMAT format) {
    const uint32_t kind = FormatKind(format);
    if (!CopiesAsBlocks(job, box, piece, kind))
        return AddLogText("DXTフォーマットのテクスチャに標準形式のイメージを転送することはできません\n");
    Texture* target = piece.staging ? piece.staging : piece.texture;
    D3DLOCKED_RECT locked;
    if (FAILED(target->LockRect(0, &locked, nullptr, 0))) return AddLogText("テクスチャのロックに失敗しました\n");
    CopyBlockRows(job, box, static_cast<uint8_t*>(locked.pBits), locked.Pitch, kind);
    target->UnlockRect(0);
    // Blocks cannot be halved: the levels beyond the first come from the image's own.
    for (uint32_t level = 1; level < target->GetLevelCount(); ++level)
        if (!CopyMipLevel(job, piece, kind, target, level)) {
            AddLogFormat("DXT画像のミップマップレベル %u を転送できませんでした", level);
            break;
        }
    if (piece.staging) Graphics().dev.device->UpdateTexture(piece.staging, piece.texture);
    return 0;
}

}  // namespace orvik
