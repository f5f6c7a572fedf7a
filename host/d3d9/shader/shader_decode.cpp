// Token stream to instruction list. Every check that keeps the interpreter inside its
// register files and its jumps inside the code is made here, once per shader object.
#include <algorithm>
#include <cstring>

#include "host/d3d9/shader/shader_program.h"
#include "host/d3d9/shader/shader_rules.h"

namespace host {
namespace {

int FileOf(DWORD t) { return int(((t >> 28) & 7) | ((t >> 8) & 0x18)); }

bool IsComparison(uint8_t control) { return control >= kCmpGt && control <= kCmpLe; }

// Sources an instruction reads in a register of its own kind (a label, a sampler, an
// integer or boolean constant, aL, the predicate), checked by the instruction itself.
bool SpecialSource(uint16_t op, int s) {
    switch (op) {
        case kOpRep: case kOpIf: case kOpCall: case kOpLabel: case kOpBreakP: return s == 0;
        case kOpLoop: case kOpCallNz: return s <= 1;
        case kOpTex: case kOpTexLdd: case kOpTexLdl: return s == 1;
        default: return false;
    }
}

bool ReadByArithmetic(bool pixel, int file) {
    switch (file) {
        case kFileConstInt: case kFileConstBool: case kFileLabel: case kFileSampler: case kFileLoop:
        case kFilePredicate: return false;
        case kFileAddr: return pixel;  // t# in pixel code, a0 in vertex code
        default: return true;
    }
}

class Decoder {
public:
    Decoder(std::span<const DWORD> tokens, ShaderProgram* out, std::string* why)
        : t_(tokens), p_(out), why_(why) {}

    bool Run() {
        p_->pixel = (t_[0] >> 16) == 0xFFFF;
        switch (t_[0] & 0xFFFF) {
            case 0x0200: p_->model = kModel20; break;
            case 0x0201: p_->model = kModel2x; break;
            case 0x0300: p_->model = kModel30; break;
            default: return Fail("only shader model 2.0, 2.x and 3.0 code runs on this device");
        }
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
        if (token & 1u << 30) return Fail("co-issued instructions are not shader model 2.0 or later");
        const bool predicated = token & 1u << 28;
        if (predicated && p_->model == kModel20) return Fail("predication needs shader model 2.x or 3.0");
        if (op == kOpDcl) return !predicated ? Declaration(params) : Fail("a predicated declaration");
        if (op == kOpDef || op == kOpDefI || op == kOpDefB)
            return !predicated ? Definition(op, params) : Fail("a predicated definition");
        OpShape shape;
        if (!ShapeOf(op, p_->pixel, p_->model, &shape)) return Fail("an instruction outside this kind of code's model");
        ShaderInstruction in;
        in.op = uint16_t(op);
        in.control = uint8_t(token >> 16);
        in.hasDest = shape.dest;
        in.sourceCount = shape.sources;
        in.predicated = predicated;
        size_t at = 0;
        if (shape.dest && !Dest(params, &at, &in.dest, op == kOpTexKill)) return false;
        if (predicated && !Source(params, &at, &in.predicate)) return false;
        if (predicated && (!shape.dest || in.predicate.file != kFilePredicate))
            return Fail("only an instruction that writes a register is predicated, and by p0");
        for (int s = 0; s < shape.sources; ++s)
            if (!Source(params, &at, &in.src[s])) return false;
        if (at != params.size()) return Fail("an instruction's length does not match its operands");
        if (!Checks(&in) || !CountSlots(op)) return false;
        if (op == kOpDsx || op == kOpDsy || op == kOpTexLdd) p_->derivatives = true;
        CountTemps(in);
        p_->code.push_back(in);
        return Flow(p_->code.size() - 1);
    }

    void CountTemps(const ShaderInstruction& in) {
        auto use = [&](int file, int last) {
            if (file == kFileTemp) p_->tempCount = uint8_t(std::clamp(last + 1, int(p_->tempCount), kMaxTemps));
        };
        if (in.hasDest) use(in.dest.file, in.dest.index);
        // A matrix macro's second source names its first row of several.
        for (int s = 0; s < in.sourceCount; ++s)
            use(in.src[s].file, in.src[s].index + (s == 1 ? SlotsOf(in.op) - 1 : 0));
    }

    // Reads the token naming the register a relative index comes from: a0 (vertex code) or aL.
    bool RelativeToken(std::span<const DWORD> params, size_t* at, uint8_t* file, uint8_t* component) {
        if (*at >= params.size()) return Fail("an operand is missing");
        const DWORD r = params[(*at)++];
        *file = uint8_t(FileOf(r));
        *component = uint8_t((r >> 16) & 3);
        const bool a0 = *file == kFileAddr && !p_->pixel;
        if ((!a0 && *file != kFileLoop) || (r & 0x7FF) != 0 || SourceFileSize(p_->pixel, p_->model, *file) == 0)
            return Fail("relative addressing through a register other than a0 or aL");
        return true;
    }

    // texkill names the register it tests as a destination: t# or r# (r# or v# in model 3.0).
    bool Dest(std::span<const DWORD> params, size_t* at, DestOperand* d, bool tested) {
        if (*at >= params.size()) return Fail("an operand is missing");
        const DWORD t = params[(*at)++];
        d->file = uint8_t(FileOf(t));
        d->index = uint16_t(t & 0x7FF);
        d->mask = uint8_t((t >> 16) & 0xF);
        d->saturate = (t >> 20) & 1;
        // Saturation, partial precision and centroid are the modifiers there are; no shift.
        if ((t >> 20 & 0xF) > 7 || ((t >> 24) & 0xF) != 0) return Fail("a destination modifier outside the model");
        int size = DestFileSize(p_->pixel, p_->model, d->file);
        if (tested) {
            const int second = p_->model == kModel30 ? kFileInput : kFileTexture;
            size = d->file == kFileTemp || d->file == second ? SourceFileSize(true, p_->model, d->file) : 0;
        }
        if (d->index >= size) return Fail("a destination register outside its file");
        if (!(t & (1u << 13))) return true;
        uint8_t file = 0, component = 0;
        if (p_->pixel || p_->model != kModel30 || d->file != kFileOutput)
            return Fail("relative addressing of a destination other than a model 3.0 output");
        if (!RelativeToken(params, at, &file, &component)) return false;
        if (file != kFileLoop) return Fail("outputs are indexed by aL only");
        d->relative = true;
        return true;
    }

    bool Source(std::span<const DWORD> params, size_t* at, SourceOperand* s) {
        if (*at >= params.size()) return Fail("an operand is missing");
        const DWORD t = params[(*at)++];
        s->file = uint8_t(FileOf(t));
        s->index = uint16_t(t & 0x7FF);
        for (int c = 0; c < 4; ++c) s->swizzle[c] = uint8_t((t >> (16 + 2 * c)) & 3);
        const DWORD mod = (t >> 24) & 0xF;
        const bool predicate = s->file == kFilePredicate;
        if (predicate ? mod != 0 && mod != 13 : mod != 0 && mod != 1 && mod != 11 && mod != 12)
            return Fail("a source modifier outside the model");
        s->modifier = SourceModifier(mod);
        if (s->index >= SourceFileSize(p_->pixel, p_->model, s->file)) return Fail("a source register outside its file");
        if (!(t & (1u << 13))) return true;
        if (!RelativeAllowed(p_->pixel, p_->model, s->file)) return Fail("relative addressing of a register that has none");
        s->relative = true;
        if (!RelativeToken(params, at, &s->relativeFile, &s->relativeComponent)) return false;
        if (s->file == kFileInput && s->relativeFile != kFileLoop) return Fail("inputs are indexed by aL only");
        return true;
    }

    bool CountSlots(DWORD op) {
        const bool texture = SeparateTextureSlots(p_->pixel, p_->model) && (op == kOpTex || op == kOpTexKill);
        int& used = texture ? textureSlots_ : arithmeticSlots_;
        used += SlotsOf(op);
        return used <= SlotLimit(p_->pixel, p_->model, texture) || Fail("more instructions than the model's slots");
    }

    // A boolean constant, or the predicate where the model has one.
    bool Condition(const SourceOperand& s) const {
        return s.file == kFileConstBool || (s.file == kFilePredicate && p_->model != kModel20);
    }

    bool Sampled(ShaderInstruction* in) {
        const SourceOperand& smp = in->src[1];
        if (smp.file != kFileSampler || !(p_->samplers >> smp.index & 1))
            return Fail("a texture instruction reads an undeclared sampler");
        if (in->op == kOpTex ? in->control > 2 : in->control != 0) return Fail("a texld variant outside the model");
        const SourceOperand& coord = in->src[0];
        const int coordFile = p_->model == kModel30 ? kFileInput : kFileTexture;
        int8_t& hint = p_->samplerCoord[smp.index];
        if (in->op == kOpTex && hint < 0 && coord.file == coordFile && !coord.relative)
            hint = int8_t(p_->model == kModel30 ? coord.index : 2 + coord.index);
        return true;
    }

    // Operand kinds the instruction itself requires.
    bool Checks(ShaderInstruction* in) {
        const SourceOperand* s = in->src;
        // sincos gives cos in x and sin in y and nothing else; crs a vector of three.
        if (in->op == kOpSinCos && (in->dest.mask & ~3u) != 0) return Fail("sincos writes .x, .y or .xy only");
        if (in->op == kOpCrs && (in->dest.mask & 8u) != 0) return Fail("crs writes no w");
        bool ok = true;
        switch (in->op) {
            case kOpMova: ok = in->dest.file == kFileAddr || Fail("mova writes a0 only"); break;
            case kOpRep: ok = s[0].file == kFileConstInt || Fail("rep counts an integer constant"); break;
            case kOpLoop:
                ok = (s[0].file == kFileLoop && s[1].file == kFileConstInt) || Fail("loop takes aL and an integer constant");
                break;
            case kOpIf: ok = Condition(s[0]) || Fail("if tests a boolean constant or the predicate"); break;
            case kOpIfC: case kOpBreakC: ok = IsComparison(in->control) || Fail("a comparison outside the six"); break;
            case kOpSetP:
                ok = (IsComparison(in->control) && in->dest.file == kFilePredicate) || Fail("setp compares into p0");
                break;
            case kOpBreakP: ok = s[0].file == kFilePredicate || Fail("breakp tests the predicate"); break;
            case kOpCall: ok = s[0].file == kFileLabel || Fail("call names a label"); break;
            case kOpCallNz:
                ok = (s[0].file == kFileLabel && Condition(s[1])) || Fail("callnz names a label and a condition");
                break;
            case kOpLabel: ok = s[0].file == kFileLabel || Fail("label names a label"); break;
            case kOpTex: case kOpTexLdd: case kOpTexLdl: ok = Sampled(in); break;
            default: break;
        }
        if (!ok) return false;
        if (in->hasDest && in->dest.file == kFileAddr && !p_->pixel && in->op != kOpMova)
            return Fail("a0 is written by mova only");
        if (in->hasDest && in->dest.file == kFilePredicate && in->op != kOpSetP) return Fail("p0 is written by setp only");
        for (int k = 0; k < in->sourceCount; ++k)
            if (!SpecialSource(in->op, k) && !ReadByArithmetic(p_->pixel, s[k].file))
                return Fail("a register read by an instruction that cannot read it");
        return true;
    }

    bool Semantic(std::vector<InputBinding>* list, DWORD info, DWORD reg) {
        list->push_back({uint8_t(reg & 0x7FF), uint8_t(info & 0x1F), uint8_t((info >> 16) & 0xF),
                         uint8_t((reg >> 16) & 0xF)});
        return true;
    }

    bool Declaration(std::span<const DWORD> params) {
        if (params.size() != 2) return Fail("a declaration's length is wrong");
        const DWORD info = params[0], reg = params[1];
        const int file = FileOf(reg), index = int(reg & 0x7FF);
        const bool output = !p_->pixel && file == kFileOutput && p_->model == kModel30;
        const int size = output ? kOutputRegs : SourceFileSize(p_->pixel, p_->model, file);
        if (index >= size) return Fail("a declared register outside its file");
        if (file == kFileSampler) {
            // dcl_2d, dcl_cube and dcl_volume.
            static const uint8_t kTypes[5] = {0, 0, D3DRTYPE_TEXTURE, D3DRTYPE_CUBETEXTURE, D3DRTYPE_VOLUMETEXTURE};
            const DWORD type = (info >> 27) & 0xF;
            if (type >= 5 || kTypes[type] == 0) return Fail("a sampler of an unknown texture type");
            p_->samplerTypes[size_t(index)] = kTypes[type];
            p_->samplers = uint16_t(p_->samplers | 1u << index);
            return true;
        }
        if (!p_->pixel) {
            if (output) return Semantic(&p_->outputs, info, reg);
            return file == kFileInput ? Semantic(&p_->inputs, info, reg) : Fail("vertex code declares v#, o# and s# only");
        }
        if (p_->model == kModel30) {
            if (file == kFileMisc) return true;
            if (file != kFileInput) return Fail("model 3.0 pixel code declares v#, vPos, vFace and s# only");
            p_->pixelInputs |= 1u << index;
            return Semantic(&p_->inputs, info, reg);
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
        if (FileOf(params[0]) != file || index >= SourceFileSize(p_->pixel, p_->model, file))
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

    bool Open(size_t at, int* depth, int limit) {
        if (++*depth > limit) return Fail("flow-control blocks nested deeper than the model allows");
        flow_.push_back(at);
        return true;
    }

    // Matches rep/endrep, loop/endloop and if/else/endif; records labels.
    bool Flow(size_t at) {
        ShaderInstruction& in = p_->code[at];
        const uint16_t openOp = flow_.empty() ? uint16_t(kOpNop) : p_->code[flow_.back()].op;
        switch (in.op) {
            case kOpRep: case kOpLoop: return Open(at, &loopDepth_, kStaticFlowDepth);
            case kOpIf: case kOpIfC: return Open(at, &ifDepth_, kDynamicFlowDepth);
            case kOpEndRep:
            case kOpEndLoop:
                if (openOp != (in.op == kOpEndRep ? kOpRep : kOpLoop)) return Fail("an unmatched loop end");
                Close(at);
                --loopDepth_;
                return true;
            case kOpElse:
                if (openOp != kOpIf && openOp != kOpIfC) return Fail("an else outside an if");
                p_->code[flow_.back()].jump = uint32_t(at);
                flow_.back() = at;
                return true;
            case kOpEndIf:
                if (openOp != kOpIf && openOp != kOpIfC && openOp != kOpElse) return Fail("an endif outside an if");
                Close(at);
                --ifDepth_;
                return true;
            case kOpBreak: case kOpBreakC: case kOpBreakP:
                return loopDepth_ > 0 || Fail("a break outside a loop");
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
