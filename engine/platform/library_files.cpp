#include "engine/platform/library_files.h"

#include "engine/platform/archive_files.h"
#include "engine/platform/file_access.h"
#include "engine/platform/stream.h"

namespace orvik {

void InstallFileOperations(char* startDirectory) {
    SetFileAccessFunctions(nullptr);
    // The two sets answer differently (the plain one gives the length, the archive-aware
    // one 0); both leave the buffer empty when the directory cannot be read.
    startDirectory[0] = '\0';
    ActiveFileAccessFunctions().getCurrentDir(startDirectory);
}

void RestoreStartDirectory(const char* startDirectory) {
    if (startDirectory[0]) ActiveFileAccessFunctions().setCurrentDir(startDirectory);
}

void ReleaseArchivesNotInUse() { ReleaseUnusedArchives(); }
void BuildStreamTables() { InitStreamFunctions(); }

}  // namespace orvik
