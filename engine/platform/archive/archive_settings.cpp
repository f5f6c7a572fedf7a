// The archive extension and key string, set before start-up and kept for the process.
#include <cstring>

#include "engine/platform/archive/archive_files_state.h"

namespace orvik {
namespace {

int SetArchiveExtensionCore(const char* extension) {
    const size_t length = extension ? strnlen(extension, kArchiveExtensionMax) : 0;
    ArchiveFiles().extension =
        length > 0 && length < kArchiveExtensionMax ? std::string(extension, length) : "";
    return 0;
}

int SetArchiveKeyStringCore(const char* keyString) {
    ArchiveFilesState& state = ArchiveFiles();
    state.hasKeyString = keyString != nullptr;
    state.keyString = keyString ? std::string(keyString, strnlen(keyString, kArchiveKeySize)) : "";
    return 0;
}

}  // namespace

int SetArchiveExtension(const char* extension) { return SetArchiveExtensionCore(extension); }
int SetArchiveKeyString(const char* keyString) { return SetArchiveKeyStringCore(keyString); }

const char* ArchiveExtension() {
    const std::string& extension = ArchiveFiles().extension;
    return extension.empty() ? "OKV" : extension.c_str();
}

const char* ArchiveKeyString() {
    const ArchiveFilesState& state = ArchiveFiles();
    return state.hasKeyString ? state.keyString.c_str() : nullptr;
}

}  // namespace orvik
