// okvpack: packs a directory into an OKV archive.
//   okvpack [--key TEXT] [--version N] [--code-page N] [--store] SOURCE_DIR ARCHIVE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/okvpack/pack_directory.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: okvpack [--key TEXT] [--version 0-4] [--code-page N] [--store] SOURCE_DIR ARCHIVE\n"
                 "  --key TEXT    key string (its first 12 characters); without it the fixed-fill key\n"
                 "  --version N   archive version, 4 by default; below 2 every file is stored\n"
                 "  --code-page N code page of the names (version 4), 932 by default\n"
                 "  --store       store every file unpacked\n");
    return 2;
}

bool ParseNumber(const char* text, long low, long high, long* out) {
    char* end = nullptr;
    *out = std::strtol(text, &end, 10);
    return end != text && *end == 0 && *out >= low && *out <= high;
}

}  // namespace

int main(int argc, char** argv) {
    okvpack::PackOptions options;
    std::string paths[2];
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long number = 0;
        if (arg == "--key" && hasValue) {
            options.keyString = argv[++i];
        } else if (arg == "--version" && hasValue && ParseNumber(argv[++i], 0, 4, &number)) {
            options.version = static_cast<uint16_t>(number);
        } else if (arg == "--code-page" && hasValue && ParseNumber(argv[++i], 0, 65535, &number)) {
            options.codePage = static_cast<uint32_t>(number);
        } else if (arg == "--store") {
            options.compress = false;
        } else if (arg.rfind("--", 0) != 0 && count < 2) {
            paths[count++] = arg;
        } else {
            return Usage();
        }
    }
    if (count != 2) return Usage();
    std::string error;
    if (okvpack::PackDirectory(paths[0], paths[1], options, &error) != 0) {
        std::fprintf(stderr, "okvpack: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
