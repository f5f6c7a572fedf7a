// Packing a directory of the disk into an archive file: the form the game-data maker calls
// (or runs through the okvpack program).
#pragma once
#include <string>

#include "tools/okvpack/archive_writer.h"

namespace okvpack {

// Reads the directory tree below path (regular files and directories; anything else is
// skipped). 0, or -1 with the reason in error.
int ReadDirectoryTree(const std::string& path, PackDir* root, std::string* error);

// Packs the directory into the archive file. 0, or -1 with the reason in error.
int PackDirectory(const std::string& source, const std::string& archive, const PackOptions& options,
                  std::string* error);

}  // namespace okvpack
