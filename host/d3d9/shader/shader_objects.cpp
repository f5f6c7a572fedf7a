#include "host/d3d9/shader/shader_objects.h"

#include <algorithm>
#include <cstring>

namespace host {
namespace {

std::atomic<int> g_vertexShaders{0}, g_pixelShaders{0}, g_declarations{0};

constexpr DWORD kPhase = 0xFFFD;
// The highest instruction opcode of shader model 2 and 3 streams.
constexpr DWORD kLastOpcode = 96;
// Definitions carry raw values (floats, integers, booleans) as their operands.
constexpr DWORD kDefB = 47, kDefI = 48, kDef = 81;

bool KnownOpcode(DWORD op) { return op <= kLastOpcode || op == kPhase; }

bool TakesRawOperands(DWORD op) { return op == kDef || op == kDefI || op == kDefB; }

// The version token names a vertex (0xFFFE) or pixel (0xFFFF) stream of model 2 or 3.
bool ValidVersion(DWORD token) {
    const DWORD kind = token >> 16, major = (token >> 8) & 0xFF;
    return (kind == 0xFFFE || kind == 0xFFFF) && (major == 2 || major == 3);
}

}  // namespace

size_t MeasureShaderCode(const DWORD* tokens, size_t maxBytes) {
    const size_t count = maxBytes / sizeof(DWORD);
    if (!tokens || count < 2 || !ValidVersion(tokens[0])) return 0;
    size_t i = 1;
    while (i < count) {
        const DWORD t = tokens[i];
        if (t == D3DSIO_END) return (i + 1) * sizeof(DWORD);
        if (t & 0x80000000u) return 0;  // a parameter token where an instruction belongs
        const DWORD op = t & 0xFFFF;
        if (op == D3DSIO_COMMENT) {
            const size_t length = (t >> 16) & 0x7FFF;
            if (length >= count - i) return 0;
            i += 1 + length;
            continue;
        }
        const size_t length = (t >> 24) & 0xF;
        if (!KnownOpcode(op) || length >= count - i) return 0;
        if (!TakesRawOperands(op))
            for (size_t p = 1; p <= length; ++p)
                if (!(tokens[i + p] & 0x80000000u)) return 0;
        i += 1 + length;
    }
    return 0;
}

ShaderObjectCounts LiveShaderObjects() { return {g_vertexShaders.load(), g_pixelShaders.load(), g_declarations.load()}; }

ShaderObject::ShaderObject(const DWORD* tokens, size_t bytes, ShaderProgram program, std::atomic<int>* live)
    : code_(tokens, tokens + bytes / sizeof(DWORD)), program_(std::move(program)), live_(live) {
    ++*live_;
}

ShaderObject::~ShaderObject() { --*live_; }

HRESULT ShaderObject::GetFunction(void* data, UINT* bytes) const {
    if (!bytes) return D3DERR_INVALIDCALL;
    const UINT size = UINT(code_.size() * sizeof(DWORD));
    if (data) {
        if (*bytes < size) return D3DERR_INVALIDCALL;
        std::memcpy(data, code_.data(), size);
    }
    *bytes = size;
    return D3D_OK;
}

VertexShader::VertexShader(const DWORD* tokens, size_t bytes, ShaderProgram program)
    : ShaderObject(tokens, bytes, std::move(program), &g_vertexShaders) {}
PixelShader::PixelShader(const DWORD* tokens, size_t bytes, ShaderProgram program)
    : ShaderObject(tokens, bytes, std::move(program), &g_pixelShaders), lanes_(Program()) {}

VertexDeclaration::VertexDeclaration(std::vector<D3DVERTEXELEMENT9> elements)
    : elements_(std::move(elements)), layout_(LayoutOfDeclaration(elements_)) {
    ++g_declarations;
}

VertexDeclaration::~VertexDeclaration() { --g_declarations; }

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) const {
    if (!count) return D3DERR_INVALIDCALL;
    const UINT n = UINT(elements_.size() + 1);
    if (elements) {
        std::copy(elements_.begin(), elements_.end(), elements);
        elements[n - 1] = D3DDECL_END();
    }
    *count = n;
    return D3D_OK;
}

bool ReadDeclaration(const D3DVERTEXELEMENT9* list, std::vector<D3DVERTEXELEMENT9>* out) {
    if (!list) return false;
    out->clear();
    for (int i = 0; i <= MAXD3DDECLLENGTH; ++i) {
        const D3DVERTEXELEMENT9& e = list[i];
        if (e.Stream == 0xFF) return e.Type == D3DDECLTYPE_UNUSED;
        if (i == MAXD3DDECLLENGTH || e.Stream >= 16 || e.Offset % 4 != 0 || e.Type >= D3DDECLTYPE_UNUSED ||
            e.Method > D3DDECLMETHOD_LOOKUPPRESAMPLED || e.Usage > D3DDECLUSAGE_SAMPLE || e.UsageIndex >= 16)
            return false;
        for (const D3DVERTEXELEMENT9& seen : *out)
            if (seen.Usage == e.Usage && seen.UsageIndex == e.UsageIndex) return false;
        out->push_back(e);
    }
    return false;
}

}  // namespace host
