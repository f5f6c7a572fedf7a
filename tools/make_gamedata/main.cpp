// make_gamedata <folder>: writes the game's data folder (pictures, sounds, music, stage,
// options and ranking files). The same bytes come out on every run, and every file and
// folder gets one fixed time, so the archives packed from them (which record the times)
// come out the same too.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "tools/make_gamedata/game_files.h"

namespace fs = std::filesystem;

namespace {

bool SetFixedTime(const fs::path& path) {
  const timespec fixed{1767225600, 0};  // 2026-01-01 00:00:00 UTC
  const timespec times[2] = {fixed, fixed};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool WriteFile(const fs::path& path, const gamedata::Bytes& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  return SetFixedTime(path);
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
  // Folders last: writing their files changed their times.
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(root, ec))
    if (entry.is_directory()) SetFixedTime(entry.path());
  return 0;
}
