// The global state of the archive-aware file operations, in one place so tests can reset it.
#pragma once
#include <array>
#include <string>

#include "engine/platform/archive/archive_files.h"
#include "engine/platform/base/live_handles.h"

namespace orvik {

struct ArchiveFilesState {
    std::array<FileHandleEntry*, kMaxOpenFiles> files{};
    int fileCount = 0;
    std::array<ArchiveTableEntry*, kMaxOpenArchives> archives{};
    int archiveCount = 0;

    // The archive found last: its file path, the upper-cased directory prefix it stands
    // for (empty when nothing is cached) and its slot.
    std::string cachedArchivePath;
    std::string cachedPrefix;
    int cachedSlot = -1;

    std::string extension;  // empty: "OKV"
    std::string keyString;
    bool hasKeyString = false;

    LiveHandles searches;
};

ArchiveFilesState& ArchiveFiles();

// The table entry behind a file handle of this set, or null (logged) for anything else.
FileHandleEntry* FileEntryFromHandle(FileAccessHandle handle);

}  // namespace orvik
