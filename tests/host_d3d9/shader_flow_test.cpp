// Flow control and predication of shader model 2.x code, run by the interpreter and read
// back as floats: nested loops with their breaks, comparisons in ifc, setp and breakc,
// predicated writes with swizzles and inversion, subroutines, and the bounds that keep a
// runaway program finite. Refusals of code outside its model come with their reasons.
#include <bit>

#include "host/d3d9/shader/shader_run.h"
#include "shader_code.h"

namespace host::test {
namespace {

constexpr uint32_t kVs2x = 0xFFFE0201u, kPs2x = 0xFFFF0201u;
constexpr uint32_t kFlowR = kFileTemp, kFlowC = kFileConst, kFlowI = kFileConstInt, kFlowB = kFileConstBool;
constexpr uint32_t kFlowP = kFilePredicate;
constexpr uint32_t kPredicated = 1u << 28, kNot = 13;

constexpr uint32_t With(uint32_t op, uint32_t compare) { return op | compare << 16; }

struct FlowRun {
    std::array<Vec4, kMaxTemps> r;
    Vec4 predicate;
    bool ended = false;
};

// Decodes `code` and runs it once with zeroed device constants but for integer constant
// i15, which `count` sets (a count a program cannot define for itself beyond 255).
FlowRun RunFlow(ShaderCode code, int count = 0) {
    const std::vector<uint32_t> tokens = code.End();
    ShaderProgram p;
    std::string why;
    EXPECT_TRUE(DecodeShader(tokens, &p, &why)) << why;
    const std::vector<float> f(size_t(kVertexConsts) * 4, 0.0f);
    std::vector<int> i(kIntConsts * 4, 0);
    i[15 * 4] = count;
    const std::vector<int> b(kBoolConsts, 0);
    ProgramConstants k;
    k.Load(p, f, i, b);
    ShaderRegisters regs;
    FlowRun out;
    out.ended = RunShader(p, k, regs, nullptr);
    out.r = regs.r;
    out.predicate = regs.predicate;
    return out;
}

std::string Refusal(const std::vector<uint32_t>& tokens) {
    ShaderProgram p;
    std::string why;
    return DecodeShader(tokens, &p, &why) ? std::string("accepted") : why;
}

const std::initializer_list<uint32_t> kAddOne = {Dst(kFlowR, 0), Src(kFlowR, 0), Src(kFlowC, 0)};

TEST(ShaderFlow, NestedLoopsWithBreaksCountWhatTheyRun) {
    // rep 3 { rep 4 { r0 += 1; breakc_ge r0.x, r1.x }; r1 += 2 }: the inner loop leaves when
    // r0 reaches r1, which starts at 2 and grows by 2 a pass: r0 ends at 2, 4, 6.
    const FlowRun a = RunFlow(ShaderCode(kVs2x)
                                  .Def(0, 1, 1, 1, 1)
                                  .Def(1, 2, 2, 2, 2)
                                  .DefI(0, 3, 0, 0, 0)
                                  .DefI(1, 4, 0, 0, 0)
                                  .Op(kOpMov, {Dst(kFlowR, 1), Src(kFlowC, 1)})
                                  .Op(kOpRep, {Src(kFlowI, 0)})
                                  .Op(kOpRep, {Src(kFlowI, 1)})
                                  .Op(kOpAdd, kAddOne)
                                  .Op(kOpAdd, {Dst(kFlowR, 2), Src(kFlowR, 2), Src(kFlowC, 0)})
                                  .Op(With(kOpBreakC, kCmpGe), {Src(kFlowR, 0, Rep(0)), Src(kFlowR, 1, Rep(0))})
                                  .Op(kOpEndRep, {})
                                  .Op(kOpAdd, {Dst(kFlowR, 1), Src(kFlowR, 1), Src(kFlowC, 1)})
                                  .Op(kOpEndRep, {}));
    ASSERT_TRUE(a.ended);
    EXPECT_EQ(a.r[0][0], 6.0f);
    EXPECT_EQ(a.r[2][0], 6.0f);  // inner passes: 2 + 2 + 2
    EXPECT_EQ(a.r[1][0], 8.0f);
    // loop aL from 1 by 2, four times, adds c[aL]: c1, c3, c5, c7; breakc leaves after the
    // third pass.
    ShaderCode sum(kVs2x);
    for (uint32_t n = 1; n <= 7; n += 2) sum.Def(n, float(n), 0, 0, 0);
    sum.DefI(2, 4, 1, 2, 0)
        .Def(0, 1, 1, 1, 1)
        .Op(kOpLoop, {Src(kFileLoop, 0), Src(kFlowI, 2)})
        .Op(kOpAdd, {Dst(kFlowR, 1), Src(kFlowR, 1), Src(kFlowC, 0)})
        .Op(kOpAdd, {Dst(kFlowR, 0), Src(kFlowR, 0), Src(kFlowC, 0) | 1u << 13, RegToken(kFileLoop, 0)})
        .Op(With(kOpBreakC, kCmpEq), {Src(kFlowR, 1, Rep(0)), Src(kFlowC, 3, Rep(0))})
        .Op(kOpEndLoop, {});
    const FlowRun b = RunFlow(sum);
    ASSERT_TRUE(b.ended);
    EXPECT_EQ(b.r[1][0], 3.0f);
    EXPECT_EQ(b.r[0][0], 1.0f + 3.0f + 5.0f);
}

TEST(ShaderFlow, ComparisonsOfIfcSetpAndTheirPredicates) {
    // Each of the six comparisons of 2 against 3, 2 and 1, through setp into p0.xyz.
    const uint8_t compares[6] = {kCmpGt, kCmpEq, kCmpGe, kCmpLt, kCmpNe, kCmpLe};
    const bool expected[6][3] = {{false, false, true}, {false, true, false}, {false, true, true},
                                 {true, false, false}, {true, false, true},  {true, true, false}};
    for (int n = 0; n < 6; ++n) {
        const FlowRun r = RunFlow(ShaderCode(kVs2x)
                                      .Def(0, 2, 2, 2, 0)
                                      .Def(1, 3, 2, 1, 0)
                                      .Op(With(kOpSetP, compares[n]), {Dst(kFlowP, 0, 7), Src(kFlowC, 0), Src(kFlowC, 1)}));
        for (int c = 0; c < 3; ++c) EXPECT_EQ(r.predicate[c] != 0, expected[n][c]) << n << " " << c;
    }
    // ifc_lt / else picks by the scalar comparison; if p0.y tests the predicate, inverted by !.
    const FlowRun r = RunFlow(ShaderCode(kVs2x)
                                  .Def(0, 1, 5, 0, 0)
                                  .Def(1, 7, 7, 7, 7)
                                  .Def(2, 9, 9, 9, 9)
                                  .Op(With(kOpIfC, kCmpLt), {Src(kFlowC, 0, Rep(1)), Src(kFlowC, 0, Rep(0))})
                                  .Op(kOpMov, {Dst(kFlowR, 0), Src(kFlowC, 1)})
                                  .Op(kOpElse, {})
                                  .Op(kOpMov, {Dst(kFlowR, 0), Src(kFlowC, 2)})
                                  .Op(kOpEndIf, {})
                                  .Op(With(kOpSetP, kCmpGt), {Dst(kFlowP, 0), Src(kFlowC, 0), Src(kFlowC, 1, Rep(3))})
                                  .Op(kOpIf, {Src(kFlowP, 0, Rep(1), kNot)})
                                  .Op(kOpMov, {Dst(kFlowR, 1), Src(kFlowC, 1)})
                                  .Op(kOpEndIf, {}));
    EXPECT_EQ(r.r[0][0], 9.0f);  // 5 < 1 is false
    EXPECT_EQ(r.r[1][0], 7.0f);  // p0.y = 5 > 7 is false, and ! makes it true
}

TEST(ShaderFlow, PredicatedWritesFollowTheSwizzledPredicate) {
    // p0 = (1 > 0, 0 > 0, 1 > 0, 0 > 0) = (T, F, T, F).
    ShaderCode code(kVs2x);
    code.Def(0, 1, 0, 1, 0)
        .Def(1, 5, 5, 5, 5)
        .Def(2, 0, 0, 0, 0)
        .Op(With(kOpSetP, kCmpGt), {Dst(kFlowP, 0), Src(kFlowC, 0), Src(kFlowC, 2)})
        .Op(kOpMov | kPredicated, {Dst(kFlowR, 0), Src(kFlowP, 0), Src(kFlowC, 1)})
        .Op(kOpMov | kPredicated, {Dst(kFlowR, 1), Src(kFlowP, 0, kNoSwizzle, kNot), Src(kFlowC, 1)})
        .Op(kOpMov | kPredicated, {Dst(kFlowR, 2), Src(kFlowP, 0, Rep(0)), Src(kFlowC, 1)})
        .Op(kOpAdd | kPredicated, {Dst(kFlowR, 3, 3), Src(kFlowP, 0, Swz(1, 0, 3, 2)), Src(kFlowC, 1), Src(kFlowC, 1)});
    const FlowRun r = RunFlow(code);
    const float want[4][4] = {{5, 0, 5, 0}, {0, 5, 0, 5}, {5, 5, 5, 5}, {0, 10, 0, 0}};
    for (int reg = 0; reg < 4; ++reg)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(r.r[size_t(reg)][c], want[reg][c]) << reg << " " << c;
    // breakp leaves rep when the predicate turns: r0 counts to 3 of 10.
    const FlowRun b = RunFlow(ShaderCode(kVs2x)
                                  .Def(0, 1, 1, 1, 1)
                                  .Def(1, 3, 3, 3, 3)
                                  .DefI(0, 10, 0, 0, 0)
                                  .Op(kOpRep, {Src(kFlowI, 0)})
                                  .Op(kOpAdd, kAddOne)
                                  .Op(With(kOpSetP, kCmpGe), {Dst(kFlowP, 0, 1), Src(kFlowR, 0), Src(kFlowC, 1)})
                                  .Op(kOpBreakP, {Src(kFlowP, 0, Rep(0))})
                                  .Op(kOpEndRep, {}));
    EXPECT_EQ(b.r[0][0], 3.0f);
}

TEST(ShaderFlow, SubroutinesReturnOutOfTheirOwnLoops) {
    // rep 3 { call l1 }; l1: rep 5 { r0 += 1; ret }: each call adds one and its ret leaves
    // the subroutine's loop, so the caller's loop still runs three times.
    const FlowRun r = RunFlow(ShaderCode(kVs2x)
                                  .Def(0, 1, 1, 1, 1)
                                  .DefI(0, 3, 0, 0, 0)
                                  .DefI(1, 5, 0, 0, 0)
                                  .Op(kOpRep, {Src(kFlowI, 0)})
                                  .Op(kOpCall, {Src(kFileLabel, 1)})
                                  .Op(kOpAdd, {Dst(kFlowR, 1), Src(kFlowR, 1), Src(kFlowC, 0)})
                                  .Op(kOpEndRep, {})
                                  .Op(kOpRet, {})
                                  .Op(kOpLabel, {Src(kFileLabel, 1)})
                                  .Op(kOpRep, {Src(kFlowI, 1)})
                                  .Op(kOpAdd, kAddOne)
                                  .Op(kOpRet, {})
                                  .Op(kOpEndRep, {})
                                  .Op(kOpRet, {}));
    ASSERT_TRUE(r.ended);
    EXPECT_EQ(r.r[0][0], 3.0f);
    EXPECT_EQ(r.r[1][0], 3.0f);
    // callnz on the predicate: called where p0.x holds, not where !p0.x.
    const FlowRun c = RunFlow(ShaderCode(kVs2x)
                                  .Def(0, 1, 1, 1, 1)
                                  .Op(With(kOpSetP, kCmpEq), {Dst(kFlowP, 0), Src(kFlowC, 0), Src(kFlowC, 0)})
                                  .Op(kOpCallNz, {Src(kFileLabel, 2), Src(kFlowP, 0, Rep(0))})
                                  .Op(kOpCallNz, {Src(kFileLabel, 2), Src(kFlowP, 0, Rep(0), kNot)})
                                  .Op(kOpRet, {})
                                  .Op(kOpLabel, {Src(kFileLabel, 2)})
                                  .Op(kOpAdd, kAddOne)
                                  .Op(kOpRet, {}));
    EXPECT_EQ(c.r[0][0], 1.0f);
}

TEST(ShaderFlow, RunawayLoopsAreBounded) {
    // A count of 100000 from the device is held to 255 passes.
    const FlowRun one = RunFlow(ShaderCode(kVs2x)
                                    .Def(0, 1, 1, 1, 1)
                                    .Op(kOpRep, {Src(kFlowI, 15)})
                                    .Op(kOpAdd, kAddOne)
                                    .Op(kOpEndRep, {}),
                                100000);
    ASSERT_TRUE(one.ended);
    EXPECT_EQ(one.r[0][0], 255.0f);
    // Four loops of 255 nested run past the instructions an invocation may execute: the run
    // stops and says so.
    ShaderCode deep(kVs2x);
    deep.Def(0, 1, 1, 1, 1);
    for (int n = 0; n < 4; ++n) deep.Op(kOpRep, {Src(kFlowI, 15)});
    deep.Op(kOpAdd, kAddOne);
    for (int n = 0; n < 4; ++n) deep.Op(kOpEndRep, {});
    EXPECT_FALSE(RunFlow(deep, 255).ended);
}

TEST(ShaderFlow, CodeOutsideItsModelIsRefusedWithAReason) {
    const std::vector<uint32_t> predicatedMov =
        ShaderCode(kVs20).Op(kOpMov | kPredicated, {Dst(kFlowR, 0), Src(kFlowP, 0), Src(kFlowC, 0)}).End();
    EXPECT_NE(Refusal(predicatedMov).find("predication"), std::string::npos);
    EXPECT_NE(Refusal(ShaderCode(kVs20).Op(With(kOpSetP, kCmpGt), {Dst(kFlowP, 0), Src(kFlowC, 0), Src(kFlowC, 0)}).End())
                  .find("outside"),
              std::string::npos);
    // ps_2_x has rep but no loop; dsx is pixel code's alone; texldl needs model 3.0.
    EXPECT_EQ(Refusal(ShaderCode(kPs2x).DefI(0, 1, 0, 0, 0).Op(kOpRep, {Src(kFlowI, 0)}).Op(kOpEndRep, {}).End()),
              "accepted");
    EXPECT_NE(Refusal(ShaderCode(kPs2x).Op(kOpLoop, {Src(kFileLoop, 0), Src(kFlowI, 0)}).Op(kOpEndLoop, {}).End()),
              "accepted");
    EXPECT_NE(Refusal(ShaderCode(kVs2x).Op(kOpDsx, {Dst(kFlowR, 0), Src(kFlowC, 0)}).End()), "accepted");
    EXPECT_NE(Refusal(ShaderCode(kPs2x).DclSampler(0).Op(kOpTexLdl, {Dst(kFlowR, 0), Src(kFlowC, 0), Src(kFileSampler, 0)}).End()),
              "accepted");
    const std::pair<std::vector<uint32_t>, const char*> cases[] = {
        {ShaderCode(kVs2x).Op(kOpBreak, {}).End(), "a break outside a loop"},
        {ShaderCode(kVs2x).Op(With(kOpIfC, 7), {Src(kFlowC, 0), Src(kFlowC, 0)}).Op(kOpEndIf, {}).End(),
         "comparison"},
        {ShaderCode(kVs2x).Op(With(kOpSetP, kCmpGt), {Dst(kFlowR, 0), Src(kFlowC, 0), Src(kFlowC, 0)}).End(),
         "setp compares into p0"},
        {ShaderCode(kVs2x).Op(kOpMov, {Dst(kFlowP, 0), Src(kFlowC, 0)}).End(), "p0 is written by setp only"},
        {ShaderCode(kVs2x).Op(kOpMov, {Dst(kFlowR, 0), Src(kFlowC, 0, kNoSwizzle, kNot)}).End(), "modifier"},
        {ShaderCode(kVs2x).Op(kOpMov | kPredicated, {Dst(kFlowR, 0), Src(kFlowC, 0), Src(kFlowC, 0)}).End(),
         "by p0"},
        {ShaderCode(kVs2x).Op(kOpMov, {Dst(kFlowR, 32), Src(kFlowC, 0)}).End(), "outside its file"},
        {ShaderCode(kVs2x).Op(kOpIf, {Src(kFlowC, 0)}).Op(kOpEndIf, {}).End(), "if tests"},
        {ShaderCode(kPs2x).Op(kOpMov, {Dst(kFileColorOut, 0), Src(kFlowB, 0)}).End(), "cannot read it"},
    };
    for (const auto& [tokens, reason] : cases) EXPECT_NE(Refusal(tokens).find(reason), std::string::npos) << reason;
    // Loops and reps nest four deep, ifs 24 deep.
    auto nested = [](uint32_t open, std::initializer_list<uint32_t> params, uint32_t close, int depth) {
        ShaderCode code(kVs2x);
        code.DefI(0, 1, 0, 0, 0);
        for (int n = 0; n < depth; ++n) code.Op(open, params);
        for (int n = 0; n < depth; ++n) code.Op(close, {});
        return code.End();
    };
    EXPECT_EQ(Refusal(nested(kOpRep, {Src(kFlowI, 0)}, kOpEndRep, 4)), "accepted");
    EXPECT_NE(Refusal(nested(kOpRep, {Src(kFlowI, 0)}, kOpEndRep, 5)), "accepted");
    EXPECT_EQ(Refusal(nested(kOpIf, {Src(kFlowB, 0)}, kOpEndIf, 24)), "accepted");
    EXPECT_NE(Refusal(nested(kOpIf, {Src(kFlowB, 0)}, kOpEndIf, 25)), "accepted");
}

}  // namespace
}  // namespace host::test
