// Writing the made files into the game folder. The same bytes come out on every run, and
// every file and folder gets one fixed time, so the archives packed from them (which
// record the times) come out the same too. A player's file that already exists is left
// byte for byte as it is: rebuilding the game must not lose the player's options and
// ranking.
#pragma once
#include <filesystem>
#include <vector>

#include "tools/make_gamedata/bytes.h"

namespace gamedata {

// False (with a line on standard error) when a file could not be written.
bool WriteGameFolder(const std::filesystem::path& root, const std::vector<OutputFile>& files);

}  // namespace gamedata
