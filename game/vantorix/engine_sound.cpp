#include "engine_ports.h"

#include <orvik/sound.h>

namespace vantorix {
namespace {

class EngineSound final : public SoundPort {
public:
    int LoadSound(const char* fileName, int bufferCount) override {
        return orvik::LoadSound(fileName, bufferCount, -1);
    }
    int SetSoundVolume(int volume, int handle) override { return orvik::SetSoundVolume(volume, handle); }
    int PlaySoundHandle(int handle, int playType, int fromTop) override {
        return orvik::PlaySoundHandle(handle, playType, fromTop);
    }
    int StopSound(int handle) override { return orvik::StopSound(handle); }
    int CheckSoundPlaying(int handle) override { return orvik::CheckSoundPlaying(handle); }
    int DeleteSound(int handle) override { return orvik::DeleteSound(handle, 0); }
};

}  // namespace

SoundPort& EngineSoundPort() {
    static EngineSound port;
    return port;
}

}  // namespace vantorix
