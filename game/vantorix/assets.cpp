#include "assets.h"

#include <cstdio>

#include "angles.h"
#include "engine_port.h"
#include "game_state.h"

namespace vantorix {
namespace {

struct SheetFile {
    int id;
    const char* file;
};
constexpr SheetFile kSheets[] = {
    {5001, "Data01/VRX_Title.bmp"},      {5002, "Data01/VRX_MainFrame01.bmp"},
    {5003, "Data01/VRX_System01.bmp"},   {5004, "Data01/VRX_Stand01.bmp"},
    {5005, "Data01/VRX_Stand02.bmp"},    {5021, "Data01/VRX_Character01.bmp"},
    {5031, "Data01/VRX_Shot01.bmp"},     {5036, "Data01/VRX_Effect01.bmp"},
    {5037, "Data01/VRX_Effect02.bmp"},   {5038, "Data01/VRX_Effect03.bmp"},
    {5041, "Data01/VRX_Enemy01.bmp"},    {5042, "Data01/VRX_Enemy02.bmp"},
    {kBackgroundSheet, "Data01/VRX_BackGround01.bmp"},
};

// A run of cells of one size side by side on one row of a sheet, filling ids first, first+1...
struct CellRun {
    int firstId, count, sheet, x, y, width, height;
};
constexpr CellRun kCells[] = {
    {1, 1, 5001, 0, 0, 640, 480},      {2, 1, 5002, 0, 0, 640, 480},
    {3, 1, 5003, 0, 0, 224, 32},       {4, 2, 5003, 0, 32, 32, 32},
    {6, 1, 5003, 256, 0, 320, 32},     {7, 1, 5003, 256, 32, 224, 32},
    {8, 1, 5003, 160, 32, 32, 32},     {10, 10, 5003, 0, 64, 16, 32},
    {21, 1, 5003, 0, 96, 96, 32},      {22, 1, 5003, 0, 128, 96, 32},
    {23, 1, 5003, 0, 160, 96, 32},     {24, 1, 5003, 0, 192, 96, 32},
    {25, 1, 5003, 64, 32, 32, 32},     {26, 1, 5003, 0, 384, 384, 96},
    {27, 1, 5003, 128, 32, 32, 32},    {101, 4, 5004, 0, 0, 160, 288},
    {105, 1, 5005, 0, 0, 160, 288},    {501, 3, 5021, 0, 0, 48, 48},
    {506, 1, 5021, 0, 48, 48, 48},     {511, 9, 5021, 0, 96, 48, 48},
    {1001, 1, 5031, 0, 0, 32, 32},     {1002, 1, 5031, 0, 32, 96, 96},
    {1005, 6, 5031, 128, 0, 48, 192},  {1011, 6, 5036, 0, 0, 96, 96},
    {1017, 1, 5036, 0, 96, 96, 96},    {1021, 6, 5037, 0, 128, 96, 96},
    {1027, 2, 5037, 0, 224, 96, 96},   {1031, 5, 5037, 0, 64, 64, 64},
    {1041, 5, 5037, 0, 320, 32, 32},   {1046, 5, 5037, 0, 352, 32, 32},
    {1051, 5, 5037, 0, 384, 32, 32},   {1101, 3, 5031, 0, 128, 32, 32},
    {1104, 3, 5031, 0, 160, 32, 32},   {1107, 3, 5031, 0, 288, 32, 32},
    {1111, 4, 5031, 0, 256, 32, 32},   {1301, 2, 5037, 0, 0, 64, 64},
    {1311, 2, 5038, 0, 0, 256, 256},   {1313, 1, 5031, 128, 192, 320, 32},
    {2001, 1, 5041, 0, 0, 32, 32},     {2011, 1, 5041, 0, 32, 32, 32},
    {2012, 3, 5041, 0, 64, 32, 32},    {2015, 6, 5041, 0, 0, 32, 32},
    {2021, 3, 5041, 0, 96, 64, 64},    {2031, 3, 5041, 0, 160, 96, 96},
    {2041, 1, 5041, 0, 256, 64, 64},   {2101, 1, 5042, 0, 0, 192, 256},
    {2111, 1, 5042, 192, 0, 64, 64},   {2116, 1, 5042, 192, 64, 64, 64},
    {2121, 3, 5042, 0, 256, 48, 48},   {2131, 1, 5042, 256, 0, 256, 128},
    {2141, 3, 5042, 0, 304, 48, 48},   {2151, 1, 5042, 256, 128, 320, 320},
};

struct SoundFile {
    int number;
    const char* file;
    int volume;
};
constexpr SoundFile kSoundEffects[] = {
    {1, "Data02/Sys04.wav", 160},  {11, "Data02/Shot01.wav", 160}, {12, "Data02/Shot02.wav", 140},
    {13, "Data02/Hit01.wav", 160}, {14, "Data02/Hit02.wav", 160},  {15, "Data02/Shot04.wav", 160},
    {21, "Data02/Exp01.wav", 130}, {22, "Data02/Exp02.wav", 140},  {23, "Data02/Exp03.wav", 150},
    {24, "Data02/Exp04.wav", 160}, {25, "Data02/Exp05.wav", 150},
};

// Volume of each music track; 0 where no track exists.
constexpr int kTrackVolume[11] = {0, 150, 120, 200, 200, 200, 0, 200, 240, 240, 220};
constexpr int kTilesPerHalf = 180;
constexpr int kTileColumns = 12;
constexpr int kTileSize = 32;

int32_t* Sprites() { return Game().assets.sprite; }

void CutCells(const CellRun& run) {
    for (int i = 0; i < run.count; ++i)
        Sprites()[run.firstId + i] = Draw().DeriveGraph(run.x + i * run.width, run.y, run.width,
                                                        run.height, Sprites()[run.sheet]);
}

void CutTiles() {
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < kTilesPerHalf; ++i) {
            int x = half * kTileColumns * kTileSize + kTileSize * (i % kTileColumns);
            int y = kTileSize * (i / kTileColumns);
            Sprites()[kFirstTileSprite + 1 + half * kTilesPerHalf + i] =
                Draw().DeriveGraph(x, y, kTileSize, kTileSize, Sprites()[kBackgroundSheet]);
        }
    }
}

}  // namespace

int SpriteHandle(int id) { return id >= 0 && id < kSpriteIds ? Sprites()[id] : 0; }

void LoadAssets() {
    for (const SheetFile& sheet : kSheets) Sprites()[sheet.id] = Draw().LoadImageToGraph(sheet.file);
    for (const CellRun& run : kCells) CutCells(run);
    CutTiles();
    for (const SoundFile& se : kSoundEffects) {
        int handle = Sound().LoadSound(se.file, 3);
        Game().assets.soundEffect[se.number] = handle;
        Sound().SetSoundVolume(se.volume, handle);
    }
}

void LoadStageTiles(int stage) {
    Draw().DeleteGraphHandle(Sprites()[kBackgroundSheet]);
    for (int t = 1; t <= 2 * kTilesPerHalf; ++t) {
        Draw().DeleteGraphHandle(Sprites()[kFirstTileSprite + t]);
        Sprites()[kFirstTileSprite + t] = -1;
    }
    Sprites()[kBackgroundSheet] = -1;
    if (stage < 1 || stage > kStages) return;
    char file[40];
    std::snprintf(file, sizeof file, "Data01/VRX_BackGround%02d.bmp", stage);
    Sprites()[kBackgroundSheet] = Draw().LoadImageToGraph(file);
    CutTiles();
}

void DrawSpriteAt(int id, float x, float y) {
    Draw().DrawGraphAt(static_cast<int>(x), static_cast<int>(y), SpriteHandle(id), 1);
}

void DrawSpriteStretched(int id, float x, float y, int width, int height) {
    Draw().DrawGraphStretched(static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + width),
                              static_cast<int>(y + height), SpriteHandle(id), 1);
}

void DrawSpriteRotated(int id, float x, float y, int degrees, double scale) {
    if (scale == 0.0) return;
    int width = 0, height = 0;
    if (Draw().QueryGraphSize(SpriteHandle(id), &width, &height) != 0) return;
    Draw().DrawGraphRotated(static_cast<int>(width / 2 + x), static_cast<int>(height / 2 + y), scale,
                            DegreesToRadians(degrees), SpriteHandle(id), 1, 0);
}

void PlaySe(int effect) {
    if (effect < 0 || effect >= kSoundEffectSlots) return;
    int handle = Game().assets.soundEffect[effect];
    if (Sound().CheckSoundPlaying(handle) == 1) Sound().StopSound(handle);
    Sound().PlaySoundHandle(handle, kPlayBackground, 1);
}

void PlayBgm(int track) {
    AssetTables& a = Game().assets;
    if (track == a.bgmTrack) return;
    Sound().DeleteSound(a.bgmHandle);
    a.bgmHandle = -1;
    if (track >= 1 && track <= 10 && kTrackVolume[track] > 0) {
        char file[32];
        std::snprintf(file, sizeof file, "Data03/BGM%02d.mp3", track);
        a.bgmHandle = Sound().LoadSound(file, 3);
        Sound().SetSoundVolume(kTrackVolume[track], a.bgmHandle);
        Sound().PlaySoundHandle(a.bgmHandle, kPlayLoop, 1);
    }
    a.bgmTrack = track;
}

void StopBgm() {
    Sound().StopSound(Game().assets.bgmHandle);
    Game().assets.bgmTrack = 0;
}

}  // namespace vantorix
