// Everything the game folder holds, made in memory. Jobs run on several threads; each
// file depends only on its own inputs, so the bytes do not depend on the scheduling.
#pragma once
#include <vector>

#include "tools/make_gamedata/bytes.h"

namespace gamedata {

std::vector<OutputFile> MakeGameFiles();

}  // namespace gamedata
