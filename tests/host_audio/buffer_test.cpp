// Secondary buffers: duplicates, two-part locks, cursors under advance(), looping and
// stopping at the end, and the playing state.
#include <algorithm>

#include "dsound_fixture.h"

namespace audio_test {
namespace {

using host::DS_OK;
using BufferTest = DsoundTest;

std::vector<int16_t> Ramp(int count, int start) {
    std::vector<int16_t> out(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) out[size_t(i)] = int16_t(start + i);
    return out;
}

TEST_F(BufferTest, DuplicatesShareSampleMemoryButNotCursorsOrState) {
    host::IDirectSoundBuffer* original = Make(Pcm(1, 44100, 16), 200);
    ASSERT_NE(original, nullptr);
    ASSERT_EQ(original->SetVolume(-2000), DS_OK);
    host::IDirectSoundBuffer* dup = Duplicate(original);
    ASSERT_NE(dup, nullptr);
    int32_t volume = 0;
    EXPECT_EQ(dup->GetVolume(&volume), DS_OK);
    EXPECT_EQ(volume, -2000);
    ASSERT_EQ(dup->SetVolume(0), DS_OK);

    // Written through the original after duplicating: the duplicate plays it.
    const std::vector<int16_t> pcm = Ramp(100, 1000);
    Fill(original, pcm.data(), 200);
    ASSERT_EQ(dup->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = Advance(10);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[18], 1009);
    EXPECT_EQ(PlayCursor(dup), 20u);
    EXPECT_EQ(PlayCursor(original), 0u);
    EXPECT_EQ(Status(original), 0u);

    // The memory outlives the original while a duplicate uses it.
    original->Release();
    buffers_.erase(buffers_.begin());
    out = Advance(1);
    EXPECT_EQ(out[0], 1010);
    host::IDirectSoundBuffer* primary = nullptr;
    host::DSBUFFERDESC desc;
    desc.dwFlags = host::DSBCAPS_PRIMARYBUFFER;
    ASSERT_EQ(ds_->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    host::IDirectSoundBuffer* none = primary;
    EXPECT_EQ(ds_->DuplicateSoundBuffer(primary, &none), host::DSERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(ds_->DuplicateSoundBuffer(nullptr, &none), host::DSERR_INVALIDPARAM);
    primary->Release();
}

TEST_F(BufferTest, LockHandsOutTwoPartsAroundTheWrap) {
    host::IDirectSoundBuffer* b = Make(Pcm(2, 44100, 16), 400);
    ASSERT_NE(b, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(0, 400, &p1, &n1, &p2, &n2, 0), DS_OK);
    auto* base = static_cast<uint8_t*>(p1);
    EXPECT_EQ(n1, 400u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);

    ASSERT_EQ(b->Lock(300, 200, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(p1, base + 300);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(p2, base);
    EXPECT_EQ(n2, 100u);
    // Unlock wants the pointers handed out, and sizes no larger.
    EXPECT_EQ(b->Unlock(base + 4, n1, p2, n2), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Unlock(p1, n1 + 4, p2, n2), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Unlock(p1, n1, p2, 50), DS_OK);
    EXPECT_EQ(b->Unlock(p1, n1, p2, n2), host::DSERR_INVALIDPARAM);  // already given back

    // Without outs for part 2 the lock stops at the end of the buffer.
    ASSERT_EQ(b->Lock(300, 200, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(n1, 100u);
    ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    // The whole buffer from an offset wraps too.
    ASSERT_EQ(b->Lock(40, 0, &p1, &n1, &p2, &n2, host::DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(n1 + n2, 400u);
    EXPECT_EQ(n2, 40u);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);

    EXPECT_EQ(b->Lock(400, 4, &p1, &n1, &p2, &n2, 0), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, 0), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 401, &p1, &n1, &p2, &n2, 0), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(b->Lock(0, 4, nullptr, &n1, &p2, &n2, 0), host::DSERR_INVALIDPARAM);
}

TEST_F(BufferTest, WritesThroughAWrappedLockLandWhereTheMixerReadsThem) {
    host::IDirectSoundBuffer* b = Make(Pcm(1, 44100, 16), 8);
    ASSERT_NE(b, nullptr);
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b->Lock(4, 8, &p1, &n1, &p2, &n2, 0), DS_OK);
    const int16_t tail[2] = {3, 4};
    const int16_t head[2] = {1, 2};
    std::memcpy(p1, tail, n1);
    std::memcpy(p2, head, n2);
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Advance(4), (std::vector<int16_t>{1, 1, 2, 2, 3, 3, 4, 4}));
}

TEST_F(BufferTest, CursorsMoveExactlyWithAdvance) {
    host::IDirectSoundBuffer* b = Make(Pcm(2, 22050, 16), 22050 * 4);
    ASSERT_NE(b, nullptr);
    uint32_t play = 1, write = 1;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 0u);
    ASSERT_EQ(b->Play(0, 0, host::DSBPLAY_LOOPING), DS_OK);
    Advance(1000);  // 1000 output frames at 44100 are 500 frames at 22050
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 500u * 4);
    EXPECT_EQ(write, (500u + 220) * 4);  // 10 ms ahead while playing
    // The write cursor wraps with the buffer.
    ASSERT_EQ(b->SetCurrentPosition(22000 * 4 + 3), DS_OK);  // inside a frame: its start
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 22000u * 4);
    EXPECT_EQ(write, (22000u + 220 - 22050) * 4);
    // Lock from the write cursor starts there.
    void* p1 = nullptr;
    uint32_t n1 = 0;
    void* base = nullptr;
    uint32_t all = 0;
    ASSERT_EQ(b->Lock(0, 4, &base, &all, nullptr, nullptr, 0), DS_OK);
    ASSERT_EQ(b->Unlock(base, all, nullptr, 0), DS_OK);
    ASSERT_EQ(b->Lock(0, 4, &p1, &n1, nullptr, nullptr, host::DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(base), ptrdiff_t(write));
    ASSERT_EQ(b->Unlock(p1, n1, nullptr, 0), DS_OK);
    // Stopped, the two cursors meet and stay put.
    ASSERT_EQ(b->Stop(), DS_OK);
    Advance(1000);
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 22000u * 4);
    EXPECT_EQ(write, play);
    EXPECT_EQ(b->SetCurrentPosition(22050 * 4), host::DSERR_INVALIDPARAM);
}

TEST_F(BufferTest, ABufferStopsAtItsEndUnlessItLoops) {
    const std::vector<int16_t> pcm = Ramp(1000, 1);
    host::IDirectSoundBuffer* once = Make(Pcm(1, 44100, 16), 2000);
    host::IDirectSoundBuffer* loop = Make(Pcm(1, 44100, 16), 2000);
    ASSERT_NE(once, nullptr);
    ASSERT_NE(loop, nullptr);
    Fill(once, pcm.data(), 2000);
    Fill(loop, pcm.data(), 2000);

    ASSERT_EQ(once->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Status(once), host::DSBSTATUS_PLAYING);
    std::vector<int16_t> out = Advance(1500);
    EXPECT_EQ(out[2 * 999], 1000);
    EXPECT_EQ(out[2 * 1000], 0);  // silence after the end
    EXPECT_EQ(out[2 * 1499], 0);
    EXPECT_EQ(Status(once), 0u);
    EXPECT_EQ(PlayCursor(once), 0u);  // back at the start, ready to play again

    ASSERT_EQ(loop->Play(0, 0, host::DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(Status(loop), host::DSBSTATUS_PLAYING | host::DSBSTATUS_LOOPING);
    out = Advance(2500);
    EXPECT_EQ(out[2 * 999], 1000);
    EXPECT_EQ(out[2 * 1000], 1);  // round again
    EXPECT_EQ(out[2 * 2499], 500);
    EXPECT_EQ(PlayCursor(loop), 500u * 2);
    // Playing a playing buffer changes only its looping flag; the cursor stays.
    ASSERT_EQ(loop->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(Status(loop), host::DSBSTATUS_PLAYING);
    EXPECT_EQ(PlayCursor(loop), 500u * 2);
    Advance(500);
    EXPECT_EQ(Status(loop), 0u);
    EXPECT_EQ(loop->Play(1, 0, 0), host::DSERR_INVALIDPARAM);
    EXPECT_EQ(loop->Play(0, 0, 0x8), host::DSERR_INVALIDPARAM);
}

TEST_F(BufferTest, EightBitBuffersStartSilentAndSixteenBitOnesAtZero) {
    host::IDirectSoundBuffer* b8 = Make(Pcm(1, 44100, 8), 16);
    host::IDirectSoundBuffer* b16 = Make(Pcm(2, 44100, 16), 16);
    ASSERT_NE(b8, nullptr);
    ASSERT_NE(b16, nullptr);
    ASSERT_EQ(b8->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(b16->Play(0, 0, 0), DS_OK);
    for (int16_t s : Advance(16)) EXPECT_EQ(s, 0);
    // Long buffers' memory is mapped whole: it holds silence from end to end as well.
    for (int bits : {8, 16}) {
        constexpr uint32_t kBytes = 3u << 20;
        host::IDirectSoundBuffer* big = Make(Pcm(2, 44100, bits), kBytes);
        ASSERT_NE(big, nullptr);
        void* p = nullptr;
        uint32_t n = 0;
        ASSERT_EQ(big->Lock(0, kBytes, &p, &n, nullptr, nullptr, 0), DS_OK);
        const auto* bytes = static_cast<const uint8_t*>(p);
        EXPECT_EQ(std::count(bytes, bytes + n, bits == 8 ? 128 : 0), ptrdiff_t(kBytes)) << bits;
        big->Unlock(p, n, nullptr, 0);
    }
}

}  // namespace
}  // namespace audio_test
