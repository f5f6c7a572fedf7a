// The sprite sheets cut into cells addressed by sprite id, the sound effects and the music.
#pragma once

namespace vantorix {

constexpr int kFirstTileSprite = 4000;  // sprite 4000 + tile number; 4000 itself is empty
constexpr int kBackgroundSheet = 5071;

// Sheets, cells, the first stage's tiles and the eleven sound effects.
void LoadAssets();
// Replaces the background sheet and its 360 tiles; a stage outside 1..6 leaves none.
void LoadStageTiles(int stage);
// The graphic of a sprite id, 0 (no graphic) for an id outside the table.
int SpriteHandle(int id);

// Top-left at (x, y) truncated, transparency on.
void DrawSpriteAt(int id, float x, float y);
// Into the rectangle (x, y)-(x + width, y + height), corners truncated.
void DrawSpriteStretched(int id, float x, float y, int width, int height);
// (x, y) is the top-left of the unturned cell; it turns about its centre. Nothing is drawn
// at scale 0 or when the size of the sprite is unknown.
void DrawSpriteRotated(int id, float x, float y, int degrees, double scale);

// Plays a sound effect from the top, stopping it first when it still plays.
void PlaySe(int effect);
// Changes the music to the track (1..5, 7..10); the same track goes on playing; any other
// number stops the music and leaves silence.
void PlayBgm(int track);
// Stops the music and forgets its track, so the next PlayBgm loads its track anew.
void StopBgm();

}  // namespace vantorix
