// Stream sounds from outside bytes: the first byte picks the load mode (2, a copy held in
// memory; 3, the file itself) and whether the sound loops; the rest is the sound file. A
// loaded sound is played for a while with the refills a game's pump makes, its position
// asked, and it is stopped and deleted.
#include <orvik/sound.h>

#include "engine/sound/core/sound_system.h"
#include "fuzz_engine.h"
#include "host/dsound/headless_output.h"

namespace {

constexpr uint32_t kRefillFrames = 1323;  // 30 ms at 44.1 kHz
constexpr int kRefills = 24;

int Load(bool fromFile, const uint8_t* data, size_t size) {
    orvik::SetSoundLoadMode(fromFile ? 3 : 2);
    int handle = -1;
    if (fromFile) handle = orvik::LoadSound(orvik_fuzz::WriteInput("stream.snd", data, size).c_str(), 1);
    else handle = orvik::LoadSoundFromImage(data, int32_t(size), 1, -1);
    orvik::SetSoundLoadMode(0);
    return handle;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvik_fuzz::Engine();
    if (size < 1 || size > (1u << 20)) return 0;
    const bool fromFile = data[0] & 1, loop = data[0] & 2;
    const int handle = Load(fromFile, data + 1, size - 1);
    if (handle == -1) return 0;
    orvik::GetSoundTotalTime(handle);
    orvik::PlaySoundHandle(handle, loop ? orvik::kPlayLoop : orvik::kPlayBack);
    for (int i = 0; i < kRefills; ++i) {
        host::ClearHeadlessAudioCapture();  // the headless output keeps all it mixes otherwise
        host::HeadlessAudioAdvance(kRefillFrames);
        orvik::RefillAllStreamSounds();
        orvik::GetSoundCurrentTime(handle);
        if (i == kRefills / 2) {
            orvik::StopSound(handle);
            orvik::PlaySoundHandle(handle, orvik::kPlayBack, 0);
        }
    }
    orvik::StopSound(handle);
    orvik::DeleteSound(handle);
    return 0;
}
