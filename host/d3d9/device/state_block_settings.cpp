// A state block's other settings written to the device and read back from it, through the
// device's own setters and getters (the values were checked when they were recorded).
#include "host/d3d9/device/state_block_settings.h"

#include "host/d3d9/device/device.h"

namespace host {
namespace {

// A getter's object taken over by the setting, which gives back the one it held.
template <class T, class Get>
void Refetch(KeptSetting& s, Get get) {
    T* object = nullptr;
    if (SUCCEEDED(get(&object))) s.object.Adopt(object);
}

// A getter's value of type T read into the setting, kept as a `Kept`.
template <class T, class Get, class Kept = T>
void Reread(KeptSetting& s, Get get) {
    T value{};
    if (SUCCEEDED(get(&value))) s.value = Kept(value);
}

// A BOOL getter's value, kept as a DWORD.
template <class Get>
void RereadFlag(KeptSetting& s, Get get) {
    Reread<BOOL, Get, DWORD>(s, get);
}

DWORD Word(const KeptSetting& s) { return std::get<DWORD>(s.value); }
const float* Floats(const KeptSetting& s) { return std::get<std::array<float, 4>>(s.value).data(); }
const int* Ints(const KeptSetting& s) { return std::get<std::array<int, 4>>(s.value).data(); }
// The register values a getter fills, of the array type T.
template <class T>
auto* Cell(KeptSetting& s) {
    return std::get<T>(s.value).data();
}

void ApplySetting(Device& d, const KeptSetting& s) {
    const DWORD i = s.slot;
    const BOOL flag = BOOL(std::holds_alternative<DWORD>(s.value) ? Word(s) : 0);
    switch (s.what) {
    case Setting::kTexture: d.SetTexture(i, s.object.As<BaseTexture>()); break;
    case Setting::kStream: {
        const StreamPlace& place = std::get<StreamPlace>(s.value);
        d.SetStreamSource(i, s.object.As<VertexBuffer>(), place.offset, place.stride);
        break;
    }
    case Setting::kStreamFreq: d.SetStreamSourceFreq(i, Word(s)); break;
    case Setting::kIndices: d.SetIndices(s.object.As<IndexBuffer>()); break;
    case Setting::kFvf: d.SetFVF(Word(s)); break;
    case Setting::kDeclaration: d.SetVertexDeclaration(s.object.As<VertexDeclaration>()); break;
    case Setting::kVertexShader: d.SetVertexShader(s.object.As<VertexShader>()); break;
    case Setting::kPixelShader: d.SetPixelShader(s.object.As<PixelShader>()); break;
    case Setting::kVertexConstF: d.SetVertexShaderConstantF(i, Floats(s), 1); break;
    case Setting::kVertexConstI: d.SetVertexShaderConstantI(i, Ints(s), 1); break;
    case Setting::kVertexConstB: d.SetVertexShaderConstantB(i, &flag, 1); break;
    case Setting::kPixelConstF: d.SetPixelShaderConstantF(i, Floats(s), 1); break;
    case Setting::kPixelConstI: d.SetPixelShaderConstantI(i, Ints(s), 1); break;
    case Setting::kPixelConstB: d.SetPixelShaderConstantB(i, &flag, 1); break;
    case Setting::kTransform: d.SetTransform(D3DTRANSFORMSTATETYPE(i), &std::get<D3DMATRIX>(s.value)); break;
    case Setting::kViewport: d.SetViewport(&std::get<D3DVIEWPORT9>(s.value)); break;
    case Setting::kScissor: d.SetScissorRect(&std::get<RECT>(s.value)); break;
    case Setting::kMaterial: d.SetMaterial(&std::get<D3DMATERIAL9>(s.value)); break;
    case Setting::kLight: d.SetLight(i, &std::get<D3DLIGHT9>(s.value)); break;
    case Setting::kLightEnable: d.LightEnable(i, flag); break;
    case Setting::kNPatchMode: d.SetNPatchMode(std::get<float>(s.value)); break;
    }
}

void CaptureSetting(Device& d, KeptSetting& s) {
    const DWORD i = s.slot;
    switch (s.what) {
    case Setting::kTexture: Refetch<BaseTexture>(s, [&](BaseTexture** t) { return d.GetTexture(i, t); }); break;
    case Setting::kStream: {
        VertexBuffer* buffer = nullptr;
        StreamPlace place;
        if (FAILED(d.GetStreamSource(i, &buffer, &place.offset, &place.stride))) break;
        s.object.Adopt(buffer);
        s.value = place;
        break;
    }
    case Setting::kStreamFreq: Reread<UINT>(s, [&](UINT* v) { return d.GetStreamSourceFreq(i, v); }); break;
    case Setting::kIndices: Refetch<IndexBuffer>(s, [&](IndexBuffer** b) { return d.GetIndices(b); }); break;
    case Setting::kFvf: Reread<DWORD>(s, [&](DWORD* v) { return d.GetFVF(v); }); break;
    case Setting::kDeclaration:
        Refetch<VertexDeclaration>(s, [&](VertexDeclaration** v) { return d.GetVertexDeclaration(v); });
        break;
    case Setting::kVertexShader:
        Refetch<VertexShader>(s, [&](VertexShader** v) { return d.GetVertexShader(v); });
        break;
    case Setting::kPixelShader: Refetch<PixelShader>(s, [&](PixelShader** v) { return d.GetPixelShader(v); }); break;
    case Setting::kVertexConstF: d.GetVertexShaderConstantF(i, Cell<std::array<float, 4>>(s), 1); break;
    case Setting::kVertexConstI: d.GetVertexShaderConstantI(i, Cell<std::array<int, 4>>(s), 1); break;
    case Setting::kVertexConstB: RereadFlag(s, [&](BOOL* v) { return d.GetVertexShaderConstantB(i, v, 1); }); break;
    case Setting::kPixelConstF: d.GetPixelShaderConstantF(i, Cell<std::array<float, 4>>(s), 1); break;
    case Setting::kPixelConstI: d.GetPixelShaderConstantI(i, Cell<std::array<int, 4>>(s), 1); break;
    case Setting::kPixelConstB: RereadFlag(s, [&](BOOL* v) { return d.GetPixelShaderConstantB(i, v, 1); }); break;
    case Setting::kTransform:
        Reread<D3DMATRIX>(s, [&](D3DMATRIX* m) { return d.GetTransform(D3DTRANSFORMSTATETYPE(i), m); });
        break;
    case Setting::kViewport: Reread<D3DVIEWPORT9>(s, [&](D3DVIEWPORT9* v) { return d.GetViewport(v); }); break;
    case Setting::kScissor: Reread<RECT>(s, [&](RECT* r) { return d.GetScissorRect(r); }); break;
    case Setting::kMaterial: Reread<D3DMATERIAL9>(s, [&](D3DMATERIAL9* m) { return d.GetMaterial(m); }); break;
    case Setting::kLight: Reread<D3DLIGHT9>(s, [&](D3DLIGHT9* l) { return d.GetLight(i, l); }); break;
    case Setting::kLightEnable: RereadFlag(s, [&](BOOL* v) { return d.GetLightEnable(i, v); }); break;
    case Setting::kNPatchMode: s.value = d.GetNPatchMode(); break;
    }
}

}  // namespace

void ApplySettings(Device& device, std::span<const KeptSetting> settings) {
    for (const KeptSetting& s : settings) ApplySetting(device, s);
}

void CaptureSettings(Device& device, std::span<KeptSetting> settings) {
    for (KeptSetting& s : settings) CaptureSetting(device, s);
}

}  // namespace host
