#include "engine/platform/library_files.h"

#include "engine/platform/archive_files.h"
#include "engine/platform/file_access.h"
#include "engine/platform/stream.h"

namespace orvik {

void InstallFileOperations(char* startDirectory) {
    SetFileAccessFunctions(nullptr);
    if (ActiveFileAccessFunctions().getCurrentDir(startDirectory) != 0) startDirectory[0] = '\0';
}

void RestoreStartDirectory(const char* startDirectory) {
    if (startDirectory[0]) ActiveFileAccessFunctions().setCurrentDir(startDirectory);
}

void ReleaseArchivesNotInUse() { ReleaseUnusedArchives(); }
void BuildStreamTables() { InitStreamFunctions(); }

}  // namespace orvik
