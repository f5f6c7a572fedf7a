// Current directory and directory search of the plain set.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/platform/base/charset.h"
#include "engine/platform/files/file_times.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/base/live_handles.h"
#include "engine/platform/base/log.h"
#include "engine/platform/files/name_pattern.h"
#include "engine/platform/files/open_directory.h"
#include "engine/platform/files/plain_file.h"
#include "engine/platform/base/tracked_object.h"

namespace orvik {
namespace {

// The names that matched, sorted so that a search lists them in a stable order.
struct PlainSearch {
    std::string directory;
    std::vector<std::string> names;
    size_t next = 0;
};

LiveHandles& Searches() {
    static LiveHandles searches;
    return searches;
}

void FillRecord(const PlainSearch& search, const std::string& name, FileFindRecord* record) {
    if (record == nullptr) return;
    *record = FileFindRecord{};
    std::strncpy(record->name, name.c_str(), sizeof(record->name) - 1);
    struct stat info {};
    if (stat((search.directory + "/" + name).c_str(), &info) != 0) return;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    record->directory = S_ISDIR(info.st_mode) ? 1 : 0;
    record->sizeLow = static_cast<uint32_t>(size);
    record->sizeHigh = static_cast<uint32_t>(size >> 32);
    // The file systems here keep no portable creation time: the last write stands in.
    LocalTimeFields(info.st_mtime, record->creationTime);
    LocalTimeFields(info.st_mtime, record->lastWriteTime);
}

PlainSearch* SearchFromHandle(FileFindHandle handle) {
    auto* search = reinterpret_cast<PlainSearch*>(handle);
    if (Searches().Contains(search)) return search;
    AddLogText("無効な検索ハンドルです\n");
    return nullptr;
}

}  // namespace

int PlainSetCurrentDir(const char* path) {
    if (path == nullptr) return 0;
    return chdir(ToSystemPath(path).c_str()) == 0 ? 1 : 0;
}

int PlainGetCurrentDir(char* buffer) {
    if (buffer == nullptr) return 0;
    return std::max(CopyCurrentDirectory(buffer, kFilePathMax), 0);
}

// The search path's last element is the pattern; names and pattern compare without regard
// to the case of a to z.
FileFindHandle PlainFindFirst(const char* path, FileFindRecord* record) {
    if (path == nullptr) return -1;
    const std::string full = ToSystemPath(path);
    const size_t slash = full.rfind('/');
    std::string directory = slash == std::string::npos ? "." : full.substr(0, slash);
    if (directory.empty()) directory.push_back('/');
    const int charSet = GetTextCharSet();
    const std::string pattern =
        UpperCaseAscii(slash == std::string::npos ? full : full.substr(slash + 1), charSet);

    OpenDirectory dir(opendir(directory.c_str()));
    if (dir == nullptr) return -1;
    TrackedOwner<PlainSearch> search(ORVIK_TRACKED_NEW(PlainSearch));
    if (search == nullptr) return -1;
    search->directory = directory;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string upper = UpperCaseAscii(entry->d_name, charSet);
        if (MatchFileNamePattern(upper.c_str(), pattern.c_str(), charSet) == 0)
            search->names.emplace_back(entry->d_name);
    }
    dir.reset();
    if (search->names.empty()) return -1;
    std::sort(search->names.begin(), search->names.end());
    FillRecord(*search, search->names[0], record);
    search->next = 1;
    Searches().Add(search.get());
    return reinterpret_cast<FileFindHandle>(search.release());
}

int PlainFindNext(FileFindHandle handle, FileFindRecord* record) {
    PlainSearch* search = SearchFromHandle(handle);
    if (search == nullptr || search->next >= search->names.size()) return -1;
    FillRecord(*search, search->names[search->next], record);
    ++search->next;
    return 0;
}

int PlainFindClose(FileFindHandle handle) {
    PlainSearch* search = SearchFromHandle(handle);
    if (search == nullptr) return -1;
    Searches().Remove(search);
    TrackedDelete(search);
    return 0;
}

}  // namespace orvik
