#include "engine_port.h"

namespace vantorix {
namespace {

// Without an engine behind it every call fails harmlessly, as a failed load would.
class NoDraw final : public DrawPort {
public:
    int SetDrawFilterMode(int) override { return -1; }
    int CreateDrawableGraph(int, int) override { return -1; }
    int SetTransparentColor(int, int, int) override { return -1; }
    int LoadImageToGraph(const char*) override { return -1; }
    int DeriveGraph(int, int, int, int, int) override { return -1; }
    int DeleteGraphHandle(int) override { return -1; }
    int QueryGraphSize(int, int*, int*) override { return -1; }
    int SetDrawTarget(int) override { return -1; }
    int ClearDrawTarget() override { return -1; }
    int SetBlendMode(int, int) override { return -1; }
    int DrawGraphAt(int, int, int, int) override { return -1; }
    int DrawGraphStretched(int, int, int, int, int, int) override { return -1; }
    int DrawGraphRotated(int, int, double, double, int, int, int) override { return -1; }
    int DrawColorLine(int, int, int, int, uint32_t, int) override { return -1; }
    int DrawFilledRect(int, int, int, int, uint32_t) override { return -1; }
    int SetFontSize(int) override { return -1; }
    int SetFontThickness(int) override { return -1; }
    int SetFontType(int) override { return -1; }
    int DrawText(int, int, const char*, uint32_t) override { return -1; }
    int PresentScreen() override { return -1; }
};

class NoSound final : public SoundPort {
public:
    int LoadSound(const char*, int) override { return -1; }
    int SetSoundVolume(int, int) override { return -1; }
    int PlaySoundHandle(int, int, int) override { return -1; }
    int StopSound(int) override { return -1; }
    int CheckSoundPlaying(int) override { return -1; }
    int DeleteSound(int) override { return -1; }
};

NoDraw noDraw;
NoSound noSound;
DrawPort* drawPort = &noDraw;
SoundPort* soundPort = &noSound;

}  // namespace

DrawPort& Draw() { return *drawPort; }
SoundPort& Sound() { return *soundPort; }
void SetDrawPort(DrawPort* port) { drawPort = port ? port : &noDraw; }
void SetSoundPort(SoundPort* port) { soundPort = port ? port : &noSound; }

}  // namespace vantorix
