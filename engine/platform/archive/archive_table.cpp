// The table of open archives and the mapping of a path to the archive that covers it.
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <utility>

#include "engine/platform/archive/archive_files_state.h"
#include "engine/platform/base/charset.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/files/open_directory.h"
#include "engine/platform/base/log.h"
#include "engine/platform/base/tracked_object.h"

namespace orvik {
namespace {

// The real directory whatever its length (a fixed buffer fails for deep directories).
std::string CurrentDirectory() {
    std::string current = CurrentDirectoryPath();
    return current.empty() ? "/" : current;
}

bool SameArchivePath(const std::string& a, const std::string& b) {
    const int charSet = GetTextCharSet();
    return UpperCaseAscii(a, charSet) == UpperCaseAscii(b, charSet);
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The archive file at path, or one in the same directory whose name differs only in the
// case of a to z ("Data01.dat" is found as "DATA01.DAT"). Empty when there is none.
std::string ResolveArchiveCase(const std::string& path) {
    if (IsRegularFile(path)) return path;
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const OpenDirectory dir(opendir(directory.empty() ? "/" : directory.c_str()));
    if (dir == nullptr) return "";
    const int charSet = GetTextCharSet();
    const std::string wanted = UpperCaseAscii(name, charSet);
    while (const dirent* entry = readdir(dir.get())) {
        if (UpperCaseAscii(entry->d_name, charSet) != wanted) continue;
        std::string candidate = directory + "/" + entry->d_name;
        if (IsRegularFile(candidate)) return candidate;
    }
    return "";
}

// The name an archive is opened by: relative to the current directory when it lies
// below it, so that neither that directory's name nor the length of its path stands in
// the way. The file stays open, so a later change of directory does not matter.
std::string OpenedName(const std::string& path) {
    const std::string current = CurrentDirectory();
    const size_t n = current.size();
    const bool below = path.size() > n + 1 && path.compare(0, n, current) == 0 && path[n] == '/';
    return below ? path.substr(n + 1) : path;
}

int TakeReference(int slot) {
    ++ArchiveFiles().archives[slot]->references;
    return slot;
}

int FreeArchiveSlot() {
    ArchiveFilesState& state = ArchiveFiles();
    for (int i = 0; i < kMaxOpenArchives; ++i)
        if (state.archives[i] == nullptr) return i;
    return -1;
}

// A reference taken on an archive, given back unless it is kept: what is made after the
// reference was taken (the names of the match) may run out of memory.
class HeldReference {
public:
    explicit HeldReference(int slot) : slot_(slot) {}
    ~HeldReference() { ReleaseArchiveReference(slot_); }
    HeldReference(const HeldReference&) = delete;
    HeldReference& operator=(const HeldReference&) = delete;
    int Keep() { return std::exchange(slot_, -1); }

private:
    int slot_;
};

// Remembers the archive found last, so the next path under the same prefix skips the search.
// The texts are copied before the call, so the three fields change together or not at all.
void CacheMatch(std::string archivePath, std::string upperPrefix, int slot) {
    ArchiveFilesState& state = ArchiveFiles();
    state.cachedArchivePath = std::move(archivePath);
    state.cachedPrefix = std::move(upperPrefix);
    state.cachedSlot = slot;
}

// The archive for the full path, or -1; fills archivePath and innerPath on success.
int MapFullPath(const std::string& full, std::string* archivePath, std::string* innerPath) {
    ArchiveFilesState& state = ArchiveFiles();
    const std::string upper = UpperCaseAscii(full, GetTextCharSet());
    const size_t cached = state.cachedPrefix.size();
    if (cached > 0 && upper.size() > cached && upper[cached] == '/' &&
        upper.compare(0, cached, state.cachedPrefix) == 0) {
        const int slot = OpenArchiveInTable(state.cachedSlot, state.cachedArchivePath.c_str(), 0, 0);
        if (slot < 0) return -1;
        HeldReference held(slot);
        state.cachedSlot = slot;
        *archivePath = state.cachedArchivePath;
        *innerPath = full.substr(cached + 1);
        return held.Keep();
    }
    // Every directory prefix, shortest first; the last element (the file) is never tried.
    size_t start = full[0] == '/' ? 1 : 0;
    for (;;) {
        const size_t slash = full.find('/', start);
        if (slash == std::string::npos || slash == start) return -1;
        const std::string candidate = full.substr(0, slash) + "." + ArchiveExtension();
        const int slot = OpenArchiveInTable(-1, candidate.c_str(), 0, 0);
        if (slot >= 0) {
            HeldReference held(slot);
            CacheMatch(candidate, upper.substr(0, slash), slot);
            *archivePath = candidate;
            *innerPath = full.substr(slash + 1);
            return held.Keep();
        }
        start = slash + 1;
    }
}

bool CopyOut(const std::string& text, char* out, size_t capacity) {
    if (out == nullptr) return true;
    if (text.size() >= capacity) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

int NormalizeArchivePath(const char* path, char* out) {
    if (path == nullptr || out == nullptr) return -1;
    const std::string full =
        UpperCaseAscii(FullPathOf(path, CurrentDirectory()), GetTextCharSet());
    if (!CopyOut(full, out, kFilePathMax)) {
        out[0] = 0;
        return -1;
    }
    return 0;
}

int FindArchiveForPath(const char* path, int* archiveIndex, char* archivePath, char* innerPath) {
    if (path == nullptr || *path == 0) return -1;
    std::string archive;
    std::string inner;
    const int slot = MapFullPath(FullPathOf(path, CurrentDirectory()), &archive, &inner);
    if (slot < 0) return -1;
    if (!CopyOut(archive, archivePath, kArchivePathMax) || !CopyOut(inner, innerPath, kFilePathMax)) {
        AddLogFormat("パスが長すぎます：%s", path);
        ReleaseArchiveReference(slot);
        return -1;
    }
    if (archiveIndex) *archiveIndex = slot;
    return 0;
}

int OpenArchiveInTable(int hint, const char* path, int memoryFlag, int noWait) {
    ArchiveFilesState& state = ArchiveFiles();
    if (path == nullptr) return -1;
    if (hint >= 0 && hint < kMaxOpenArchives && state.archives[hint] != nullptr &&
        SameArchivePath(state.archives[hint]->path, path))
        return TakeReference(hint);
    for (int i = 0; i < kMaxOpenArchives; ++i)
        if (state.archives[i] != nullptr && SameArchivePath(state.archives[i]->path, path))
            return TakeReference(i);
    if (state.archiveCount >= kMaxOpenArchives) CloseUnusedArchives();
    const int slot = FreeArchiveSlot();
    if (slot < 0) return -1;

    const std::string file = ResolveArchiveCase(OpenedName(path));
    if (file.empty()) return -1;
    // The entry is complete before the archive is opened: nothing after the opening fails.
    TrackedOwner<ArchiveTableEntry> entry(ORVIK_TRACKED_NEW(ArchiveTableEntry));
    if (entry == nullptr) return -1;
    entry->path = path;
    const int opened =
        memoryFlag ? OpenArchiveFileToMemory(&entry->archive, file.c_str(), ArchiveKeyString(), noWait)
                   : OpenArchiveFileStreamed(&entry->archive, file.c_str(), ArchiveKeyString());
    if (opened != 0) return -1;
    entry->references = 1;
    state.archives[slot] = entry.release();
    ++state.archiveCount;
    return slot;
}

void ReleaseArchiveReference(int archiveIndex) {
    ArchiveFilesState& state = ArchiveFiles();
    if (archiveIndex < 0 || archiveIndex >= kMaxOpenArchives) return;
    ArchiveTableEntry* entry = state.archives[archiveIndex];
    if (entry != nullptr && entry->references > 0) --entry->references;
}

int CloseUnusedArchives() {
    ArchiveFilesState& state = ArchiveFiles();
    for (ArchiveTableEntry*& entry : state.archives) {
        if (entry == nullptr || entry->references >= 1) continue;
        CloseArchive(&entry->archive);
        TrackedDelete(entry);
        entry = nullptr;
        --state.archiveCount;
    }
    return 0;
}

int ReleaseUnusedArchives() { return CloseUnusedArchives(); }

int OpenArchiveCount() { return ArchiveFiles().archiveCount; }

const ArchiveTableEntry* ArchiveTableSlot(int index) {
    if (index < 0 || index >= kMaxOpenArchives) return nullptr;
    return ArchiveFiles().archives[index];
}

}  // namespace orvik
