// The engine calls the game makes for pictures and sound go through these two ports, so
// the play logic runs the same against the engine or against a recorder in tests.
#pragma once
#include <cstdint>

namespace vantorix {

class DrawPort {
public:
    virtual ~DrawPort() = default;
    virtual int SetDrawFilterMode(int mode) = 0;
    virtual int CreateDrawableGraph(int width, int height) = 0;
    virtual int SetTransparentColor(int red, int green, int blue) = 0;
    virtual int LoadImageToGraph(const char* fileName) = 0;
    virtual int DeriveGraph(int x, int y, int width, int height, int source) = 0;
    virtual int DeleteGraphHandle(int handle) = 0;
    virtual int QueryGraphSize(int handle, int* width, int* height) = 0;
    virtual int SetDrawTarget(int handle) = 0;
    virtual int ClearDrawTarget() = 0;
    virtual int SetBlendMode(int mode, int parameter) = 0;
    virtual int DrawGraphAt(int x, int y, int handle, int transparent) = 0;
    virtual int DrawGraphStretched(int x1, int y1, int x2, int y2, int handle, int transparent) = 0;
    virtual int DrawGraphRotated(int x, int y, double scale, double angle, int handle,
                                 int transparent, int turn) = 0;
    // Colours are 0x00RRGGBB.
    virtual int DrawColorLine(int x1, int y1, int x2, int y2, uint32_t color, int thickness) = 0;
    virtual int DrawFilledRect(int x1, int y1, int x2, int y2, uint32_t color) = 0;
    virtual int SetFontSize(int size) = 0;
    virtual int SetFontThickness(int thickness) = 0;
    virtual int SetFontType(int fontType) = 0;
    virtual int DrawText(int x, int y, const char* text, uint32_t color) = 0;
    virtual int PresentScreen() = 0;
};

class SoundPort {
public:
    virtual ~SoundPort() = default;
    virtual int LoadSound(const char* fileName, int bufferCount) = 0;
    virtual int SetSoundVolume(int volume, int handle) = 0;
    virtual int PlaySoundHandle(int handle, int playType, int fromTop) = 0;
    virtual int StopSound(int handle) = 0;
    virtual int CheckSoundPlaying(int handle) = 0;
    virtual int DeleteSound(int handle) = 0;
};

constexpr int kBackBuffer = -2;
constexpr int kPlayBackground = 1;
constexpr int kPlayLoop = 3;

DrawPort& Draw();
SoundPort& Sound();
// Null puts back the port that does nothing and answers -1.
void SetDrawPort(DrawPort* port);
void SetSoundPort(SoundPort* port);

}  // namespace vantorix
