// Token stream to instruction list. Every check that keeps the interpreter inside its
// register files and its jumps inside the code is made here, once per shader object.
#include <algorithm>
#include <cstring>

#include "host/d3d9/shader_program.h"

namespace host {
namespace {

constexpr DWORD kParamBit = 0x80000000u;
constexpr int kMaxLoopDepth = 4, kMaxIfDepth = 24, kLabels = 16;

// What an opcode takes and which kind of code may use it.
struct OpShape {
    bool dest;
    uint8_t sources;
    bool vertex, pixel;
};

bool ShapeOf(DWORD op, OpShape* s) {
    auto set = [&](bool dest, int sources, bool vertex, bool pixel) {
        *s = OpShape{dest, uint8_t(sources), vertex, pixel};
        return true;
    };
    switch (op) {
        case kOpNop: return set(false, 0, true, true);
        case kOpMov: case kOpRcp: case kOpRsq: case kOpExp: case kOpLog: case kOpFrc: case kOpAbs: case kOpNrm:
            return set(true, 1, true, true);
        case kOpAdd: case kOpSub: case kOpMul: case kOpDp3: case kOpDp4: case kOpMin: case kOpMax: case kOpPow:
        case kOpCrs: case kOpM4x4: case kOpM4x3: case kOpM3x4: case kOpM3x3: case kOpM3x2:
            return set(true, 2, true, true);
        case kOpMad: case kOpLrp: case kOpSinCos: return set(true, 3, true, true);
        case kOpSlt: case kOpSge: case kOpDst: return set(true, 2, true, false);
        case kOpLit: case kOpExpp: case kOpLogp: case kOpMova: return set(true, 1, true, false);
        case kOpSgn: return set(true, 3, true, false);
        case kOpCall: case kOpLabel: case kOpRep: case kOpIf: return set(false, 1, true, false);
        case kOpCallNz: case kOpLoop: return set(false, 2, true, false);
        case kOpRet: case kOpEndLoop: case kOpEndRep: case kOpElse: case kOpEndIf: return set(false, 0, true, false);
        case kOpTexKill: return set(true, 0, false, true);
        case kOpTex: return set(true, 2, false, true);
        case kOpCmp: case kOpDp2Add: return set(true, 3, false, true);
        default: return false;
    }
}

int FileSize(bool pixel, int file) {
    switch (file) {
        case kFileTemp: return kShaderTemps;
        case kFileInput: return pixel ? kColorInputs : kVertexInputs;
        case kFileConst: return pixel ? kPixelConsts : kVertexConsts;
        case kFileAddr: return pixel ? kTexCoordRegs : 1;
        case kFileConstInt: return kIntConsts;
        case kFileConstBool: return kBoolConsts;
        case kFileSampler: return pixel ? kShaderSamplers : 0;
        case kFileLabel: return pixel ? 0 : kLabels;
        case kFileLoop: return pixel ? 0 : 1;
        default: return 0;
    }
}

int DestFileSize(bool pixel, int file) {
    if (pixel) {
        if (file == kFileTemp) return kShaderTemps;
        if (file == kFileColorOut) return kColorOutputs;
        if (file == kFileDepthOut) return 1;
        return 0;
    }
    switch (file) {
        case kFileTemp: return kShaderTemps;
        case kFileAddr: return 1;
        case kFileRastOut: return 3;
        case kFileAttrOut: return 2;
        case kFileTexCrdOut: return kTexCoordRegs;
        default: return 0;
    }
}

// Slots an instruction takes at the least: the matrix macros expand to one dot product a
// row. Other macros (nrm, sincos, pow...) take more on hardware; counting them as one
// never refuses code that fits.
int SlotsOf(DWORD op) {
    switch (op) {
        case kOpM4x4: case kOpM3x4: return 4;
        case kOpM4x3: case kOpM3x3: return 3;
        case kOpM3x2: return 2;
        case kOpLabel: return 0;
        default: return 1;
    }
}

int FileOf(DWORD t) { return int(((t >> 28) & 7) | ((t >> 8) & 0x18)); }

class Decoder {
public:
    Decoder(std::span<const DWORD> tokens, ShaderProgram* out, std::string* why)
        : t_(tokens), p_(out), why_(why) {}

    bool Run() {
        p_->pixel = (t_[0] >> 16) == 0xFFFF;
        const DWORD version = t_[0] & 0xFFFF;
        if (version != 0x0200) return Fail("only shader model 2.0 code runs on this device");
        p_->samplerCoord.fill(-1);
        size_t i = 1;
        while (t_[i] != D3DSIO_END) {
            const DWORD token = t_[i];
            const DWORD op = token & 0xFFFF;
            if (op == D3DSIO_COMMENT) {
                i += 1 + ((token >> 16) & 0x7FFF);
                continue;
            }
            const size_t length = (token >> 24) & 0xF;
            if (!Instruction(token, t_.subspan(i + 1, length))) return false;
            i += 1 + length;
        }
        if (!flow_.empty()) return Fail("a flow-control block is not closed");
        ShaderInstruction end;
        end.op = kOpRet;
        p_->code.push_back(end);
        return LinkCalls();
    }

private:
    bool Fail(const char* reason) {
        *why_ = reason;
        return false;
    }

    bool Instruction(DWORD token, std::span<const DWORD> params) {
        const DWORD op = token & 0xFFFF;
        if (token & (1u << 28 | 1u << 30)) return Fail("predicated or co-issued instructions are not shader model 2.0");
        if (op == kOpDcl) return Declaration(params);
        if (op == kOpDef || op == kOpDefI || op == kOpDefB) return Definition(op, params);
        OpShape shape;
        if (!ShapeOf(op, &shape) || !(p_->pixel ? shape.pixel : shape.vertex))
            return Fail("an instruction outside this kind of shader model 2.0 code");
        ShaderInstruction in;
        in.op = uint16_t(op);
        in.control = uint8_t(token >> 16);
        in.hasDest = shape.dest;
        in.sourceCount = shape.sources;
        size_t at = 0;
        if (shape.dest && !Dest(params, &at, &in.dest, op == kOpTexKill)) return false;
        for (int s = 0; s < shape.sources; ++s)
            if (!Source(params, &at, &in.src[s])) return false;
        if (at != params.size()) return Fail("an instruction's length does not match its operands");
        if (!Checks(&in) || !CountSlots(op)) return false;
        p_->code.push_back(in);
        return Flow(p_->code.size() - 1);
    }

    // texkill names the register it tests as a destination: t# or r#.
    bool Dest(std::span<const DWORD> params, size_t* at, DestOperand* d, bool tested) {
        if (*at >= params.size()) return Fail("an operand is missing");
        const DWORD t = params[(*at)++];
        d->file = uint8_t(FileOf(t));
        d->index = uint16_t(t & 0x7FF);
        d->mask = uint8_t((t >> 16) & 0xF);
        d->saturate = (t >> 20) & 1;
        if (t & (1u << 13) || ((t >> 24) & 0xF) != 0) return Fail("a destination modifier outside shader model 2.0");
        const int size = tested ? (d->file == kFileTexture || d->file == kFileTemp ? FileSize(true, d->file) : 0)
                                : DestFileSize(p_->pixel, d->file);
        if (d->index >= size) return Fail("a destination register outside its file");
        return true;
    }

    bool Source(std::span<const DWORD> params, size_t* at, SourceOperand* s) {
        if (*at >= params.size()) return Fail("an operand is missing");
        const DWORD t = params[(*at)++];
        s->file = uint8_t(FileOf(t));
        s->index = uint16_t(t & 0x7FF);
        for (int c = 0; c < 4; ++c) s->swizzle[c] = uint8_t((t >> (16 + 2 * c)) & 3);
        const DWORD mod = (t >> 24) & 0xF;
        if (mod != 0 && mod != 1 && mod != 11 && mod != 12) return Fail("a source modifier outside shader model 2.0");
        s->modifier = SourceModifier(mod);
        if (s->index >= FileSize(p_->pixel, s->file)) return Fail("a source register outside its file");
        if (!(t & (1u << 13))) return true;
        // Relative addressing (constants of vertex code only) names its address register
        // in a token of its own.
        if (p_->pixel || s->file != kFileConst || *at >= params.size())
            return Fail("relative addressing outside vertex constants");
        const DWORD r = params[(*at)++];
        s->relative = true;
        s->relativeFile = uint8_t(FileOf(r));
        s->relativeComponent = uint8_t((r >> 16) & 3);
        if ((s->relativeFile != kFileAddr && s->relativeFile != kFileLoop) || (r & 0x7FF) != 0)
            return Fail("relative addressing through a register other than a0 or aL");
        return true;
    }

    bool CountSlots(DWORD op) {
        const bool texture = op == kOpTex || op == kOpTexKill;
        int& used = texture ? textureSlots_ : arithmeticSlots_;
        used += SlotsOf(op);
        if (!p_->pixel) return used <= kVertexSlots || Fail("more instructions than vs_2_0's 256 slots");
        if (texture) return used <= kPixelTextureSlots || Fail("more texture instructions than ps_2_0's 32 slots");
        return used <= kPixelArithmeticSlots || Fail("more arithmetic instructions than ps_2_0's 64 slots");
    }

    // Operand kinds the instruction itself requires.
    bool Checks(ShaderInstruction* in) {
        const int f0 = in->src[0].file, f1 = in->src[1].file;
        // sincos gives cos in x and sin in y and nothing else; crs a vector of three.
        if (in->op == kOpSinCos && (in->dest.mask & ~3u) != 0) return Fail("sincos writes .x, .y or .xy only");
        if (in->op == kOpCrs && (in->dest.mask & 8u) != 0) return Fail("crs writes no w");
        switch (in->op) {
            case kOpMova: return in->dest.file == kFileAddr || Fail("mova writes a0 only");
            case kOpRep: return f0 == kFileConstInt || Fail("rep counts an integer constant");
            case kOpLoop:
                return (f0 == kFileLoop && f1 == kFileConstInt) || Fail("loop takes aL and an integer constant");
            case kOpIf: return f0 == kFileConstBool || Fail("if tests a boolean constant");
            case kOpCall: return f0 == kFileLabel || Fail("call names a label");
            case kOpCallNz:
                return (f0 == kFileLabel && f1 == kFileConstBool) || Fail("callnz names a label and a boolean");
            case kOpLabel: return f0 == kFileLabel || Fail("label names a label");
            case kOpTex: {
                if (f1 != kFileSampler || !(p_->samplers >> in->src[1].index & 1))
                    return Fail("texld reads an undeclared sampler");
                if (in->control > 2) return Fail("a texld variant outside shader model 2.0");
                int8_t& coord = p_->samplerCoord[in->src[1].index];
                if (coord < 0 && f0 == kFileTexture) coord = int8_t(in->src[0].index);
                return true;
            }
            default: break;
        }
        if (in->hasDest && in->dest.file == kFileAddr && !p_->pixel) return Fail("a0 is written by mova only");
        // Integer, boolean, label and sampler registers are read by the instructions above only.
        for (int s = 0; s < in->sourceCount; ++s) {
            const int f = in->src[s].file;
            if (f == kFileConstInt || f == kFileConstBool || f == kFileLabel || f == kFileSampler || f == kFileLoop ||
                (f == kFileAddr && !p_->pixel))
                return Fail("a register read by an instruction that cannot read it");
        }
        return true;
    }

    bool Declaration(std::span<const DWORD> params) {
        if (params.size() != 2) return Fail("a declaration's length is wrong");
        const DWORD info = params[0], reg = params[1];
        const int file = FileOf(reg), index = int(reg & 0x7FF);
        if (index >= FileSize(p_->pixel, file)) return Fail("a declared register outside its file");
        if (!p_->pixel) {
            if (file != kFileInput) return Fail("vertex code declares input registers only");
            p_->inputs.push_back({uint8_t(index), uint8_t(info & 0x1F), uint8_t((info >> 16) & 0xF)});
            return true;
        }
        if (file == kFileSampler) {
            // dcl_2d, dcl_cube and dcl_volume.
            static const uint8_t kTypes[5] = {0, 0, D3DRTYPE_TEXTURE, D3DRTYPE_CUBETEXTURE, D3DRTYPE_VOLUMETEXTURE};
            const DWORD type = (info >> 27) & 0xF;
            if (type >= 5 || kTypes[type] == 0) return Fail("a sampler of an unknown texture type");
            p_->samplerTypes[size_t(index)] = kTypes[type];
            p_->samplers = uint16_t(p_->samplers | 1u << index);
            return true;
        }
        if (file == kFileTexture) p_->pixelInputs |= 1u << index;
        else if (file == kFileInput) p_->pixelInputs |= 1u << (8 + index);
        else return Fail("pixel code declares t#, v# and s# registers only");
        return true;
    }

    bool Definition(DWORD op, std::span<const DWORD> params) {
        const size_t values = op == kOpDefB ? 1 : 4;
        if (params.size() != 1 + values) return Fail("a definition's length is wrong");
        const int file = op == kOpDef ? kFileConst : op == kOpDefI ? kFileConstInt : kFileConstBool;
        const int index = int(params[0] & 0x7FF);
        if (FileOf(params[0]) != file || index >= FileSize(p_->pixel, file))
            return Fail("a definition outside its constant file");
        if (op == kOpDef) {
            ShaderConstantF c{uint16_t(index), {}};
            std::memcpy(c.value.data(), &params[1], 16);
            p_->defs.push_back(c);
        } else if (op == kOpDefI) {
            ShaderConstantI c{uint16_t(index), {}};
            std::memcpy(c.value.data(), &params[1], 16);
            p_->defIs.push_back(c);
        } else {
            p_->defBs.push_back({uint16_t(index), int(params[1])});
        }
        return true;
    }

    // Matches rep/endrep, loop/endloop and if/else/endif; records labels.
    bool Flow(size_t at) {
        ShaderInstruction& in = p_->code[at];
        switch (in.op) {
            case kOpRep:
            case kOpLoop:
                if (++loopDepth_ > kMaxLoopDepth) return Fail("loops nested deeper than four");
                flow_.push_back(at);
                return true;
            case kOpIf:
                if (++ifDepth_ > kMaxIfDepth) return Fail("if blocks nested too deep");
                flow_.push_back(at);
                return true;
            case kOpEndRep:
            case kOpEndLoop: {
                const uint16_t open = in.op == kOpEndRep ? kOpRep : kOpLoop;
                if (flow_.empty() || p_->code[flow_.back()].op != open) return Fail("an unmatched loop end");
                Close(at);
                --loopDepth_;
                return true;
            }
            case kOpElse:
                if (flow_.empty() || p_->code[flow_.back()].op != kOpIf) return Fail("an else outside an if");
                p_->code[flow_.back()].jump = uint32_t(at);
                flow_.back() = at;
                return true;
            case kOpEndIf:
                if (flow_.empty() || (p_->code[flow_.back()].op != kOpIf && p_->code[flow_.back()].op != kOpElse))
                    return Fail("an endif outside an if");
                Close(at);
                --ifDepth_;
                return true;
            case kOpLabel: {
                if (!flow_.empty()) return Fail("a label inside a flow-control block");
                const int label = in.src[0].index;
                if (labels_.size() <= size_t(label)) labels_.resize(size_t(label) + 1, -1);
                if (labels_[size_t(label)] >= 0) return Fail("a label defined twice");
                labels_[size_t(label)] = int(at);
                return true;
            }
            default: return true;
        }
    }

    void Close(size_t at) {
        p_->code[flow_.back()].jump = uint32_t(at);
        p_->code[at].jump = uint32_t(flow_.back());
        flow_.pop_back();
    }

    bool LinkCalls() {
        for (ShaderInstruction& in : p_->code) {
            if (in.op != kOpCall && in.op != kOpCallNz) continue;
            const size_t label = in.src[0].index;
            if (label >= labels_.size() || labels_[label] < 0) return Fail("a call to a label that is not there");
            in.jump = uint32_t(labels_[label]);
        }
        return true;
    }

    std::span<const DWORD> t_;
    ShaderProgram* p_;
    std::string* why_;
    std::vector<size_t> flow_;
    std::vector<int> labels_;
    int loopDepth_ = 0, ifDepth_ = 0;
    int arithmeticSlots_ = 0, textureSlots_ = 0;
};

}  // namespace

bool WritesRegister(const ShaderProgram& p, int file, int index) {
    return std::any_of(p.code.begin(), p.code.end(), [&](const ShaderInstruction& in) {
        return in.hasDest && in.dest.file == file && in.dest.index == index;
    });
}

bool DecodeShader(std::span<const DWORD> tokens, ShaderProgram* out, std::string* why) {
    *out = ShaderProgram{};
    return Decoder(tokens, out, why).Run();
}

}  // namespace host
