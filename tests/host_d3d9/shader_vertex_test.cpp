// Vertex shaders run by the device: each instruction family writing known values to oD0,
// read back as pixel colours; flow control with the device's integer and boolean
// constants; inputs from declarations and from the FVF; the m4x4 transform against the
// fixed-function one; and code or constants that must not be trusted.
#include <cmath>
#include <numbers>

#include "shader_code.h"

namespace host::test {
namespace {

using VertexShaderTest = ShaderDrawTest;

constexpr uint32_t kC = kFileConst, kR = kFileTemp, kD = kFileAttrOut;
const uint32_t kOut = Dst(kD, 0);

std::vector<uint32_t> Def(uint32_t index, float x, float y, float z, float w) {
    return I(kOpDef, {Dst(kC, index), std::bit_cast<uint32_t>(x), std::bit_cast<uint32_t>(y),
                      std::bit_cast<uint32_t>(z), std::bit_cast<uint32_t>(w)});
}
std::vector<uint32_t> DefI(uint32_t index, int x, int y, int z) {
    return I(kOpDefI, {Dst(kFileConstInt, index), uint32_t(x), uint32_t(y), uint32_t(z), 0u});
}
// c[a0.x + index] or c[aL + index].
uint32_t Relative(uint32_t index) { return Src(kC, index) | 1u << 13; }
uint32_t AddressOf(uint32_t file, uint32_t component = 0) { return RegToken(file, 0) | Rep(component) << 16; }

TEST_F(VertexShaderTest, ArithmeticFamiliesGiveHandComputedColours) {
    struct Case {
        const char* name;
        std::vector<std::vector<uint32_t>> body;
        uint32_t rgb;
    };
    const std::vector<Case> cases = {
        {"add", {Def(0, 0.2f, 0.4f, 0, 1), Def(1, 0.2f, 0.2f, 0.6f, 0), I(kOpAdd, {kOut, Src(kC, 0), Src(kC, 1)})},
         0x669999},
        // Swizzle, negation and the colour output's saturation.
        {"mad", {Def(0, 0.5f, 0.25f, 1, 0), Def(1, 0.8f, 0.8f, 0.8f, 0.8f), Def(2, 0.2f, 0.2f, 1, 0),
                 I(kOpMad, {kOut, Src(kC, 0, Swz(1, 0, 2, 3)), Src(kC, 1), Src(kC, 2, kNoSwizzle, 1)})},
         0x003300},
        {"dp3 dp4 masks", {Def(0, 0.2f, 0.2f, 0.2f, 0.4f), Def(1, 1, 1, 0, 1),
                           I(kOpMov, {Dst(kR, 0), Src(kC, 1, Rep(2))}),
                           I(kOpDp3, {Dst(kR, 0, 1), Src(kC, 0), Src(kC, 1)}),
                           I(kOpDp4, {Dst(kR, 0, 2), Src(kC, 0), Src(kC, 1)}), I(kOpMov, {kOut, Src(kR, 0)})},
         0x66CC00},
        {"rcp rsq", {Def(0, 4, -4, 0, 0), I(kOpMov, {Dst(kR, 0), Src(kC, 0, Rep(2))}),
                     I(kOpRcp, {Dst(kR, 0, 1), Src(kC, 0, Rep(0))}), I(kOpRsq, {Dst(kR, 0, 2), Src(kC, 0, Rep(1))}),
                     I(kOpMov, {kOut, Src(kR, 0)})},
         0x408000},
        {"min max sge", {Def(0, 0.2f, 0.8f, 0.5f, 0), Def(1, 0.4f, 0.4f, 0.5f, 0),
                         I(kOpMin, {Dst(kR, 0, 1), Src(kC, 0), Src(kC, 1)}),
                         I(kOpMax, {Dst(kR, 0, 2), Src(kC, 0), Src(kC, 1)}),
                         I(kOpSge, {Dst(kR, 0, 4), Src(kC, 0), Src(kC, 1)}), I(kOpMov, {kOut, Src(kR, 0)})},
         0x33CCFF},
        {"slt", {Def(0, 0.2f, 0.8f, 0.5f, 0), Def(1, 0.4f, 0.4f, 0.5f, 0), I(kOpSlt, {kOut, Src(kC, 0), Src(kC, 1)})},
         0xFF0000},
        {"exp log pow", {Def(0, -1, 0.25f, 0.25f, 0.5f), Def(1, -0.4f, 0, 0, 0),
                         I(kOpExp, {Dst(kR, 0, 1), Src(kC, 0, Rep(0))}), I(kOpLog, {Dst(kR, 1, 2), Src(kC, 0, Rep(1))}),
                         I(kOpMul, {Dst(kR, 0, 2), Src(kR, 1), Src(kC, 1, Rep(0))}),
                         I(kOpPow, {Dst(kR, 0, 4), Src(kC, 0, Rep(2)), Src(kC, 0, Rep(3))}),
                         I(kOpMov, {kOut, Src(kR, 0)})},
         0x80CC80},
        {"frc abs sgn", {Def(0, 2.2f, -0.4f, 3, 0), I(kOpFrc, {Dst(kR, 0, 1), Src(kC, 0, Rep(0))}),
                         I(kOpAbs, {Dst(kR, 0, 2), Src(kC, 0, Rep(1))}),
                         I(kOpSgn, {Dst(kR, 0, 4), Src(kC, 0, Rep(2)), Src(kR, 1), Src(kR, 2)}),
                         I(kOpMov, {kOut, Src(kR, 0)})},
         0x3366FF},
        {"lit", {Def(0, 0.5f, 0.5f, 0, 2), I(kOpLit, {Dst(kR, 0), Src(kC, 0)}),
                 I(kOpMov, {kOut, Src(kR, 0, Swz(1, 2, 0, 3))})},
         0x8040FF},
        {"dst", {Def(0, 0, 0.5f, 0.4f, 0), Def(1, 0, 0.4f, 0, 0), I(kOpDst, {kOut, Src(kC, 0), Src(kC, 1)})}, 0xFF3366},
        {"lrp", {Def(0, 0.5f, 0.5f, 0.5f, 0.5f), Def(1, 1, 1, 1, 1), Def(2, 0, 0.2f, 0.6f, 0),
                 I(kOpLrp, {kOut, Src(kC, 0), Src(kC, 1), Src(kC, 2)})},
         0x8099CC},
        {"crs", {Def(0, 1, 0, 0, 0), Def(1, 0, 1, 0, 0), I(kOpMov, {Dst(kR, 0), Src(kC, 0, Rep(3))}),
                 I(kOpCrs, {Dst(kR, 0, 7), Src(kC, 0), Src(kC, 1)}), I(kOpMov, {kOut, Src(kR, 0)})},
         0x0000FF},
        {"nrm", {Def(0, 3, 0, 4, 0), I(kOpNrm, {Dst(kR, 0), Src(kC, 0)}), I(kOpMov, {kOut, Src(kR, 0)})}, 0x9900CC},
        {"m3x2", {Def(0, 0.2f, 0.4f, 0, 0), Def(4, 1, 0, 0, 0), Def(5, 1, 1, 0, 0),
                  I(kOpMov, {Dst(kR, 0), Src(kC, 0, Rep(3))}),
                  I(kOpM3x2, {Dst(kR, 0, 3), Src(kC, 0), Src(kC, 4)}), I(kOpMov, {kOut, Src(kR, 0)})},
         0x339900},
        // mova rounds to the nearest integer; c[a0.x + 10] is then c12.
        {"mova relative", {Def(0, 2.4f, 0, 0, 0), Def(12, 0.2f, 0.4f, 0.6f, 1),
                           I(kOpMova, {Dst(kFileAddr, 0, 1), Src(kC, 0, Rep(0))}),
                           I(kOpMov, {kOut, Relative(10), AddressOf(kFileAddr)})},
         0x336699},
    };
    for (const Case& c : cases) EXPECT_EQ(VertexResult(c.body), c.rgb) << c.name << "\n" << log;
}

TEST_F(VertexShaderTest, SinCosWithinAUnit) {
    const float third = float(std::numbers::pi / 3);
    const uint32_t rgb = VertexResult({Def(0, third, 0, 0, 0), I(kOpMov, {Dst(kR, 0), Src(kC, 1)}),
                                       I(kOpSinCos, {Dst(kR, 0, 3), Src(kC, 0, Rep(0)), Src(kC, 1), Src(kC, 2)}),
                                       I(kOpMov, {kOut, Src(kR, 0)})});
    EXPECT_NEAR(int(rgb >> 16), 128, 1);          // cos 60 degrees
    EXPECT_NEAR(int(rgb >> 8 & 255), 221, 1);     // sin 60 degrees
    EXPECT_EQ(rgb & 255, 0u);
}

TEST_F(VertexShaderTest, LoopsAndBranchesFollowTheIntegerAndBooleanConstants) {
    const std::vector<uint32_t> zero = I(kOpMov, {Dst(kR, 0), Src(kC, 99)});
    // rep i0 three times adds 0.2 three times.
    EXPECT_EQ(VertexResult({DefI(0, 3, 0, 0), Def(0, 0.2f, 0.2f, 0.2f, 0), zero, I(kOpRep, {Src(kFileConstInt, 0)}),
                            I(kOpAdd, {Dst(kR, 0), Src(kR, 0), Src(kC, 0)}), I(kOpEndRep, {}),
                            I(kOpMov, {kOut, Src(kR, 0)})}),
              0x999999u);
    // loop aL from 20 by 1, three times, reads c20, c21 and c22 through aL.
    EXPECT_EQ(VertexResult({DefI(1, 3, 20, 1), Def(20, 0.2f, 0, 0, 0), Def(21, 0, 0.4f, 0, 0), Def(22, 0, 0, 0.6f, 0),
                            zero, I(kOpLoop, {Src(kFileLoop, 0), Src(kFileConstInt, 1)}),
                            I(kOpAdd, {Dst(kR, 0), Src(kR, 0), Relative(0), AddressOf(kFileLoop)}), I(kOpEndLoop, {}),
                            I(kOpMov, {kOut, Src(kR, 0)})}),
              0x336699u);
    // A count of zero skips the body; the device's integer constant gives the count.
    const int count[4] = {0, 0, 0, 0};
    ASSERT_EQ(dev->SetVertexShaderConstantI(2, count, 1), D3D_OK);
    EXPECT_EQ(VertexResult({Def(0, 0.2f, 0.2f, 0.2f, 0), zero, I(kOpRep, {Src(kFileConstInt, 2)}),
                            I(kOpAdd, {Dst(kR, 0), Src(kR, 0), Src(kC, 0)}), I(kOpEndRep, {}),
                            I(kOpMov, {kOut, Src(kR, 0)})}),
              0u);
    // if b3 / else / endif on the device's boolean, and subroutines entered by call and callnz.
    const std::vector<std::vector<uint32_t>> branch = {
        Def(0, 1, 0, 0, 0), Def(1, 0, 1, 0, 0), Def(2, 0, 0, 0.4f, 0), zero,
        I(kOpIf, {Src(kFileConstBool, 3)}), I(kOpMov, {Dst(kR, 0), Src(kC, 0)}), I(kOpElse, {}),
        I(kOpMov, {Dst(kR, 0), Src(kC, 1)}), I(kOpEndIf, {}), I(kOpCall, {Src(kFileLabel, 1)}),
        I(kOpCallNz, {Src(kFileLabel, 1), Src(kFileConstBool, 3)}), I(kOpMov, {kOut, Src(kR, 0)}), I(kOpRet, {}),
        I(kOpLabel, {Src(kFileLabel, 1)}), I(kOpAdd, {Dst(kR, 0, 4), Src(kR, 0), Src(kC, 2)}), I(kOpRet, {})};
    const BOOL on = 1, off = 0;
    ASSERT_EQ(dev->SetVertexShaderConstantB(3, &on, 1), D3D_OK);
    EXPECT_EQ(VertexResult(branch), 0xFF00CCu);  // red, blue added twice
    ASSERT_EQ(dev->SetVertexShaderConstantB(3, &off, 1), D3D_OK);
    EXPECT_EQ(VertexResult(branch), 0x00FF66u);  // green, blue added once
}

TEST_F(VertexShaderTest, InputsComeFromTheDeclarationOrTheFvf) {
    struct Packed {
        float x, y, z;
        uint32_t color;
        int16_t s[2];
        uint8_t n[4];
    };
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                          {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          {0, 16, D3DDECLTYPE_SHORT2N, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          {0, 20, D3DDECLTYPE_UBYTE4N, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                          D3DDECL_END()};
    VertexDeclaration* decl = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(elements, &decl), D3D_OK);
    made.push_back(decl);
    // oD0 = (colour.r, texcoord0.x, texcoord1.z); v4 is declared but absent: (0, 0, 0, 1).
    VertexShader* vs = MakeVs(ShaderCode(kVs20)
                                  .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                  .DclInput(D3DDECLUSAGE_COLOR, 0, 1)
                                  .DclInput(D3DDECLUSAGE_TEXCOORD, 0, 2)
                                  .DclInput(D3DDECLUSAGE_TEXCOORD, 1, 3)
                                  .DclInput(D3DDECLUSAGE_NORMAL, 0, 4)
                                  .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                  .Op(kOpMov, {Dst(kD, 0, 1), Src(kFileInput, 1)})
                                  .Op(kOpMov, {Dst(kD, 0, 2), Src(kFileInput, 2, Rep(0))})
                                  .Op(kOpMov, {Dst(kD, 0, 4), Src(kFileInput, 3, Rep(2))})
                                  .Op(kOpMov, {Dst(kD, 1), Src(kFileInput, 4, Swz(3, 3, 0, 0))})
                                  .End());
    UseDiffuseOnly();
    auto corner = [](float x, float y) { return Packed{x, y, 0.5f, 0x00336699u, {16384, 0}, {0, 0, 204, 0}}; };
    const Packed quad[6] = {corner(-1, 1), corner(1, 1), corner(-1, -1), corner(1, -1), corner(-1, -1), corner(1, 1)};
    dev->SetVertexShader(vs);
    dev->SetVertexDeclaration(decl);
    dev->BeginScene();
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Packed)), D3D_OK) << log;
    EXPECT_EQ(Pixel(3, 3) & 0xFFFFFF, 0x3380CCu);
    // The specular output (1, 1, 0) from the absent input is added when specular is on.
    dev->SetRenderState(D3DRS_SPECULARENABLE, 1);
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(Packed)), D3D_OK);
    EXPECT_EQ(Pixel(3, 3) & 0xFFFFFF, 0xFFFFCCu);
    dev->SetRenderState(D3DRS_SPECULARENABLE, 0);
    // An element reaching past the vertex is refused, logged, and nothing is read.
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, 20), D3DERR_INVALIDCALL);
    EXPECT_NE(log.find("reaches past its vertex"), std::string::npos);
    dev->EndScene();

    // Without a declaration the FVF's fields are the inputs.
    dev->SetVertexDeclaration(nullptr);
    VertexShader* fvfShader = MakeVs(ShaderCode(kVs20)
                                         .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                         .DclInput(D3DDECLUSAGE_COLOR, 0, 1)
                                         .DclInput(D3DDECLUSAGE_TEXCOORD, 0, 2)
                                         .Op(kOpMov, {Dst(kFileRastOut, 0), Src(kFileInput, 0)})
                                         .Op(kOpMov, {Dst(kD, 0, 3), Src(kFileInput, 1, Swz(2, 1, 0, 3))})
                                         .Op(kOpMov, {Dst(kD, 0, 4), Src(kFileInput, 2, Rep(0))})
                                         .End());
    dev->SetVertexShader(fvfShader);
    ASSERT_EQ(DrawClipQuad(0xFF336699u), D3D_OK) << log;
    // Red from blue, green as it is, blue from u, which runs 0 to 1 across: 0.5 near the middle.
    EXPECT_EQ(Pixel(0, 8) & 0xFFFF00, 0x996600u);
    EXPECT_NEAR(int(Pixel(8, 8) & 255), 128, 1);
}

TEST_F(VertexShaderTest, M4x4TransformGivesTheFixedFunctionPixels) {
    D3DMATRIX world = IdentityMatrix(), proj = IdentityMatrix();
    world.m[0][0] = 0.8f, world.m[1][1] = 0.6f, world.m[3][0] = 0.1f, world.m[3][1] = -0.05f;
    world.m[1][0] = 0.3f;
    proj.m[2][3] = 1.0f, proj.m[3][3] = 0.0f, proj.m[3][2] = 0.0f;  // w = z: a perspective divide
    const ClipSpaceVertex tri[3] = {{-0.9f, 0.8f, 1.0f, 0xFFFF0000u, 0, 0},
                                    {0.9f, 0.5f, 1.5f, 0xFF00FF00u, 0, 0},
                                    {-0.3f, -0.9f, 0.8f, 0xFF0000FFu, 0, 0}};
    auto draw = [&] {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
        dev->SetFVF(kClipFvf);
        dev->BeginScene();
        EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, tri, sizeof(ClipSpaceVertex)), D3D_OK) << log;
        dev->EndScene();
        std::vector<uint32_t> image;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) image.push_back(Pixel(x, y) & 0xFFFFFF);
        return image;
    };
    UseDiffuseOnly();
    dev->SetTransform(D3DTS_WORLD, &world);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    const std::vector<uint32_t> fixed = draw();
    // m4x4 dots the position with c0..c3: the columns of world x view x projection.
    const D3DMATRIX wvp = MultiplyMatrices(world, proj);
    float columns[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) columns[4 * c + r] = wvp.m[r][c];
    ASSERT_EQ(dev->SetVertexShaderConstantF(0, columns, 4), D3D_OK);
    VertexShader* vs = MakeVs(ShaderCode(kVs20)
                                  .DclInput(D3DDECLUSAGE_POSITION, 0, 0)
                                  .DclInput(D3DDECLUSAGE_COLOR, 0, 1)
                                  .Op(kOpM4x4, {Dst(kFileRastOut, 0), Src(kFileInput, 0), Src(kC, 0)})
                                  .Op(kOpMov, {Dst(kD, 0), Src(kFileInput, 1)})
                                  .End());
    dev->SetVertexShader(vs);
    const std::vector<uint32_t> shaded = draw();
    int covered = 0;
    for (uint32_t p : fixed) covered += p != 0;
    EXPECT_GT(covered, 30);
    // The same positions to the bit, then the same rasteriser and stages: the same pixels.
    EXPECT_EQ(shaded, fixed);
    // Through a pixel shader passing v0 on, colours are interpolated in floating point
    // rather than the fixed-function 16.16 steps: within one unit.
    dev->SetPixelShader(MakePs(ShaderCode(kPs20)
                                   .DclPixel(kFileInput, 0)
                                   .Op(kOpMov, {Dst(kFileColorOut, 0), Src(kFileInput, 0)})
                                   .End()));
    const std::vector<uint32_t> pixel = draw();
    for (size_t i = 0; i < fixed.size(); ++i) {
        ASSERT_EQ(pixel[i] != 0, fixed[i] != 0) << i;
        for (int s = 0; s < 24; s += 8) EXPECT_NEAR(int(pixel[i] >> s & 255), int(fixed[i] >> s & 255), 1) << i;
    }
}

TEST_F(VertexShaderTest, UntrustedCodeAndConstantsStayInBounds) {
    // c[a0.x + 10] with a0.x = 300 lies past the 256 constants, c[a0.y + 10] with
    // a0.y = -20 before them: both read zero.
    EXPECT_EQ(VertexResult({Def(0, 300, -20, 0, 0), Def(9, 0.2f, 0.2f, 0.2f, 0.2f), Def(250, 1, 1, 1, 1),
                            I(kOpMova, {Dst(kFileAddr, 0, 3), Src(kC, 0)}),
                            I(kOpAdd, {Dst(kR, 0), Relative(10), AddressOf(kFileAddr, 0), Src(kC, 9)}),
                            I(kOpAdd, {kOut, Relative(10), AddressOf(kFileAddr, 1), Src(kR, 0)})}),
              0x333333u);
    // A NaN moved to a0 reads as 0; a loop's start and step beyond their ranges are held
    // to 255 and 127, so aL reads c255, then zeros past the end.
    EXPECT_EQ(VertexResult({Def(0, 0, 0, 0, 0), Def(12, 0.2f, 0.4f, 0.6f, 1), Def(255, 0.2f, 0.2f, 0.2f, 0),
                            I(kOpRcp, {Dst(kR, 1), Src(kC, 0, Rep(0))}),
                            I(kOpMul, {Dst(kR, 1), Src(kR, 1), Src(kC, 0)}),
                            I(kOpMova, {Dst(kFileAddr, 0, 1), Src(kR, 1, Rep(0))}),
                            I(kOpMov, {kOut, Relative(12), AddressOf(kFileAddr)})}),
              0x336699u);
    EXPECT_EQ(VertexResult({DefI(0, 3, 0x7FFFFFFF, 0x7FFFFFFF), Def(0, 0, 0, 0, 0), Def(255, 0.2f, 0.2f, 0.2f, 0),
                            I(kOpMov, {Dst(kR, 0), Src(kC, 0)}),
                            I(kOpLoop, {Src(kFileLoop, 0), Src(kFileConstInt, 0)}),
                            I(kOpAdd, {Dst(kR, 0), Src(kR, 0), Relative(0), AddressOf(kFileLoop)}), I(kOpEndLoop, {}),
                            I(kOpMov, {kOut, Src(kR, 0)})}),
              0x333333u);
    // Four nested rep loops of 255 run past the instruction limit: the draw is refused
    // and logged, nothing is drawn.
    std::vector<std::vector<uint32_t>> nested = {DefI(0, 255, 0, 0), I(kOpMov, {Dst(kR, 0), Src(kC, 0)})};
    for (int i = 0; i < 4; ++i) nested.push_back(I(kOpRep, {Src(kFileConstInt, 0)}));
    nested.push_back(I(kOpAdd, {Dst(kR, 0), Src(kR, 0), Src(kC, 0)}));
    for (int i = 0; i < 4; ++i) nested.push_back(I(kOpEndRep, {}));
    log.clear();
    std::vector<uint32_t> code = {kVs20, kOpDcl | 2u << 24, 0x80000000u, Dst(kFileInput, 0)};
    for (const auto& op : nested) code.insert(code.end(), op.begin(), op.end());
    code.insert(code.end(), {kOpMov | 2u << 24, Dst(kFileRastOut, 0), Src(kFileInput, 0), kOpMov | 2u << 24,
                             Dst(kD, 0), Src(kC, 1), 0xFFFFu});
    dev->SetVertexShader(MakeVs(code));
    const float white[4] = {1, 1, 1, 1};
    dev->SetVertexShaderConstantF(1, white, 1);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    EXPECT_EQ(DrawClipQuad(), D3DERR_INVALIDCALL);
    EXPECT_NE(log.find("instruction or call limits"), std::string::npos);
    EXPECT_EQ(Pixel(8, 8) & 0xFFFFFF, 0u);
    // A fifth level of nesting, an unmatched end, a call to no label, a register outside
    // its file and a pixel instruction are refused when the shader is made.
    auto wrapped = [](std::vector<std::vector<uint32_t>> body) {
        std::vector<uint32_t> out = {kVs20};
        for (const auto& op : body) out.insert(out.end(), op.begin(), op.end());
        out.push_back(0xFFFFu);
        return out;
    };
    std::vector<std::vector<uint32_t>> deep;
    for (int i = 0; i < 5; ++i) deep.push_back(I(kOpRep, {Src(kFileConstInt, 0)}));
    for (int i = 0; i < 5; ++i) deep.push_back(I(kOpEndRep, {}));
    EXPECT_TRUE(VertexRefused(wrapped(deep)));
    EXPECT_TRUE(VertexRefused(wrapped({I(kOpEndLoop, {})})));
    EXPECT_TRUE(VertexRefused(wrapped({I(kOpCall, {Src(kFileLabel, 4)}), I(kOpRet, {})})));
    EXPECT_TRUE(VertexRefused(wrapped({I(kOpMov, {Dst(kR, 32), Src(kC, 0)})})));
    EXPECT_TRUE(VertexRefused(wrapped({I(kOpMov, {kOut, Src(kC, 256)})})));
    EXPECT_TRUE(VertexRefused(wrapped({I(kOpMov, {kOut, Src(kR, 0) | 1u << 13, AddressOf(kFileAddr)})})));
    EXPECT_TRUE(VertexRefused(wrapped({I(kOpCmp, {kOut, Src(kC, 0), Src(kC, 0), Src(kC, 0)})})));
    EXPECT_NE(log.find("shader refused"), std::string::npos);

    // Constants set out of range are refused and leave the registers as they were.
    const float four[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    float back[4] = {};
    ASSERT_EQ(dev->SetVertexShaderConstantF(255, four, 1), D3D_OK);
    EXPECT_EQ(dev->SetVertexShaderConstantF(255, four + 4, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShaderConstantF(0xFFFFFFFFu, four, 2), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->GetVertexShaderConstantF(255, back, 1), D3D_OK);
    EXPECT_EQ(back[3], 4.0f);
    // Pixel code has 224 float constants under model 3, 32 under model 2.
    EXPECT_EQ(dev->SetPixelShaderConstantF(223, four, 1), D3D_OK);
    EXPECT_EQ(dev->SetPixelShaderConstantF(224, four, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShaderConstantF(223, four, 2), D3DERR_INVALIDCALL);
    D3D9Settings().shaderModel = 2;
    EXPECT_EQ(dev->SetPixelShaderConstantF(32, four, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShaderConstantF(31, four, 2), D3DERR_INVALIDCALL);
    D3D9Settings().shaderModel = 3;
    const int ints[8] = {};
    const BOOL bools[2] = {};
    EXPECT_EQ(dev->SetVertexShaderConstantI(16, ints, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShaderConstantI(15, ints, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShaderConstantB(15, bools, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetPixelShaderConstantB(0, nullptr, 1), D3DERR_INVALIDCALL);
}

}  // namespace
}  // namespace host::test
