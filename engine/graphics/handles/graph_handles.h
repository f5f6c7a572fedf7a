// Graphic handles: every image the engine can draw, or draw into, is a graphic record in
// one table, showing a rectangle of a shared, reference-counted image set (device
// textures, or a memory image on the software path). Derived graphics share their
// parent's image set, so a sprite sheet is loaded once and cut into cells.
#pragma once
#include <cstdint>
#include <vector>

#include <orvik/graphics.h>

#include "engine/platform/base/handle_table.h"
#include "engine/softrender/pipeline/memimg.h"

namespace host {
class Texture;
class Surface;
}  // namespace host

namespace orvik {

constexpr int32_t kGraphHandleType = 0x08000000;
constexpr int32_t kHandleTypeMask = 0x78000000;
constexpr int kGraphCapacity = 32768;

// One texture of an image set, covering a rectangle of the image.
struct TexturePiece {
    host::Texture* texture = nullptr;
    host::Texture* staging = nullptr;  // system-memory copy, or none
    host::Surface* surface = nullptr;  // level 0 of texture
    // The system-memory surface that transfers into a drawable piece go through, kept for
    // the next one where a movie feeds the graphic (a transfer for every new frame).
    host::Surface* transfer = nullptr;
    int32_t x = 0, y = 0;              // place in the image
    int32_t width = 0, height = 0;     // used part
    int32_t texWidth = 0, texHeight = 0;
    // Every write of the texels takes a new number from one count, so a box found from
    // them holds while the number stays. Only plain textures, whose texels only image
    // transfers write, are `tracked`.
    uint64_t texelWrite = 0;
    bool tracked = false;
};

struct GraphImageSet {
    uint32_t refCount = 1;
    uint32_t formatIndex = 0;
    // Flags.
    uint8_t textured = 0, alpha = 0, drawable = 0, software = 0, systemCopy = 0, dxt = 0;
    uint8_t mipLevels = 0, colorKey = 0, bitDepth = 0, blendImage = 0, palette = 0;
    uint32_t transColor = 0;  // 0x00RRGGBB when made
    int32_t width = 0, height = 0;
    std::vector<TexturePiece> pieces;  // device path
    MEMIMG image{};                    // software path
};

// The part of one texture piece a graphic shows, ready for drawing.
struct PieceDraw {
    int32_t x = 0, y = 0, width = 0, height = 0;  // within the graphic
    float left = 0, top = 0, right = 0, bottom = 0;
    float u1 = 0, v1 = 0, u2 = 0, v2 = 0;
    const TexturePiece* piece = nullptr;
};

// Shared file-name block of graphics cut from one loaded file.
struct GraphFileName {
    uint32_t refCount = 1;
    std::vector<char> path;  // ends in a 0 byte
};

struct GraphRecord {
    uint32_t check = 0;
    int32_t handle = -1;
    int* deletedFlag = nullptr;
    GraphImageSet* images = nullptr;
    int32_t movie = -1;
    GraphFileName* fileName = nullptr;
    int32_t sourceX = 0, sourceY = 0;
    int32_t reloadOption = 0;
    int32_t x = 0, y = 0;  // in the image set
    int32_t width = 0, height = 0;
    MEMIMG view{};                 // software path
    std::vector<PieceDraw> draws;  // device path
    // Where the graphic's texels whose alpha is not 0 lie (graphic pixels), found for the
    // newest texel write of its pieces and this rectangle of its image set.
    struct ShownBox {
        uint64_t texelWrite = 0;
        const GraphImageSet* images = nullptr;
        int32_t x = 0, y = 0, width = 0, height = 0;
        int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    } shown;
};

struct GraphHandleTable {
    GraphRecord* slots[kGraphCapacity] = {};
    int32_t count = 0;
    int32_t highWater = 0;
    int32_t checkCounter = 0;
};

GraphHandleTable& GraphTable();
// Forgets every record without releasing device objects, and puts the texture settings
// back (a fresh program, tests).
void ResetGraphTable();

int32_t AllocGraphHandle();
GraphRecord* GetGraphRecord(int32_t handle);
int SetupDerivedGraph(int32_t handle, int32_t source, int x, int y, int width, int height);
int CreateGraphImages(int32_t handle, int width, int height, int mipLevels, int alpha, int palette, int dxt);
// 0 when CreateGraphImages, with the current creation settings, takes a graphic of this
// size; -1 when it would refuse it. Nothing is made.
int CheckGraphImageSize(int width, int height, int mipLevels, int alpha, int dxt);
// Keeps the image file a graphic's pixels come from, for restoring them after the device
// is made again: path as a full path in a block of its own; without a path the block of
// the graphic source (shared and counted), or none when source is -1. 0, or -1.
int SetGraphFileName(int32_t handle, const char* path, int32_t source = -1);

}  // namespace orvik
