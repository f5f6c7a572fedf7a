#include "engine/platform/files/temp_file.h"

#include <algorithm>

#include "engine/platform/files/full_path.h"

namespace orvik {

host::HFILE CreateTempFile(char* path) {
    char directory[260];
    char made[260];
    char full[260];
    if (host::GetTempPathA(sizeof directory, directory) == 0) return host::INVALID_FILE_HANDLE;
    if (host::GetTempFileNameA(directory, "tmp", 0, made) == 0) return host::INVALID_FILE_HANDLE;
    if (MakeFullPath(made, full, nullptr) != 0) {
        host::DeleteFileA(made);
        return host::INVALID_FILE_HANDLE;
    }
    // The name is reserved by the empty file just made; it is opened afresh as new, so a
    // file put there by someone else in between is refused rather than taken over.
    host::DeleteFileA(full);
    const host::HFILE file = host::CreateFileA(full, host::CREATE_NEW);
    if (path && file != host::INVALID_FILE_HANDLE) std::copy(full, full + sizeof full, path);
    return file;
}

}  // namespace orvik
