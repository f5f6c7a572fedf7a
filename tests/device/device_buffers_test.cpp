// Device-buffer handles: the high-water index, data bounds and stale handles.
#include "device_fixture.h"
#include "engine/graphics/device/device_buffers.h"

namespace orvik_test {
namespace {

using namespace orvik;

class DeviceBuffersTest : public DeviceTest {
protected:
    void SetUp() override { ASSERT_EQ(InitLibrary(), 0); }
};

TEST_F(DeviceBuffersTest, DeletingTheHighestSlotLowersTheHighWaterPastEmptySlots) {
    int32_t a = AllocVertexBufferHandle(16, 4), b = AllocVertexBufferHandle(16, 4), c = AllocVertexBufferHandle(16, 4);
    ASSERT_GE(c, 0);
    EXPECT_EQ(c & 0x78000000, kVertexBufferHandleType);
    EXPECT_EQ(VertexBufferTableInfo().highWater, 3);
    ASSERT_EQ(DeleteVertexBufferHandle(b), 0);
    EXPECT_EQ(VertexBufferTableInfo().highWater, 3);
    ASSERT_EQ(DeleteVertexBufferHandle(c), 0);
    EXPECT_EQ(VertexBufferTableInfo().highWater, 1);
    EXPECT_EQ(VertexBufferTableInfo().count, 1);
    EXPECT_EQ(DeleteVertexBufferHandle(c), -1);
    // The slot comes back with another check number: the old handle stays dead.
    int32_t again = AllocVertexBufferHandle(16, 4);
    EXPECT_EQ(again & 0xFFFF, b & 0xFFFF);
    EXPECT_NE(again, b);
    EXPECT_EQ(GetVertexBufferRecord(b), nullptr);
    EXPECT_EQ(DeleteIndexBufferHandle(a), -1);  // wrong type
    DeleteAllVertexBufferHandles();
    EXPECT_EQ(VertexBufferTableInfo().highWater, 0);
    EXPECT_EQ(VertexBufferTableInfo().count, 0);
}

TEST_F(DeviceBuffersTest, DataMustLieInsideTheBuffer) {
    int32_t h = AllocVertexBufferHandle(4, 8);
    const uint32_t values[3] = {1, 2, 3};
    EXPECT_EQ(SetVertexBufferData(5, values, 3, h), 0);
    EXPECT_EQ(SetVertexBufferData(6, values, 3, h), -1);
    EXPECT_EQ(SetVertexBufferData(-1, values, 1, h), -1);
    EXPECT_EQ(SetVertexBufferData(0, nullptr, 1, h), -1);
    const DeviceBufferRecord* r = GetVertexBufferRecord(h);
    ASSERT_NE(r, nullptr);
    uint32_t stored = 0;
    std::memcpy(&stored, r->data.data() + 7 * 4, 4);
    EXPECT_EQ(stored, 3u);
    EXPECT_EQ(AllocVertexBufferHandle(0, 8), -1);
    EXPECT_EQ(AllocIndexBufferHandle(2, -1), -1);
    int32_t ib = AllocIndexBufferHandle(2, 6);
    const uint16_t idx[2] = {7, 9};
    EXPECT_EQ(SetIndexBufferData(4, idx, 2, ib), 0);
    EXPECT_EQ(SetIndexBufferData(4, idx, 2, h), -1);
}

// With vertex work on the device every handle owns a filled device buffer; one that
// cannot be made is refused, and the slot is free again.
TEST_F(DeviceBuffersTest, ABufferTheDeviceCannotMakeGivesNoHandle) {
    Graphics().dev.hardwareVertexProcessing = 1;
    host::D3D9Settings().bufferCreateFailures = 2;
    EXPECT_EQ(AllocVertexBufferHandle(16, 4), -1);
    EXPECT_EQ(AllocIndexBufferHandle(2, 6), -1);
    EXPECT_NE(Log().find("頂点バッファの作成に失敗しました"), std::string::npos);
    EXPECT_EQ(VertexBufferTableInfo().count, 0);
    EXPECT_EQ(VertexBufferTableInfo().highWater, 0);
    const int32_t h = AllocVertexBufferHandle(16, 4);
    ASSERT_GE(h, 0);
    ASSERT_NE(GetVertexBufferRecord(h), nullptr);
    EXPECT_NE(GetVertexBufferRecord(h)->object, nullptr);
    Graphics().dev.hardwareVertexProcessing = 0;
}

}  // namespace
}  // namespace orvik_test
