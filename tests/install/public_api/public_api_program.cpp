// Uses every service of the engine's public headers once, the way a program built on the
// installed engine would, and fails (exit code 1, the failed check on stderr) when one
// does not answer as its header says. Runs on the headless backend.
#include <orvik/orvik.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int g_failures = 0;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "failed: %s\n", what);
    ++g_failures;
}
#define CHECK(expression) Check((expression), #expression)

// A one-second 8-bit mono WAV image at 8000 Hz holding a square wave.
std::vector<uint8_t> SquareWave() {
    const uint32_t samples = 8000;
    std::vector<uint8_t> wav(44 + samples);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&wav[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&wav[at], &v, 2); };
    std::memcpy(&wav[0], "RIFF", 4);
    put32(4, uint32_t(wav.size() - 8));
    std::memcpy(&wav[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 1);
    put32(24, 8000);
    put32(28, 8000);
    put16(32, 1);
    put16(34, 8);
    std::memcpy(&wav[36], "data", 4);
    put32(40, samples);
    for (uint32_t i = 0; i < samples; ++i) wav[44 + i] = (i / 20) % 2 ? 200 : 56;
    return wav;
}

void UseSystem() {
    const int32_t before = orvik::GetNowMilliseconds();
    CHECK(before >= 0);
    int32_t now[6];
    CHECK(orvik::GetLocalDateTime(now) == 0 && now[0] >= 2000 && now[1] >= 1 && now[1] <= 12);
    orvik::SeedRandom(5489);
    const uint32_t first = orvik::NextRandom();
    orvik::SeedRandom(5489);
    CHECK(orvik::NextRandom() == first);
    auto* block = static_cast<char*>(orvik::TrackedCalloc(64, "public_api_program", __LINE__));
    CHECK(block != nullptr && block[63] == 0);
    block = static_cast<char*>(orvik::TrackedRealloc(block, 128, "public_api_program", __LINE__));
    CHECK(block != nullptr && block[100] == 0);
    CHECK(orvik::CheckAllocMemory() == 0);
    orvik::TrackedFree(block);
}

void UseMath() {
    orvik::Matrix4 unit, m, product;
    orvik::SetUnitMatrix(&unit);
    for (int i = 0; i < 16; ++i) m.m[i] = float(i + 1);
    orvik::MultiplyMatrix4(&product, &m, &unit);
    CHECK(std::memcmp(product.m, m.m, sizeof m.m) == 0);
    orvik::Vector3 v;
    orvik::MakeNormalizedVector3(&v, 3.0f, 0.0f, 4.0f);
    CHECK(v.x > 0.599f && v.x < 0.601f && v.z > 0.799f && v.z < 0.801f);
    CHECK(orvik::DotVector3(&v, &v) > 0.999f);
}

void UseFiles() {
    char dir[orvik::kFilePathMax];
    CHECK(orvik::FileAccessGetCurrentDir(dir) == 0 || dir[0] == '/');
    std::FILE* f = std::fopen("public_api_probe.txt", "wb");
    CHECK(f != nullptr);
    if (!f) return;
    std::fputs("orvik", f);
    std::fclose(f);
    char full[orvik::kFilePathMax];
    CHECK(orvik::MakeFullPath("public_api_probe.txt", full, nullptr) == 0 && full[0] == '/');
    const orvik::FileAccessHandle h = orvik::FileAccessOpen(full, 0, 1, 0);
    CHECK(h != 0);
    char text[8] = {};
    CHECK(orvik::FileAccessRead(text, 1, 5, h) == 5 && std::strcmp(text, "orvik") == 0);
    orvik::FileAccessClose(h);
    orvik::FileFindRecord found;
    const orvik::FileFindHandle search = orvik::FileAccessFindFirst("public_api_probe.*", &found);
    CHECK(search != -1 && std::strcmp(found.name, "public_api_probe.txt") == 0 && found.sizeLow == 5);
    CHECK(orvik::FileAccessFindNext(search, &found) == -1);
    orvik::FileAccessFindClose(search);
    std::remove("public_api_probe.txt");
}

void UseGraphics() {
    int w = 0, h = 0;
    CHECK(orvik::GetScreenSize(&w, &h) == 0 && w == 320 && h == 240);
    const int32_t target = orvik::CreateDrawableGraph(64, 32);
    CHECK(orvik::IsValidGraphHandle(target) == 1);
    CHECK(orvik::SetDrawTarget(target) == 0);
    CHECK(orvik::DrawFilledBox(0, 0, 64, 32, orvik::GetColorValue(255, 0, 0)) == 0);
    CHECK(orvik::SetDrawTarget(orvik::kDrawTargetBackBuffer) == 0);
    CHECK(orvik::ClearDrawTarget() == 0);
    CHECK(orvik::DrawGraphAt(10, 10, target, 0) == 0);
    CHECK(orvik::DrawTextDefault(0, 0, "orvik", 0xFFFFFF) > 0);
    CHECK(orvik::PresentScreen() == 0);
    CHECK(orvik::DeleteGraphHandle(target) == 0);
    CHECK(orvik::IsValidGraphHandle(target) == 0);

    const int32_t mask = orvik::MakeMask(4, 4);
    CHECK(mask != -1 && orvik::DeleteMaskHandle(mask) == 0);
    CHECK(orvik::PlayMovieToGraph(target) == -1);  // a deleted graphic shows no movie
}

void UseScene3d() {
    const int32_t light = orvik::AddDirectionalLight(0.0f, -1.0f, 1.0f);
    CHECK(light != -1 && orvik::GetLightCount() >= 2);
    CHECK(orvik::RemoveLightHandle(light) == 0 && orvik::RemoveLightHandle(light) == -1);
    const int32_t vertices = orvik::AllocVertexBufferHandle(16, 4);
    const float data[16] = {};
    CHECK(vertices != -1 && orvik::SetVertexBufferData(0, data, 4, vertices) == 0);
    CHECK(orvik::SetVertexBufferData(2, data, 4, vertices) == -1);  // past its end
    CHECK(orvik::DeleteVertexBufferHandle(vertices) == 0);
    const uint8_t garbage[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    CHECK(orvik::AllocShaderHandle(0, nullptr, 8) == -1);
    CHECK(orvik::AllocShaderHandle(0, garbage, sizeof garbage) == -1);  // the device refuses it
    // ps_2_0: mov oC0, c0
    const uint32_t code[] = {0xFFFF0200u, 0x02000001u, 0x800F0800u, 0xA0E40000u, 0x0000FFFFu};
    const int32_t shader = orvik::AllocShaderHandle(0, code, sizeof code);
    CHECK(shader != -1 && orvik::DeleteShaderHandle(shader) == 0 && orvik::DeleteShaderHandle(shader) == -1);
    const float registers[4] = {0.0f, 1.0f, 0.5f, 2.0f};
    CHECK(orvik::SetPixelShaderConstants(0, registers, 1) == 0);
    CHECK(orvik::SetVertexShaderConstants(100000, registers, 1) == -1);
    CHECK(orvik::DeleteModelInstance(0x50000000) == -1);
}

void UseSoftImages() {
    const int32_t image = orvik::MakeSoftImage(4, 4);
    int r = 0, g = 0, b = 0, a = 0;
    CHECK(orvik::DrawPixelSoftImage(image, 1, 2, 9, 8, 7, 6) == 0);
    CHECK(orvik::GetPixelSoftImage(image, 1, 2, &r, &g, &b, &a) == 0 && r == 9 && g == 8 && b == 7 && a == 6);
    CHECK(orvik::ReleaseSoftImageHandle(image) == 0);
}

void UseSound() {
    const std::vector<uint8_t> wav = SquareWave();
    const int sound = orvik::LoadSoundFromImage(wav.data(), int32_t(wav.size()), 1, -1);
    CHECK(sound != -1);
    CHECK(orvik::GetSoundTotalTime(sound) == 1000);
    CHECK(orvik::PlaySoundHandle(sound, orvik::kPlayBack) == 0 && orvik::CheckSoundPlaying(sound) == 1);
    CHECK(orvik::StopSound(sound) == 0 && orvik::CheckSoundPlaying(sound) == 0);
    CHECK(orvik::DeleteSound(sound) == 0);
    CHECK(orvik::LoadMusic("no such music.mid") == -1);

    const int data = orvik::MakeSoftSoundData(1, 16, 8000, 4);
    int left = 0, right = 0;
    CHECK(orvik::WriteSoftSoundSample(data, 3, -1234, 0) == 0);
    CHECK(orvik::ReadSoftSoundSample(data, 3, &left, &right) == 0 && left == -1234);
    CHECK(orvik::DeleteAllSoftSoundData() == 0 && orvik::GetSoftSoundFrameCount(data) == -1);
}

void UseInputAndText() {
    CHECK(orvik::IsKeyHeld(orvik::KEY_Z) == 0);
    CHECK(orvik::ReadPadState(orvik::PAD_WITH_KEYBOARD) == 0);
    const int field = orvik::MakeKeyInput(16, 1, 0, 0);
    CHECK(field != -1 && orvik::CheckKeyInputEnd(field) == 0);
    CHECK(orvik::DeleteKeyInput(field) == 0);
    uint8_t c[2];
    CHECK(orvik::PopCharCode(c, 1) == 0);
    CHECK(orvik::GetDroppedFileCount() == 0);
}

void UseNetwork() {
    CHECK(orvik::InitNetwork() == 0);
    CHECK(orvik::PreparationListenNetWork(0) == 0);
    CHECK(orvik::GetNewAcceptNetWork() == -1);
    CHECK(orvik::StopListenNetWork() == 0);
    CHECK(orvik::RequestNetworkHandleClose(-1) == -1);
    orvik::IPv4Address loopback;
    CHECK(orvik::GetHostIPbyName("localhost", &loopback) == 0 && loopback.bytes[0] == 127);
    const int udp = orvik::MakeUDPSocket(0);
    CHECK(udp != -1 && orvik::CheckNetWorkRecvUDP(udp) == 0);
    CHECK(orvik::DeleteNetworkHandle(udp) == 0);
}

}  // namespace

int main() {
    setenv("ORVIK_HOST", "headless", 0);
    orvik::SetLogFileEnabled(0);
    orvik::SetAppWindowTitle("Public API");
    orvik::ChangeWindowMode(1);
    CHECK(orvik::SetNoSoundFlag(0) == 0);
    CHECK(orvik::SetGraphMode(320, 240, 32) == 0);
    UseSystem();
    UseMath();
    UseFiles();
    if (orvik::InitLibrary() != 0) {
        std::fprintf(stderr, "failed: InitLibrary\n");
        return 1;
    }
    CHECK(orvik::IsWindowMode() == 1);
    CHECK(orvik::PumpMessages() == 0);
    int rect[4];
    CHECK(orvik::GetClientScreenRect(rect) == 0 && rect[2] - rect[0] == 320);
    UseGraphics();
    UseScene3d();
    UseSoftImages();
    UseSound();
    UseInputAndText();
    UseNetwork();
    orvik::IncLogIndent();
    CHECK(orvik::AddLogText("done\n") == -1);
    orvik::DecLogIndent();
    CHECK(orvik::EndLibrary() == 0);
    if (g_failures == 0) std::puts("every public service answered");
    return g_failures == 0 ? 0 : 1;
}
