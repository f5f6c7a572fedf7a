#include <orvik/fonts.h>
#include <orvik/graphics.h>

#include "engine_ports.h"

namespace vantorix {
namespace {

uint32_t ScreenColor(uint32_t rgb) {
    return orvik::GetColorValue(int(rgb >> 16 & 0xFF), int(rgb >> 8 & 0xFF), int(rgb & 0xFF));
}

class EngineDraw final : public DrawPort {
public:
    int SetDrawFilterMode(int mode) override { return orvik::SetDrawFilterMode(mode); }
    int CreateDrawableGraph(int width, int height) override {
        return orvik::CreateDrawableGraph(width, height);
    }
    int SetTransparentColor(int red, int green, int blue) override {
        return orvik::SetTransparentColor(red, green, blue);
    }
    int LoadImageToGraph(const char* fileName) override { return orvik::LoadImageToGraph(fileName, 0); }
    int DeriveGraph(int x, int y, int width, int height, int source) override {
        return orvik::DeriveGraph(x, y, width, height, source);
    }
    int DeleteGraphHandle(int handle) override { return orvik::DeleteGraphHandle(handle, 0); }
    int QueryGraphSize(int handle, int* width, int* height) override {
        return orvik::QueryGraphSize(handle, width, height);
    }
    int SetDrawTarget(int handle) override { return orvik::SetDrawTarget(handle); }
    int ClearDrawTarget() override { return orvik::ClearDrawTarget(nullptr); }
    int SetBlendMode(int mode, int parameter) override { return orvik::SetBlendMode(mode, parameter); }
    int DrawGraphAt(int x, int y, int handle, int transparent) override {
        return orvik::DrawGraphAt(x, y, handle, transparent);
    }
    int DrawGraphStretched(int x1, int y1, int x2, int y2, int handle, int transparent) override {
        return orvik::DrawGraphStretched(x1, y1, x2, y2, handle, transparent);
    }
    int DrawGraphRotated(int x, int y, double scale, double angle, int handle, int transparent,
                         int turn) override {
        return orvik::DrawGraphRotated(x, y, scale, angle, handle, transparent, turn);
    }
    int DrawColorLine(int x1, int y1, int x2, int y2, uint32_t color, int thickness) override {
        return orvik::DrawColorLine(x1, y1, x2, y2, ScreenColor(color), thickness);
    }
    int DrawFilledRect(int x1, int y1, int x2, int y2, uint32_t color) override {
        return orvik::DrawFilledBox(x1, y1, x2, y2, ScreenColor(color));
    }
    int SetFontSize(int size) override { return orvik::SetDefaultFontSize(size); }
    int SetFontThickness(int thickness) override { return orvik::SetDefaultFontThickness(thickness); }
    int SetFontType(int fontType) override { return orvik::SetDefaultFontType(fontType); }
    int DrawText(int x, int y, const char* text, uint32_t color) override {
        return orvik::DrawTextDefault(x, y, text, color);
    }
    int PresentScreen() override { return orvik::PresentScreen(); }
};

}  // namespace

DrawPort& EngineDrawPort() {
    static EngineDraw port;
    return port;
}

}  // namespace vantorix
