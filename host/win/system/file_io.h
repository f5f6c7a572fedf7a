// Plain files written through handles, as the engine's capture and temporary files use
// them: create, write, move the file pointer, close, delete, and temporary names.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/win/system/types.h"

namespace host {

// A file handle: an index into this layer's table, never a descriptor the caller could
// misuse; INVALID_FILE_HANDLE when an open failed.
using HFILE = int32_t;
constexpr HFILE INVALID_FILE_HANDLE = -1;

constexpr uint32_t CREATE_NEW = 1;     // create; fails when the file exists
constexpr uint32_t CREATE_ALWAYS = 2;  // create or truncate
constexpr uint32_t FILE_BEGIN = 0, FILE_CURRENT = 1, FILE_END = 2;
constexpr uint32_t INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

// Opens `path` for writing without sharing, created empty: CREATE_ALWAYS truncates a file
// that exists, CREATE_NEW refuses it.
HFILE CreateFileA(const char* path, uint32_t creation);
BOOL WriteFile(HFILE file, const void* data, uint32_t bytes, uint32_t* written);
// The new position, or INVALID_SET_FILE_POINTER.
uint32_t SetFilePointer(HFILE file, int32_t distance, uint32_t method);
BOOL CloseFile(HFILE file);
BOOL DeleteFileA(const char* path);
// Writes the temporary directory (with a trailing "/") into `buffer`; its length, or 0
// when it does not fit.
uint32_t GetTempPathA(uint32_t size, char* buffer);
// Makes a new empty file "<directory><prefix>XXXXXX" with a unique name and writes its
// path (at most 260 bytes with the terminator) into `name`. 0 on failure.
uint32_t GetTempFileNameA(const char* directory, const char* prefix, uint32_t unique, char* name);

}  // namespace host
