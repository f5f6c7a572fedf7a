#include "tools/make_gamedata/game_folder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <system_error>

namespace gamedata {
namespace {

namespace fs = std::filesystem;

bool SetFixedTime(const fs::path& path) {
  const timespec fixed{1767225600, 0};  // 2026-01-01 00:00:00 UTC
  const timespec times[2] = {fixed, fixed};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool WriteFile(const fs::path& path, const Bytes& bytes) {
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

bool WriteGameFolder(const fs::path& root, const std::vector<OutputFile>& files) {
  for (const OutputFile& file : files) {
    std::error_code ec;
    if (file.playerFile && fs::exists(root / file.path, ec)) continue;
    if (file.bytes.empty() || !WriteFile(root / file.path, file.bytes)) {
      std::fprintf(stderr, "make_gamedata: could not make %s\n", file.path.c_str());
      return false;
    }
  }
  // Folders last: writing their files changed their times.
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(root, ec))
    if (entry.is_directory()) SetFixedTime(entry.path());
  return true;
}

}  // namespace gamedata
