// Single instructions run by the interpreter and read back as floats, where a colour's
// eight bits would hide the difference: the special values of rcp, rsq, log and lit,
// frc of negatives, saturation of NaN, mova's rounding; and the limits the decoder holds
// code to.
#include <bit>
#include <cmath>

#include "host/d3d9/shader/shader_run.h"
#include "shader_code.h"

namespace host::test {
namespace {

constexpr uint32_t kInsC = kFileConst, kInsR = kFileTemp;
constexpr uint32_t kNegate = 1;
const float kInf = INFINITY;

// Decodes `code` (its version token first, the end token added) and runs it once with
// zeroed device constants; the temporaries it leaves.
std::array<Vec4, kMaxTemps> RunOnce(ShaderCode code) {
    const std::vector<uint32_t> tokens = code.End();
    ShaderProgram p;
    std::string why;
    EXPECT_TRUE(DecodeShader(tokens, &p, &why)) << why;
    const std::vector<float> f(size_t(p.pixel ? kPixelConsts : kVertexConsts) * 4, 0.0f);
    const std::vector<int> i(kIntConsts * 4, 0), b(kBoolConsts, 0);
    ProgramConstants k;
    k.Load(p, f, i, b);
    ShaderRegisters regs;
    EXPECT_TRUE(RunShader(p, k, regs, nullptr));
    return regs.r;
}

bool Decodes(const std::vector<uint32_t>& tokens) {
    ShaderProgram p;
    std::string why;
    return DecodeShader(tokens, &p, &why);
}

TEST(ShaderInstructions, ReciprocalsOfZeroAndNegatives) {
    // rcp and rsq of 0 are +infinity whatever the zero's sign; rsq takes the magnitude.
    const auto r = RunOnce(ShaderCode(kVs20)
                               .Def(0, 0, -4, 1, 4)
                               .Op(kOpRcp, {Dst(kInsR, 0, 1), Src(kInsC, 0, Rep(0))})
                               .Op(kOpRcp, {Dst(kInsR, 0, 2), Src(kInsC, 0, Rep(0), kNegate)})
                               .Op(kOpRcp, {Dst(kInsR, 0, 4), Src(kInsC, 0, Rep(1))})
                               .Op(kOpRcp, {Dst(kInsR, 0, 8), Src(kInsC, 0, Rep(2))})
                               .Op(kOpRsq, {Dst(kInsR, 1, 1), Src(kInsC, 0, Rep(1))})
                               .Op(kOpRsq, {Dst(kInsR, 1, 2), Src(kInsC, 0, Rep(0), kNegate)})
                               .Op(kOpRsq, {Dst(kInsR, 1, 4), Src(kInsC, 0, Rep(3))}));
    EXPECT_EQ(r[0][0], kInf);
    EXPECT_EQ(r[0][1], kInf);
    EXPECT_EQ(r[0][2], -0.25f);
    EXPECT_EQ(r[0][3], 1.0f);
    EXPECT_EQ(r[1][0], 0.5f);
    EXPECT_EQ(r[1][1], kInf);
    EXPECT_EQ(r[1][2], 0.5f);
}

TEST(ShaderInstructions, ExponentsAndLogarithms) {
    const auto r = RunOnce(ShaderCode(kVs20)
                               .Def(0, -1, 10, 8, -8)
                               .Def(1, 0, 0.25f, 3, 1.0f / 3)
                               .Op(kOpExp, {Dst(kInsR, 0, 1), Src(kInsC, 0, Rep(0))})
                               .Op(kOpExp, {Dst(kInsR, 0, 2), Src(kInsC, 0, Rep(1))})
                               .Op(kOpLog, {Dst(kInsR, 0, 4), Src(kInsC, 0, Rep(2))})
                               .Op(kOpLog, {Dst(kInsR, 0, 8), Src(kInsC, 0, Rep(3))})
                               .Op(kOpLog, {Dst(kInsR, 1, 1), Src(kInsC, 1, Rep(0))})
                               .Op(kOpLogp, {Dst(kInsR, 1, 2), Src(kInsC, 1, Rep(1))})
                               .Op(kOpExpp, {Dst(kInsR, 1, 4), Src(kInsC, 1, Rep(2))})
                               .Op(kOpPow, {Dst(kInsR, 1, 8), Src(kInsC, 0, Rep(3)), Src(kInsC, 1, Rep(3))}));
    EXPECT_EQ(r[0][0], 0.5f);
    EXPECT_EQ(r[0][1], 1024.0f);
    EXPECT_EQ(r[0][2], 3.0f);
    EXPECT_EQ(r[0][3], 3.0f);  // log of the magnitude
    EXPECT_EQ(r[1][0], -kInf);
    EXPECT_EQ(r[1][1], -2.0f);
    EXPECT_EQ(r[1][2], 8.0f);
    EXPECT_NEAR(r[1][3], 2.0f, 1e-6f);  // pow of the magnitude: |-8| ^ (1/3)
}

TEST(ShaderInstructions, LitGatesAndClampsTheSpecularTerm) {
    const auto r = RunOnce(ShaderCode(kVs20)
                               .Def(0, 0.5f, 0, 0, 0)      // facing the light, no highlight, power 0
                               .Def(1, 0.5f, -0.2f, 0, -2)  // specular dot negative, negative power
                               .Def(2, -1, 0.5f, 0, 1)      // facing away
                               .Def(3, 1, 0.9f, 0, 200)     // power beyond its range
                               .Op(kOpLit, {Dst(kInsR, 0), Src(kInsC, 0)})
                               .Op(kOpLit, {Dst(kInsR, 1), Src(kInsC, 1)})
                               .Op(kOpLit, {Dst(kInsR, 2), Src(kInsC, 2)})
                               .Op(kOpLit, {Dst(kInsR, 3), Src(kInsC, 3)}));
    auto expect = [&](int reg, float x, float y, float z, float w) {
        EXPECT_EQ(r[size_t(reg)][0], x) << reg;
        EXPECT_EQ(r[size_t(reg)][1], y) << reg;
        EXPECT_EQ(r[size_t(reg)][2], z) << reg;
        EXPECT_EQ(r[size_t(reg)][3], w) << reg;
    };
    expect(0, 1, 0.5f, 0, 1);
    expect(1, 1, 0.5f, 0, 1);
    expect(2, 1, 0, 0, 1);
    // The power is held just below 128 (127.9961), which 0.9 ^ 128 is 0.04 % away from.
    const float held = std::pow(0.9f, 127.9961f);
    EXPECT_NEAR(r[3][2], held, held * 1e-5f);
    EXPECT_GT(std::fabs(r[3][2] - std::pow(0.9f, 128.0f)), held * 1e-4f);
}

TEST(ShaderInstructions, FractionsOfNegativesStayBelowOne) {
    const auto r = RunOnce(ShaderCode(kVs20)
                               .Def(0, -0.25f, -1e-10f, -2, 2.5f)
                               .Op(kOpFrc, {Dst(kInsR, 0), Src(kInsC, 0)}));
    EXPECT_EQ(r[0][0], 0.75f);
    EXPECT_LT(r[0][1], 1.0f);
    EXPECT_GE(r[0][1], 0.9999999f);
    EXPECT_EQ(r[0][2], 0.0f);
    EXPECT_EQ(r[0][3], 0.5f);
}

TEST(ShaderInstructions, SaturationTurnsNaNToZero) {
    // A NaN defined outright, and one from normalising a zero vector (0 times infinity).
    const auto r = RunOnce(ShaderCode(kPs20)
                               .Def(0, std::bit_cast<float>(0x7FC00000u), 2, -1, 0.5f)
                               .Def(1, 0, 0, 0, 1)
                               .Op(kOpMov, {Dst(kInsR, 0, 0xF, true), Src(kInsC, 0)})
                               .Op(kOpNrm, {Dst(kInsR, 1, 0xF, true), Src(kInsC, 1)}));
    EXPECT_EQ(r[0][0], 0.0f);
    EXPECT_EQ(r[0][1], 1.0f);
    EXPECT_EQ(r[0][2], 0.0f);
    EXPECT_EQ(r[0][3], 0.5f);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(r[1][c], 0.0f) << c;
}

TEST(ShaderInstructions, PixelCompareAndDotWithOffset) {
    // cmp takes -0 as not below zero; dp2add adds the third source's replicated scalar.
    const auto r = RunOnce(ShaderCode(kPs20)
                               .Def(0, 0, -0.5f, 0.5f, 0)
                               .Def(1, 1, 1, 1, 1)
                               .Def(2, 2, 2, 2, 2)
                               .Def(3, 0.5f, 2, 0, 0.25f)
                               .Op(kOpCmp, {Dst(kInsR, 0), Src(kInsC, 0, kNoSwizzle, kNegate), Src(kInsC, 1), Src(kInsC, 2)})
                               .Op(kOpDp2Add, {Dst(kInsR, 1), Src(kInsC, 3), Src(kInsC, 2), Src(kInsC, 3, Rep(3))}));
    EXPECT_EQ(r[0][0], 1.0f);  // -0 >= 0
    EXPECT_EQ(r[0][1], 1.0f);  // 0.5 >= 0
    EXPECT_EQ(r[0][2], 2.0f);  // -0.5 < 0
    EXPECT_EQ(r[1][0], 0.5f * 2 + 2 * 2 + 0.25f);
}

TEST(ShaderInstructions, SinCosAndCrsWriteTheirComponentsOnly) {
    const auto r = RunOnce(ShaderCode(kVs20)
                               .Def(0, 0, 0, 7, 9)
                               .Op(kOpMov, {Dst(kInsR, 0), Src(kInsC, 0)})
                               .Op(kOpSinCos, {Dst(kInsR, 0, 3), Src(kInsC, 0, Rep(0)), Src(kInsC, 1), Src(kInsC, 2)}));
    EXPECT_EQ(r[0][0], 1.0f);
    EXPECT_EQ(r[0][1], 0.0f);
    EXPECT_EQ(r[0][2], 7.0f);
    EXPECT_EQ(r[0][3], 9.0f);
    // A mask reaching z or w is not shader model 2.0 code, nor is crs writing w.
    EXPECT_FALSE(Decodes(ShaderCode(kVs20)
                             .Op(kOpSinCos, {Dst(kInsR, 0), Src(kInsC, 0, Rep(0)), Src(kInsC, 1), Src(kInsC, 2)})
                             .End()));
    EXPECT_TRUE(Decodes(ShaderCode(kPs20).Op(kOpCrs, {Dst(kInsR, 0, 7), Src(kInsC, 0), Src(kInsC, 1)}).End()));
    EXPECT_FALSE(Decodes(ShaderCode(kPs20).Op(kOpCrs, {Dst(kInsR, 0), Src(kInsC, 0), Src(kInsC, 1)}).End()));
}

TEST(ShaderInstructions, MovaRoundsHalvesAwayFromZero) {
    // c[a0.n + 10] for a0 = (0.5, -2.5, 2.5, 1.4999) rounded: c11, c7, c13, c11; c# holds #.
    ShaderCode code(kVs20);
    for (uint32_t n = 7; n <= 13; ++n) code.Def(n, float(n), float(n), float(n), float(n));
    code.Def(0, 0.5f, -2.5f, 2.5f, 1.4999f).Op(kOpMova, {Dst(kFileAddr, 0), Src(kInsC, 0)});
    for (uint32_t c = 0; c < 4; ++c)
        code.Op(kOpMov, {Dst(kInsR, 0, 1u << c), Src(kInsC, 10) | 1u << 13, RegToken(kFileAddr, 0) | Rep(c) << 16});
    const auto r = RunOnce(code);
    EXPECT_EQ(r[0][0], 11.0f);
    EXPECT_EQ(r[0][1], 7.0f);
    EXPECT_EQ(r[0][2], 13.0f);
    EXPECT_EQ(r[0][3], 11.0f);
}

// `count` copies of one instruction in code of `version`.
std::vector<uint32_t> Repeated(uint32_t version, int count, uint32_t op, std::initializer_list<uint32_t> params,
                               bool samplerFirst = false) {
    ShaderCode code(version);
    if (samplerFirst) code.DclSampler(0).DclPixel(kFileTexture, 0);
    for (int n = 0; n < count; ++n) code.Op(op, params);
    return code.End();
}

TEST(ShaderInstructions, RegisterAndSlotLimitsOfTheModel) {
    // Twelve temporaries in both kinds of code.
    for (uint32_t version : {kVs20, kPs20}) {
        EXPECT_TRUE(Decodes(ShaderCode(version).Op(kOpMov, {Dst(kInsR, 11), Src(kInsC, 0)}).End()));
        EXPECT_FALSE(Decodes(ShaderCode(version).Op(kOpMov, {Dst(kInsR, 12), Src(kInsC, 0)}).End()));
        EXPECT_FALSE(Decodes(ShaderCode(version).Op(kOpMov, {Dst(kInsR, 0), Src(kInsR, 12)}).End()));
    }
    // Labels l0 to l15.
    auto called = [](uint32_t label) {
        return ShaderCode(kVs20)
            .Op(kOpCall, {Src(kFileLabel, label)})
            .Op(kOpRet, {})
            .Op(kOpLabel, {Src(kFileLabel, label)})
            .Op(kOpRet, {})
            .End();
    };
    EXPECT_TRUE(Decodes(called(15)));
    EXPECT_FALSE(Decodes(called(16)));
    // vs_2_0: 256 slots, a matrix macro taking one a row.
    const std::initializer_list<uint32_t> mov = {Dst(kInsR, 0), Src(kInsC, 0)};
    const std::initializer_list<uint32_t> m4x4 = {Dst(kInsR, 0), Src(kInsR, 0), Src(kInsC, 0)};
    EXPECT_TRUE(Decodes(Repeated(kVs20, 256, kOpMov, mov)));
    EXPECT_FALSE(Decodes(Repeated(kVs20, 257, kOpMov, mov)));
    EXPECT_TRUE(Decodes(Repeated(kVs20, 64, kOpM4x4, m4x4)));
    EXPECT_FALSE(Decodes(Repeated(kVs20, 65, kOpM4x4, m4x4)));
    // ps_2_0: 64 arithmetic and 32 texture slots, counted apart.
    EXPECT_TRUE(Decodes(Repeated(kPs20, 64, kOpMov, mov)));
    EXPECT_FALSE(Decodes(Repeated(kPs20, 65, kOpMov, mov)));
    const std::initializer_list<uint32_t> texld = {Dst(kInsR, 0), Src(kFileTexture, 0), Src(kFileSampler, 0)};
    EXPECT_TRUE(Decodes(Repeated(kPs20, 32, kOpTex, texld, true)));
    EXPECT_FALSE(Decodes(Repeated(kPs20, 33, kOpTex, texld, true)));
}

using ShaderRefusalLog = ShaderDrawTest;

TEST_F(ShaderRefusalLog, EveryRefusedStreamSaysWhy) {
    const std::vector<uint32_t> good = ShaderCode(kVs20).Op(kOpMov, {Dst(kFileRastOut, 0), Src(kInsC, 0)}).End();
    struct Case {
        const char* name;
        std::vector<uint32_t> code;
        const char* reason;
    };
    std::vector<uint32_t> truncated(good.begin(), good.end() - 1);
    std::vector<uint32_t> comment = good;
    comment.insert(comment.begin() + 1, 0xFFFEu | 0x7FFFu << 16);  // runs past the end
    std::vector<uint32_t> newer = good;
    newer[0] = 0xFFFE0301u;  // above the device's 3.0
    const std::vector<Case> cases = {
        {"truncated", truncated, "no end token"},
        {"comment", comment, "no end token"},
        {"version", newer, "version"},
        {"register", ShaderCode(kVs20).Op(kOpMov, {Dst(kInsR, 12), Src(kInsC, 0)}).End(), "outside its file"},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_TRUE(VertexRefused(c.code)) << c.name;
        EXPECT_NE(log.find("shader refused"), std::string::npos) << c.name;
        EXPECT_NE(log.find(c.reason), std::string::npos) << c.name << ": " << log;
    }
}

}  // namespace
}  // namespace host::test
