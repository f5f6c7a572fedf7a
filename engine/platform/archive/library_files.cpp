#include "engine/platform/archive/library_files.h"

#include "engine/platform/archive/archive_files.h"
#include "engine/platform/files/file_access.h"
#include "engine/platform/files/full_path.h"
#include "engine/platform/base/log.h"
#include "engine/platform/files/stream.h"

namespace orvik {

std::string InstallFileOperations() {
    SetFileAccessFunctions(nullptr);
    // The table now holds a built-in set, whose directory query is the system's current
    // directory; it is read here without the query's 260-byte buffer, so that a program
    // started deep in a directory tree still finds its way back at shutdown.
    std::string start = CurrentDirectoryPath();
    if (start.empty()) AddLogText("起動時のカレントディレクトリを取得できませんでした\n");
    return start;
}

void RestoreStartDirectory(const std::string& startDirectory) {
    if (startDirectory.empty()) return;
    ActiveFileAccessFunctions().setCurrentDir(startDirectory.c_str());
    // The archive-aware set answers 0 whatever happened, so the result is looked at.
    if (CurrentDirectoryPath() != startDirectory) {
        AddLogText("起動時のカレントディレクトリに戻れませんでした\n");
    }
}

void ReleaseArchivesNotInUse() { ReleaseUnusedArchives(); }
void BuildStreamTables() { InitStreamFunctions(); }

}  // namespace orvik
