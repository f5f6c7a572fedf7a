// make_gamedata <folder>: writes the game's data folder (pictures, sounds, music, stage,
// options and ranking files). The same bytes come out on every run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "tools/make_gamedata/game_files.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const gamedata::Bytes& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_gamedata <output folder>\n");
    return 2;
  }
  const fs::path root = argv[1];
  for (const gamedata::OutputFile& file : gamedata::MakeGameFiles()) {
    if (file.bytes.empty() || !WriteFile(root / file.path, file.bytes)) {
      std::fprintf(stderr, "make_gamedata: could not make %s\n", file.path.c_str());
      return 1;
    }
  }
  return 0;
}
