// The game's files hold 32-bit little-endian integers at fixed offsets. Reading takes the
// whole file at once; saving patches only the listed offsets and replaces the file through
// a fully written and synced copy, so a crash or a full disk never leaves it half written.
// The copy keeps the file's permissions, and a file reached through a link is replaced
// where it lies, leaving the link in place.
// A save file that is missing, or shorter than its record (cut, or from an older game), is
// made whole the same way, zero-filled to its size, so that the player's scores and
// options are kept from then on.
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

// The whole file, or false when it does not open or cannot be read to its end (logged
// with the system's reason unless the file is missing).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
// The value at the offset; false when the file is too short to hold it.
bool ValueAt(const std::vector<uint8_t>& bytes, int32_t offset, int32_t& value);

// Writes the values into the file, leaving every other byte as it was; a missing file is
// created with `size` zero bytes first (logged), a shorter one is filled up with zeros to
// `size`. True when saved. A file that cannot be read, or a failed write, sync, close or
// rename, gives false with a line in the log and on standard error naming the file and
// the system's reason (the player must hear of a lost save even with the log off), and
// the old file stays whole.
bool PatchFile(const std::string& path, std::span<const FileValue> values, size_t size);

// The path of one of the game's files in the game's file directory.
std::string GameFilePath(const char* name);

}  // namespace vantorix
