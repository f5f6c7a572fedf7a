// Handle tables of device buffers and shaders: vertex-buffer, index-buffer and shader
// handles. Each record keeps a system-memory copy, so the device object can be made
// again after the device is re-created.
#pragma once
#include <orvik/scene3d.h>
#include <cstdint>
#include <vector>

namespace host {
class Unknown;
class VertexBuffer;
class IndexBuffer;
}  // namespace host

namespace orvik {

constexpr int32_t kVertexBufferHandleType = 0x70000000, kIndexBufferHandleType = 0x78000000,
                  kShaderHandleType = 0x60000000;

struct DeviceBufferRecord {
    uint32_t check = 0;
    int32_t handle = -1;
    int32_t kind = 0;  // 0 the standard layout (vertex and index buffers); 0 pixel shader
    int32_t elementSize = 0, elementCount = 0;
    std::vector<uint8_t> data;
    host::Unknown* object = nullptr;
};

struct HandleTableInfo {
    int32_t count, highWater;
};

// A device buffer for the model handles, or null without a device or on failure.
host::VertexBuffer* CreateDeviceVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool);
host::IndexBuffer* CreateDeviceIndexBuffer(uint32_t length, uint32_t usage, uint32_t format, uint32_t pool);

// Device objects of every handle go before the device does and come back, refilled from
// the system copies, with the new one; the handles stay valid.
void ReleaseDeviceBufferObjects();
void RecreateDeviceBufferObjects();
// The record behind a live handle, or null.
const DeviceBufferRecord* GetVertexBufferRecord(int32_t handle);
const DeviceBufferRecord* GetShaderRecord(int32_t handle);
HandleTableInfo VertexBufferTableInfo();

}  // namespace orvik
