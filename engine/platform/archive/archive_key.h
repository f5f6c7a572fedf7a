// The archive cipher: every byte of an archive file is XORed with key[offset mod 12].
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/platform/archive/archive_format.h"

namespace orvik {

// Builds the 12-byte key from a key string (its first 12 characters, repeated to fill the
// 12 bytes); a null or empty string gives the key of the fixed fill.
void MakeArchiveKey(const char* keyString, uint8_t key[kArchiveKeySize]);
// The fallback key tried when an archive's header does not read under its own key.
void MakeSecondArchiveKey(uint8_t key[kArchiveKeySize]);
// Enciphers or deciphers length bytes that lie at the given file offset.
void XorArchiveKey(size_t length, void* buffer, uint64_t position,
                   const uint8_t key[kArchiveKeySize]);

}  // namespace orvik
