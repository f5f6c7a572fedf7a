// The game's files hold 32-bit little-endian integers at fixed offsets. Reading takes the
// whole file at once; saving patches only the listed offsets and replaces the file through
// a fully written and synced copy, so a crash or a full disk never leaves it half written.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vantorix {

struct FileValue {
    int32_t offset;
    int32_t value;
};

// The whole file, or false when it does not open or cannot be read to its end.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
// The value at the offset; false when the file is too short to hold it.
bool ValueAt(const std::vector<uint8_t>& bytes, int32_t offset, int32_t& value);

enum class SaveResult { kSaved, kMissing, kFailed };
// Writes the values into the existing file, leaving every other byte as it was. The file is
// never created: a missing one gives kMissing. A failed write, sync, close or rename gives
// kFailed with a log line, and the old file stays whole.
SaveResult PatchFile(const std::string& path, std::span<const FileValue> values);

// The path of one of the game's files in the game's file directory.
std::string GameFilePath(const char* name);

}  // namespace vantorix
