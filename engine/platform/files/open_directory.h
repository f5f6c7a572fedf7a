// A directory being read, closed on every way out (a name that runs out of memory midway
// included).
#pragma once
#include <dirent.h>

#include <memory>

namespace orvik {

struct DirectoryCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using OpenDirectory = std::unique_ptr<DIR, DirectoryCloser>;

}  // namespace orvik
