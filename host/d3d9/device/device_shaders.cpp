// The device's shader side: shader objects made from checked and decoded bytecode, vertex
// declarations, and what is bound.
#include <string>

#include "host/d3d9/device/caps.h"
#include "host/d3d9/device/device.h"
#include "host/d3d9/resources/resource_make.h"
#include "host/debug_output.h"

namespace host {
namespace {

// `what` is the kind of object refused.
HRESULT Refuse(const std::string& why, const char* what = "shader") {
    OutputDebugStringA(("Direct3D9: " + std::string(what) + " refused: " + why + "\n").c_str());
    return D3DERR_INVALIDCALL;
}

HRESULT RefuseDeclaration(const std::string& why) { return Refuse(why, "vertex declaration"); }

// The code's version is of the object's kind and no higher than the device offers.
template <class T>
HRESULT CreateShader(const DWORD* function, size_t maxBytes, DWORD capsVersion, T** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    const size_t bytes = MeasureShaderCode(function, maxBytes);
    if (bytes == 0) return Refuse("the token stream is malformed or has no end token within its size");
    const DWORD version = function[0];
    if ((version >> 16) != (capsVersion >> 16) || (version & 0xFFFF) > (capsVersion & 0xFFFF))
        return Refuse("the code's version is of another kind or above the device's");
    ShaderProgram program;
    std::string why;
    if (!DecodeShader({function, bytes / sizeof(DWORD)}, &program, &why)) return Refuse(why);
    return MakeResource(out, function, bytes, std::move(program));
}

D3DCAPS9 Caps() {
    D3DCAPS9 caps;
    FillDeviceCaps(&caps);
    return caps;
}

}  // namespace

HRESULT Device::CreateVertexShader(const DWORD* function, size_t bytes, VertexShader** shader) {
    return CreateShader(function, bytes, Caps().VertexShaderVersion, shader);
}

HRESULT Device::CreatePixelShader(const DWORD* function, size_t bytes, PixelShader** shader) {
    return CreateShader(function, bytes, Caps().PixelShaderVersion, shader);
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, VertexDeclaration** declaration) {
    if (!declaration) return D3DERR_INVALIDCALL;
    *declaration = nullptr;
    std::vector<D3DVERTEXELEMENT9> list;
    if (!ReadDeclaration(elements, &list))
        return RefuseDeclaration("an element is out of range or given twice, or the list has no end marker");
    // Every other method tessellates (N-patches or displacement maps), which this device
    // does not offer.
    for (const D3DVERTEXELEMENT9& e : list)
        if (e.Method != D3DDECLMETHOD_DEFAULT)
            return RefuseDeclaration("an element has a tessellation method, and the device does not tessellate");
    return MakeResource(declaration, std::move(list));
}

HRESULT Device::SetVertexShader(VertexShader* shader) {
    ReplaceRef(vertexShader_, shader);
    return D3D_OK;
}

HRESULT Device::SetPixelShader(PixelShader* shader) {
    ReplaceRef(pixelShader_, shader);
    return D3D_OK;
}

HRESULT Device::GetVertexShader(VertexShader** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    if ((*shader = vertexShader_)) vertexShader_->AddRef();
    return D3D_OK;
}

HRESULT Device::GetPixelShader(PixelShader** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    if ((*shader = pixelShader_)) pixelShader_->AddRef();
    return D3D_OK;
}

// The last of a declaration and an FVF to be set describes the vertices.
HRESULT Device::SetVertexDeclaration(VertexDeclaration* declaration) {
    ReplaceRef(declaration_, declaration);
    if (declaration) fvf_ = 0;
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(VertexDeclaration** declaration) {
    if (!declaration) return D3DERR_INVALIDCALL;
    if ((*declaration = declaration_)) declaration_->AddRef();
    return D3D_OK;
}

void Device::ReleaseShaderBindings() {
    ReplaceRef<VertexShader>(vertexShader_, nullptr);
    ReplaceRef<PixelShader>(pixelShader_, nullptr);
    ReplaceRef<VertexDeclaration>(declaration_, nullptr);
    for (StreamSource& s : moreStreams_) ReplaceRef<VertexBuffer>(s.buffer, nullptr);
}

}  // namespace host
