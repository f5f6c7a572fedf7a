// 3D model bases (loaded model data: materials with their textures, meshes and the shared
// device buffers the meshes are packed into) and model instances (per-use copies with
// device buffers of their own). No model loader is part of the engine; the tables start,
// are rebuilt after a device re-creation and are released at shutdown.
#pragma once
#include <orvik/scene3d.h>
#include <cstdint>
#include <vector>

#include "engine/graphics/images/base_image.h"

namespace host {
class VertexBuffer;
class IndexBuffer;
}  // namespace host

namespace orvik {

constexpr int32_t kModelBaseHandleType = 0x08000000;
constexpr int32_t kModelBaseSlotMask = 0x1FFFF;
constexpr int32_t kModelInstanceHandleType = 0x50000000;
constexpr int32_t kModelInstanceCapacity = 8192;
constexpr int kModelVertexKinds = 3, kModelMaterialVariants = 2, kModelSizeClasses = 9;
// A shared buffer record is full when a mesh would bring its bytes or entries this far.
constexpr uint32_t kModelChainByteLimit = 0xC0000, kModelChainEntryLimit = 0x60000;

// One device vertex buffer and one 16-bit index buffer holding several meshes of a class.
struct ModelBufferRecord {
    uint32_t vertexCount = 0, indexCount = 0;
    uint32_t stride = 0;  // bytes per vertex of every mesh in the record
    host::VertexBuffer* vertices = nullptr;
    host::IndexBuffer* indices = nullptr;
    ModelBufferRecord* next = nullptr;
};

struct ModelMesh {
    int32_t vertexKind = 0;       // 0 ... 2: the vertex layout
    int32_t materialVariant = 0;  // 0 plain, 1 with a second texture
    int32_t material = -1;
    uint32_t vertexStride = 0;
    std::vector<uint8_t> vertices;
    std::vector<uint16_t> indices;
    int32_t ownBuffer = 0;  // deformed per instance: not packed into the shared buffers
    ModelBufferRecord* record = nullptr;
    uint32_t firstVertex = 0, firstIndex = 0;
};

struct ModelMaterial {
    std::vector<uint8_t> colorFile, alphaFile;  // kept for rebuilding the textures
    int32_t bump = 0;
    float bumpScale = 1.0f;
    BaseImage color{}, alpha{};
    int32_t textureGraph = -1;
};

struct ModelBase {
    int32_t references = 1;
    int32_t deviceObjectsMade = 0;
    int32_t keepSystemCopies = 1;
    std::vector<uint8_t> fileImage;
    std::vector<ModelMaterial> materials;
    std::vector<ModelMesh> meshes;
    ModelBufferRecord* chains[kModelVertexKinds][kModelMaterialVariants][kModelSizeClasses] = {};
};

// Per-instance blocks, freed one at a time by index.
enum ModelInstanceBlockKind { kInstanceFrameBlock, kInstanceMeshBlock, kInstanceMaterialBlock, kInstanceBlockKinds };

struct ModelInstance {
    int32_t base = -1;
    std::vector<host::VertexBuffer*> meshBuffers;  // one per mesh; null when shared
    std::vector<std::vector<uint8_t>> blocks[kInstanceBlockKinds];
};

struct ModelSystemState {
    int32_t initialised = 0;
    std::vector<float> sineTable;  // 65536 entries, sin(2 pi i / 65536)
    float quarterTurn = 0;         // just under a quarter turn: the rotation limit of a model's frames
    int32_t shadingGraphs[3] = {-1, -1, -1};  // 8 x 8 and 256 x 8 shading images, 256 x 8 grey ramp
};
ModelSystemState& ModelSystem();

int InitModelSystem();
int TermModelSystem();

// The least a model loader needs: a base from loaded data (its handle, -1 when the table
// is full), a reserved base slot, and an instance of a base (its reference count rises).
int32_t AddModelBase(ModelBase&& data);
int32_t ReserveModelBaseSlot();
int32_t AddModelInstance(int32_t baseHandle);
ModelBase* GetModelBase(int32_t handle);
ModelInstance* GetModelInstance(int32_t handle);
int32_t ModelInstanceCount();
void ForEachModelInstanceOf(int32_t baseHandle, void (*f)(int32_t instanceHandle));
void ForEachModelBase(void (*f)(int32_t handle, ModelBase& base));
int FreeModelInstanceBlock(int32_t handle, int kind, int32_t index);

// Device buffers.
int SetupModelBuffers(int32_t baseHandle, int keep);
int ResetupAllModelBases();
int CreateModelVertexBuffer(int32_t instanceHandle);
int ReleaseModelInstanceBuffers(int32_t instanceHandle);
int ReleaseModelBaseDeviceObjects(int32_t baseHandle);
int ReleaseAllModelDeviceObjects();
// The size class a mesh of this many vertices is packed by (0 ... 8).
int ModelSizeClass(size_t vertexCount);

// Textures.
int RestoreModelTextures();
int32_t FillGraphWithGrayRamp(int32_t handle);
int CreateModelBaseTextures(BaseImage* colorOut, BaseImage* alphaOut, const void* colorFile, int32_t colorSize,
                            const void* alphaFile, int32_t alphaSize, int bump, float bumpScale, int option);
int TransferBaseImageToGraph(int sourceLeft, int sourceTop, int sourceRight, int sourceBottom, BaseImage* source,
                             int destLeft, int destTop, int destRight, int destBottom, BaseImage* dest,
                             int filter);

}  // namespace orvik
