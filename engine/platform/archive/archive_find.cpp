// Directory search of the archive-aware set: inside an archive when one covers the search
// path, on disk otherwise.
#include <cstring>
#include <memory>
#include <string>

#include "engine/platform/archive/archive_files_state.h"
#include "engine/platform/base/charset.h"
#include "engine/platform/files/file_times.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/base/log.h"
#include "engine/platform/files/name_pattern.h"
#include "engine/platform/files/plain_file.h"
#include "engine/platform/base/tracked_object.h"

namespace orvik {

struct ArchiveSearchState {
    ArchiveObject* archive;
    std::string pattern;  // upper-cased
    uint32_t directory;   // offset of the ArchiveDirRecord searched
    uint32_t next;        // the next position to test
};

namespace {

struct FindHandle {
    int kind;  // 0 disk, 1 archive
    int archiveIndex;
    FileFindHandle plain;
    ArchiveSearchState* search;
};

bool IsPatternCut(char c) { return c == '\\' || c == '/' || c == ':'; }

// Cuts the path at its last "\", "/" or ":" into directory part and name pattern.
void SplitFindPattern(const ArchiveObject* archive, const std::string& path,
                      std::string* directory, std::string* pattern) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDoubleByteLead(&path[i], archive->charSet) && i + 1 < path.size()) ++i;
        else if (IsPatternCut(path[i])) cut = i;
    }
    *directory = cut == std::string::npos ? "" : UpperCaseAscii(path.substr(0, cut + 1), archive->charSet);
    *pattern = UpperCaseAscii(cut == std::string::npos ? path : path.substr(cut + 1), archive->charSet);
}

// The lookup name of an entry (upper case), as text.
std::string LookupNameOf(const ArchiveObject* archive, const ArchiveEntryInfo& entry) {
    const uint32_t at = entry.nameOffset;
    if (uint64_t{at} + kArchiveNameHeadSize > archive->header.headerBlockSize) return "";
    const uint32_t bytes = LoadU16(archive->headerBlock + at) * 4u;
    const uint64_t room = archive->header.headerBlockSize - (uint64_t{at} + kArchiveNameHeadSize);
    const char* name = reinterpret_cast<const char*>(archive->headerBlock + at + kArchiveNameHeadSize);
    return std::string(name, strnlen(name, std::min<uint64_t>(bytes, room)));
}

void FillSpecial(const char* name, FileFindRecord* record) {
    *record = FileFindRecord{};
    std::strcpy(record->name, name);
    record->directory = 1;
}

void FillEntry(const ArchiveObject* archive, const ArchiveEntryInfo& entry, FileFindRecord* record) {
    *record = FileFindRecord{};
    if (const char* stored = ArchiveStoredName(archive, entry.nameOffset))
        std::strncpy(record->name, stored, sizeof(record->name) - 1);
    record->directory = entry.IsDirectory() ? 1 : 0;
    record->sizeLow = entry.size;
    LocalTimeFields(FileTimeToUnix(entry.creationTime), record->creationTime);
    LocalTimeFields(FileTimeToUnix(entry.writeTime), record->lastWriteTime);
}

FindHandle* FindFromHandle(FileFindHandle handle) {
    auto* find = reinterpret_cast<FindHandle*>(handle);
    if (ArchiveFiles().searches.Contains(find)) return find;
    AddLogText("無効な検索ハンドルです\n");
    return nullptr;
}

// Also closes a search that failed half made: what it holds so far is given back.
void CloseFind(FindHandle* find) {
    if (find->kind == 1) {
        FreeArchiveSearch(find->search);
        ReleaseArchiveReference(find->archiveIndex);
    } else if (find->plain != -1) {
        PlainFindClose(find->plain);
    }
    ArchiveFiles().searches.Remove(find);
    TrackedDelete(find);
}

struct FindCloser {
    void operator()(FindHandle* find) const { CloseFind(find); }
};

}  // namespace

// Positions of a directory: "." (0), ".." (1, not at the root), then its entries in
// file-table order.
int FillArchiveFindRecord(ArchiveSearchState* state, FileFindRecord* record) {
    const ArchiveObject* archive = state->archive;
    ArchiveDirInfo dir{};
    if (!ReadArchiveDir(archive, state->directory, &dir)) return -1;
    const uint32_t specials = dir.parentOffset == kArchiveNoParent ? 1 : 2;
    const uint32_t total = specials + dir.entryCount;
    const uint32_t entrySize = ArchiveEntrySize(archive->header.version);
    FileFindRecord scratch{};
    if (record == nullptr) record = &scratch;
    for (uint32_t i = state->next; i < total; ++i) {
        if (i < specials) {
            const char* name = i == 0 ? "." : "..";
            if (MatchFileNamePattern(name, state->pattern.c_str(), archive->charSet) != 0) continue;
            FillSpecial(name, record);
            state->next = i;
            return 0;
        }
        ArchiveEntryInfo entry{};
        if (!ReadArchiveEntry(archive, dir.firstEntryOffset + (i - specials) * entrySize, &entry))
            break;
        const std::string name = LookupNameOf(archive, entry);
        if (MatchFileNamePattern(name.c_str(), state->pattern.c_str(), archive->charSet) != 0)
            continue;
        FillEntry(archive, entry, record);
        state->next = i;
        return 0;
    }
    state->next = total;
    return -1;
}

ArchiveSearchState* FindFirstInArchive(ArchiveObject* archive, const char* path,
                                       FileFindRecord* record) {
    if (archive == nullptr || path == nullptr) return nullptr;
    while (!FinishArchiveFileLoad(archive)) PlainFileWaitIdle(archive->loadFile);
    TrackedOwner<ArchiveSearchState> state(ORVIK_TRACKED_NEW(ArchiveSearchState));
    if (state == nullptr) return nullptr;
    std::string directory;
    SplitFindPattern(archive, path, &directory, &state->pattern);
    state->archive = archive;
    state->directory = archive->currentDir;
    if (!directory.empty()) {
        const uint32_t current = archive->currentDir;
        const int changed = ChangeArchiveDir(archive, directory.c_str(), 0, nullptr);
        state->directory = archive->currentDir;
        archive->currentDir = current;
        if (changed != 0) return nullptr;
    }
    state->next = 0;
    if (FillArchiveFindRecord(state.get(), record) != 0) return nullptr;
    ++state->next;
    return state.release();
}

int FindNextInArchive(ArchiveSearchState* state, FileFindRecord* record) {
    if (state == nullptr || FillArchiveFindRecord(state, record) != 0) return -1;
    ++state->next;
    return 0;
}

void FreeArchiveSearch(ArchiveSearchState* state) { TrackedDelete(state); }

FileFindHandle FindFirstWithArchive(const char* path, FileFindRecord* record) {
    if (path == nullptr) return -1;
    std::unique_ptr<FindHandle, FindCloser> find(ORVIK_TRACKED_NEW(FindHandle));
    if (find == nullptr) return -1;
    *find = FindHandle{0, -1, -1, nullptr};
    char innerPath[kFilePathMax];
    if (FindArchiveForPath(path, &find->archiveIndex, nullptr, innerPath) == 0) {
        find->kind = 1;
        find->search = FindFirstInArchive(&ArchiveFiles().archives[find->archiveIndex]->archive,
                                          innerPath, record);
        if (find->search == nullptr) return -1;
    } else {
        find->plain = PlainFindFirst(path, record);
        if (find->plain == -1) return -1;
    }
    ArchiveFiles().searches.Add(find.get());
    return reinterpret_cast<FileFindHandle>(find.release());
}

int FindNextWithArchive(FileFindHandle handle, FileFindRecord* record) {
    FindHandle* find = FindFromHandle(handle);
    if (find == nullptr) return -1;
    if (find->kind == 0) return PlainFindNext(find->plain, record);
    return FindNextInArchive(find->search, record);
}

int FindCloseWithArchive(FileFindHandle handle) {
    FindHandle* find = FindFromHandle(handle);
    if (find == nullptr) return -1;
    CloseFind(find);
    return 0;
}

void ResetArchiveFiles() {
    ArchiveFilesState& state = ArchiveFiles();
    for (const void* find : state.searches.Snapshot())
        CloseFind(static_cast<FindHandle*>(const_cast<void*>(find)));
    for (int i = 0; i < kMaxOpenFiles; ++i)
        if (state.files[i] != nullptr)
            CloseFileWithArchive(static_cast<FileAccessHandle>(i | kArchiveFileHandleTag));
    for (ArchiveTableEntry* entry : state.archives)
        if (entry != nullptr) entry->references = 0;
    CloseUnusedArchives();
    state.cachedArchivePath.clear();
    state.cachedPrefix.clear();
    state.cachedSlot = -1;
    state.extension.clear();
    state.keyString.clear();
    state.hasKeyString = false;
}

}  // namespace orvik
