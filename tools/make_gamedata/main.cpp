// make_gamedata <folder>: writes the game's data folder (pictures, sounds, music, stage,
// options and ranking files), keeping the player's options and ranking when they exist.
#include <cstdio>

#include "tools/make_gamedata/game_files.h"
#include "tools/make_gamedata/game_folder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_gamedata <output folder>\n");
    return 2;
  }
  return gamedata::WriteGameFolder(argv[1], gamedata::MakeGameFiles()) ? 0 : 1;
}
