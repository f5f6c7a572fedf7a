// Whether programmable shaders are used, the shader objects made from code, and their
// release with the device.
#include <algorithm>
#include <vector>

#include "engine/graphics/device/graphics_system.h"
#include "engine/graphics/shaders/shader_constants.h"
#include "engine/graphics/shaders/shader_system.h"
#include "engine/graphics/device/state_cache.h"
#include "engine/platform/base/log.h"
#include "host/d3d9/device/device.h"

namespace orvik {

namespace {

constexpr int kTestVertexEntry = 5462, kTestVertexSlot = 2;
constexpr int kTestPixelEntry = 409, kTestPixelSlot = 0;

// The code as whole aligned tokens, or empty when its size is not whole tokens or its
// token stream does not end within it.
std::vector<host::DWORD> CheckedTokens(const uint8_t* code, size_t bytes) {
    if (!code || bytes == 0 || bytes % 4 != 0) return {};
    std::vector<host::DWORD> tokens(bytes / 4);
    std::copy_n(code, bytes, reinterpret_cast<uint8_t*>(tokens.data()));
    if (host::MeasureShaderCode(tokens.data(), bytes) != bytes) return {};
    return tokens;
}

template <class T, class Create>
T* MakeShader(const uint8_t* code, size_t bytes, const char* kind, Create create) {
    host::Device* d = Graphics().dev.device;
    if (!d) return nullptr;
    const std::vector<host::DWORD> tokens = CheckedTokens(code, bytes);
    if (tokens.empty()) return AddLogFormat("%sシェーダーのコードが壊れています", kind), nullptr;
    T* shader = nullptr;
    if (host::FAILED(create(d, tokens.data(), bytes, &shader))) return AddLogFormat("%sシェーダーの作成に失敗しました", kind), nullptr;
    return shader;
}

template <class T>
void ReleaseEach(ZeroedTable<T*>& objects) {
    for (T*& o : objects)
        if (o) o->Release(), o = nullptr;
}

// Test-creates the pack's shader of an entry and slot into its object table.
template <class T>
bool TestCreate(ZeroedTable<T*>& objects, int entries, int entry, int slot, ShaderCode code, T* (*make)(const uint8_t*, size_t)) {
    if (objects.empty()) objects.Assign(size_t(entries) * kShaderSlots);
    if (objects.empty()) return false;
    T*& object = objects[size_t(entry) * kShaderSlots + size_t(slot)];
    if (!object) object = make(code.code, code.bytes);
    return object != nullptr;
}

void UnsetShaders() {
    host::Device* d = Graphics().dev.device;
    if (!d) return;
    d->SetVertexShader(nullptr);
    d->SetPixelShader(nullptr);
}

}  // namespace

host::VertexShader* MakeVertexShader(const uint8_t* code, size_t bytes) {
    return MakeShader<host::VertexShader>(code, bytes, "頂点", [](host::Device* d, const host::DWORD* t, size_t n, host::VertexShader** out) {
        return d->CreateVertexShader(t, n, out);
    });
}

host::PixelShader* MakePixelShader(const uint8_t* code, size_t bytes) {
    return MakeShader<host::PixelShader>(code, bytes, "ピクセル", [](host::Device* d, const host::DWORD* t, size_t n, host::PixelShader** out) {
        return d->CreatePixelShader(t, n, out);
    });
}

int SetupProgrammableShaders() {
    ShaderSystem& s = Shaders();
    ReleaseAllShaders();
    s.programmable = 0;
    const DeviceObjects& dev = Graphics().dev;
    if (dev.vertexShader20 && dev.pixelShader20) {
        s.programmable = 1;
        if (!LoadShaderPack()) {
            AddLogText("シェーダーコードを展開するメモリ領域の確保に失敗しました\n");
            s.programmable = 0;
        } else if (!TestCreate(s.vertexObjects, kVertexShaderEntries, kTestVertexEntry, kTestVertexSlot,
                               VertexShaderCode(kTestVertexEntry, kTestVertexSlot), &MakeVertexShader) ||
                   !TestCreate(s.pixelObjects, kPixelShaderEntries, kTestPixelEntry, kTestPixelSlot,
                               PixelShaderCode(kTestPixelEntry, kTestPixelSlot), &MakePixelShader)) {
            s.programmable = 0;
        }
    }
    AddLogText(s.programmable ? "プログラマブルシェーダーを使用します\n" : "プログラマブルシェーダーを使用しません\n");
    if (s.programmable) UploadShaderConstants(nullptr);
    SetDefaultShaderConstants();
    return 0;
}

void ReleasePixelShaders() {
    UnsetShaders();
    if (Graphics().dev.device) Graphics().dev.device->SetVertexDeclaration(nullptr);
    for (host::VertexDeclaration*& d : Shaders().declarations)
        if (d) d->Release(), d = nullptr;
    ForgetShaderShadows();
}

void ReleaseAllShaders() {
    UnsetShaders();
    ForgetShaderShadows();
    ReleaseEach(Shaders().vertexObjects);
    ReleaseEach(Shaders().pixelObjects);
}

}  // namespace orvik
