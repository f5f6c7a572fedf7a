#include "engine/platform/temp_file.h"

namespace orvik {

host::HFILE CreateTempFile(char* path) {
    char directory[260];
    if (host::GetTempPathA(sizeof directory, directory) == 0) return host::INVALID_FILE_HANDLE;
    if (host::GetTempFileNameA(directory, "tmp", 0, path) == 0) return host::INVALID_FILE_HANDLE;
    return host::CreateFileA(path, host::CREATE_ALWAYS);
}

}  // namespace orvik
