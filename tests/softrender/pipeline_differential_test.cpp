// Every loop of the pixel pipeline against the scalar reference on random pixels: all
// three rule flavours, both depths, palette and direct sources, every blend mode and a
// spread of parameters, on the fast and on the forced generic path.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>
#include <vector>

#include "engine/softrender/pipeline/blend_tables.h"
#include "engine/softrender/pipeline/soft_state.h"
#include "row_loops.h"
#include "scalar_reference.h"

namespace {

using namespace orvik::soft;

constexpr int kRowPixels = 23;
constexpr int kRows = 3;
// Rows carry padding, so a walker that steps rows by their width instead of their
// pitch, or writes past a row's end, is caught.
constexpr int kSrcPad = 4, kDstPad = 6, kBlendPad = 3;
constexpr int kBlendModes[] = {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, -1};
constexpr int kParams[] = {0, 1, 2, 4, 100, 127, 128, 129, 200, 254, 255};

struct Flags {
    int depth;
    bool pal, blend, tint, alpha, keyed;
};

std::vector<Flags> AllFlags() {
    std::vector<Flags> out;
    for (int depth : {16, 32})
        for (int bits = 0; bits < 32; ++bits) {
            Flags f{depth, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0,
                    (bits & 16) != 0};
            if (!(f.pal && f.alpha)) out.push_back(f);
        }
    return out;
}

class PipelineDifferential : public ::testing::Test {
protected:
    void SetUp() override {
        orvik::ResetSoftRender();
        orvik::InitMemImgBlendTables();
        orvik::BuildBlendImageWeightTable(128, 255);  // weight = byte: every weight occurs
        for (auto& e : palette32) e = rng();
        for (auto& e : palette16) e = static_cast<uint16_t>(rng());
    }
    void TearDown() override { ForceGenericPath(false); }

    // Source bytes biased toward the values the rules treat specially.
    void FillSource(const Flags& f, int srcBytes, uint32_t trans) {
        src.assign(static_cast<size_t>(srcBytes * kRowPixels + kSrcPad) * kRows, 0);
        for (size_t i = 0; i < src.size(); i += srcBytes) {
            uint32_t v = rng();
            if (f.pal) v &= 0xFF;
            if (rng() % 5 == 0) v = trans;
            if (f.alpha) {
                const uint32_t pick = rng() % 4;
                const uint32_t a = pick == 0 ? 0 : pick == 1 ? 255 : (v >> 24) & 0xFF;
                v = f.depth == 32 ? (v & 0xFFFFFF) | a << 24 : (v & 0xFFFF) | a << 16;
            }
            for (int b = 0; b < srcBytes; ++b) src[i + b] = static_cast<uint8_t>(v >> (8 * b));
        }
    }

    void RunCase(Flavour flavour, const Flags& f, int mode, int param, bool generic) {
        const uint32_t bright = f.tint ? (rng() % 3 == 0 ? 0xFFFFFE : rng() & 0xFFFFFF) : 0xFFFFFF;
        const bool tinted = (bright & 0xFFFFFF) != 0xFFFFFF;
        const uint32_t trans = f.pal ? rng() & 0xFF : f.depth == 16 ? rng() & 0xFFFF : rng();
        const int srcBytes = f.pal ? 1 : (f.depth == 32 || f.alpha) ? 4 : 2;
        const int dstBytes = f.depth / 8;
        FillSource(f, srcBytes, trans);
        std::vector<uint8_t> blend((kRowPixels + kBlendPad) * kRows);
        for (auto& b : blend) b = static_cast<uint8_t>(rng());
        const int dstPitch = dstBytes * kRowPixels + kDstPad, srcPitch = srcBytes * kRowPixels + kSrcPad;
        std::vector<uint8_t> dst(static_cast<size_t>(dstPitch) * kRows);
        for (auto& b : dst) b = static_cast<uint8_t>(rng());
        const std::vector<uint8_t> before = dst;

        orvik::MemImgDrawState ds;
        ds.blendMode = mode;
        ds.blendParam = param;
        ds.bright = bright;
        orvik::MemImgStore store{};
        store.palette = f.depth == 32 ? reinterpret_cast<uint8_t*>(palette32.data())
                                      : reinterpret_cast<uint8_t*>(palette16.data());
        store.transColor = trans;

        const KernelChoice choice =
            SelectKernel(mode, param, flavour, !f.blend && !tinted && !f.alpha, f.depth);
        if (choice.draw) {
            const VariantKey key{f.depth, f.pal, choice.kernel, f.blend, tinted, f.alpha, f.keyed};
            const RowFn fn = row_loops::Find(flavour, key);
            ASSERT_NE(fn, nullptr) << "no loop for a drawable variant";
            covered[static_cast<int>(flavour)].insert(VariantSlot(key));
            RowJob job;
            job.cx = MakePixelContext(ds, &store);
            job.dst = dst.data();
            job.dstPitch = dstPitch;
            job.src = src.data();
            job.srcPitch = srcPitch;
            job.blend = f.blend ? blend.data() : nullptr;
            job.blendPitch = kRowPixels + kBlendPad;
            job.width = kRowPixels;
            job.height = kRows;
            ForceGenericPath(generic);
            fn(job);
        }

        reference::Draw rd;
        rd.flavour = static_cast<reference::Flavour>(flavour);
        rd.depth = f.depth;
        rd.palette = f.pal;
        rd.alpha = f.alpha;
        rd.keyed = f.keyed;
        rd.blendImage = f.blend;
        rd.mode = mode;
        rd.param = param;
        rd.bright = bright;
        rd.trans = trans;
        rd.palette32 = palette32.data();
        rd.palette16 = palette16.data();
        rd.weights = orvik::SoftRender().tables.weight;
        for (int y = 0; y < kRows; ++y)
            for (int b = dstBytes * kRowPixels; b < dstPitch; ++b)
                ASSERT_EQ(dst[y * dstPitch + b], before[y * dstPitch + b]) << "row padding written";
        for (int i = 0; i < kRowPixels * kRows; ++i) {
            const int x = i % kRowPixels, y = i / kRowPixels;
            const size_t at = static_cast<size_t>(y) * dstPitch + x * dstBytes;
            uint32_t old = 0, got = 0;
            for (int b = 0; b < dstBytes; ++b) {
                old |= uint32_t(before[at + b]) << (8 * b);
                got |= uint32_t(dst[at + b]) << (8 * b);
            }
            const uint32_t want = reference::Pixel(rd, old, &src[y * srcPitch + x * srcBytes],
                                                   blend[y * (kRowPixels + kBlendPad) + x]);
            if (got != want) {
                ADD_FAILURE() << "flavour " << int(flavour) << " depth " << f.depth << " pal "
                              << f.pal << " blend " << f.blend << " tint " << tinted
                              << " alpha " << f.alpha << " keyed " << f.keyed << " mode " << mode
                              << " p " << param << " generic " << generic << " pixel " << i
                              << std::hex << ": dst 0x" << old << " got 0x" << got
                              << " want 0x" << want;
                return;
            }
        }
    }

    void RunFlavour(Flavour flavour) {
        for (bool generic : {false, true})
            for (const Flags& f : AllFlags())
                for (int mode : kBlendModes)
                    for (int param : kParams) {
                        RunCase(flavour, f, mode, param, generic);
                        if (HasFailure()) return;
                    }
        // Every loop the dispatch table holds was run at least once.
        for (size_t slot = 0; slot < kVariantSlots; ++slot) {
            VariantKey key;
            key.depth = (slot / (16 * kKernelCount * 2)) & 1 ? 32 : 16;
            key.pal = (slot / (16 * kKernelCount)) & 1;
            key.kernel = static_cast<Kernel>((slot / 16) % kKernelCount);
            key.blend = (slot >> 3) & 1;
            key.tint = (slot >> 2) & 1;
            key.alpha = (slot >> 1) & 1;
            key.keyed = slot & 1;
            ASSERT_EQ(VariantSlot(key), slot);
            if (row_loops::Find(flavour, key) != nullptr) {
                EXPECT_TRUE(covered[static_cast<int>(flavour)].count(slot))
                    << "loop never exercised: slot " << slot;
            }
        }
    }

    std::mt19937 rng{20261207};
    std::array<uint32_t, 256> palette32{};
    std::array<uint16_t, 256> palette16{};
    std::vector<uint8_t> src;
    std::set<size_t> covered[3];
};

TEST_F(PipelineDifferential, PointDrawLoopsMatchTheReference) { RunFlavour(Flavour::Point); }

TEST_F(PipelineDifferential, StretchedDrawLoopsMatchTheReference) { RunFlavour(Flavour::Stretch); }

TEST_F(PipelineDifferential, TexturedDrawLoopsMatchTheReference) { RunFlavour(Flavour::Textured); }

}  // namespace
