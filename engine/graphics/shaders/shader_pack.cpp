// Loading the shader pack: the packed archive image unpacked, "OrShaderPack.bin" unpacked
// out of it, and its header walked into code pointers. A pack whose sizes run past its end
// is refused whole.
#include <cstring>

#include "engine/graphics/shaders/shader_pack_data.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/platform/archive/archive_lz.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/memory.h"

namespace orvik {

namespace {

ShaderSystem g_shaders;

std::span<const uint8_t> BuiltInImage() { return {kShaderPackImage, size_t(kShaderPackImageSize)}; }

// Unpacks LZ-packed bytes into a new tracked block; null when damaged or out of memory.
uint8_t* Unpack(const uint8_t* source, size_t size, uint32_t* unpackedBytes) {
    const int64_t bytes = DecompressArchiveData(source, size, nullptr, 0);
    if (bytes <= 0) return nullptr;
    auto* out = static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(size_t(bytes)));
    if (!out) return nullptr;
    if (DecompressArchiveData(source, size, out, size_t(bytes)) != bytes) {
        TrackedFree(out);
        return nullptr;
    }
    *unpackedBytes = uint32_t(bytes);
    return out;
}

// "OrShaderPack.bin" out of the open archive: unpacked when packed, else copied.
uint8_t* ExtractPack(ArchiveObject* archive, uint32_t* bytes) {
    ArchiveEntryInfo entry{};
    uint32_t at = 0, length = 0;
    if (FindArchiveFileEntry("OrShaderPack.bin", archive, &entry) != 0 || !ArchiveDataRange(archive, entry, &at, &length))
        return nullptr;
    const uint8_t* data = GetArchiveMemoryImage(archive) + at;
    if (IsArchiveEntryPacked(archive, entry)) {
        uint8_t* out = Unpack(data, length, bytes);
        if (out && *bytes != entry.size) TrackedFree(out), out = nullptr;
        return out;
    }
    auto* out = static_cast<uint8_t*>(ORVIK_TRACKED_ALLOC(length ? length : 1));
    if (out) std::memcpy(out, data, length), *bytes = length;
    return out;
}

uint16_t SizeAt(const uint8_t* pack, size_t index) { return uint16_t(pack[index * 2] | pack[index * 2 + 1] << 8); }

// The code pointers of one shader kind; false when a size runs past the pack's end.
bool WalkEntries(const uint8_t* pack, uint32_t packBytes, size_t firstSize, int entries, uint32_t* at,
                 ZeroedTable<ShaderCode>* table) {
    table->Assign(size_t(entries) * kShaderSlots);
    if (table->empty()) return false;
    for (size_t i = 0; i < table->size(); ++i) {
        const uint32_t bytes = SizeAt(pack, firstSize + i);
        if (bytes == 0) continue;
        if (bytes > packBytes - *at) return false;
        (*table)[i] = ShaderCode{pack + *at, bytes};
        *at += bytes;
    }
    return true;
}

bool WalkPack(ShaderSystem& s) {
    if (s.packBytes < kShaderPackHeaderBytes) return false;
    uint32_t at = kShaderPackHeaderBytes;
    return WalkEntries(s.pack, s.packBytes, 0, kVertexShaderEntries, &at, &s.vertexCode) &&
           WalkEntries(s.pack, s.packBytes, size_t(kVertexShaderEntries) * kShaderSlots, kPixelShaderEntries, &at,
                       &s.pixelCode);
}

ShaderCode CodeAt(const ZeroedTable<ShaderCode>& table, int entries, int entry, int slot) {
    if (entry < 0 || entry >= entries || slot < 0 || slot >= kShaderSlots || table.empty()) return {};
    return table[size_t(entry) * kShaderSlots + size_t(slot)];
}

}  // namespace

ShaderSystem& Shaders() { return g_shaders; }

void ResetShaderSystem() {
    CloseShaderPack();
    g_shaders = ShaderSystem{};
}

void CloseShaderPack() {
    ShaderSystem& s = g_shaders;
    if (s.archive.open) CloseArchive(&s.archive);
    TrackedFree(s.archiveImage);
    TrackedFree(s.pack);
    s.archiveImage = s.pack = nullptr;
    s.packBytes = 0;
    s.vertexCode.clear();
    s.pixelCode.clear();
}

int LoadShaderPack() {
    ShaderSystem& s = g_shaders;
    if (s.pack) return 1;
    const std::span<const uint8_t> image = s.packedImage.empty() ? BuiltInImage() : s.packedImage;
    InitArchiveObject(&s.archive);
    uint32_t archiveBytes = 0;
    s.archiveImage = Unpack(image.data(), image.size(), &archiveBytes);
    if (!s.archiveImage || OpenArchiveFromMemory(&s.archive, s.archiveImage, archiveBytes, nullptr) != 0 ||
        !(s.pack = ExtractPack(&s.archive, &s.packBytes))) {
        AddLogText("シェーダーパックの展開に失敗しました\n");
        CloseShaderPack();
        return 0;
    }
    if (!WalkPack(s)) {
        AddLogText("シェーダーパックのコードサイズがパックの終わりを越えています\n");
        CloseShaderPack();
        return 0;
    }
    return 1;
}

ShaderCode VertexShaderCode(int entry, int slot) { return CodeAt(g_shaders.vertexCode, kVertexShaderEntries, entry, slot); }
ShaderCode PixelShaderCode(int entry, int slot) { return CodeAt(g_shaders.pixelCode, kPixelShaderEntries, entry, slot); }

}  // namespace orvik
