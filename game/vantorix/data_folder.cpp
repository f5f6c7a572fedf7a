#include "data_folder.h"

#include <orvik/files.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "game_files.h"
#include "game_state.h"

namespace vantorix {
namespace {

namespace fs = std::filesystem;

// The folders the pictures, the sounds and the music are read from, each packed into an
// archive of its name beside them.
constexpr const char* kDataSets[] = {"Data01", "Data02", "Data03"};

// The engine finds an archive whatever the case of its name's letters; its directory
// search compares names the same way.
bool HoldsArchive(const std::string& name) {
    orvik::FileFindRecord entry{};
    const orvik::FileFindHandle find = orvik::FileAccessFindFirst(name.c_str(), &entry);
    if (find == -1) return false;
    bool file = !entry.directory;
    while (!file && orvik::FileAccessFindNext(find, &entry) == 0) file = !entry.directory;
    orvik::FileAccessFindClose(find);
    return file;
}

// The first file the game cannot play without that the current folder lacks: an archive,
// or the folder it stands for, or a stage file. "" when it holds them all. The names are
// looked for as the engine and the game open them, relative to the folder, so that its
// own name (which may hold a "\") and the length of its path play no part.
std::string MissingDataFile() {
    std::error_code error;
    for (const char* set : kDataSets) {
        const std::string archive = std::string(set) + "." + kArchiveExtension;
        if (!HoldsArchive(archive) && !fs::is_directory(set, error)) return archive;
    }
    for (int stage = 1; stage <= kStages; ++stage) {
        const std::string stageFile = StageFileName(stage);
        if (!fs::is_regular_file(stageFile, error)) return stageFile;
    }
    return "";
}

std::string CurrentFolder() {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    return error ? std::string(".") : current.string();
}

// Goes back to the folder that was current when it was made, wherever that lies, unless
// told to stay.
class ReturnToFolder {
public:
    ReturnToFolder() : fd_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~ReturnToFolder() {
        if (fd_ < 0) return;
        if (!stay_ && ::fchdir(fd_) != 0) std::perror("VANTORIX: going back to the starting folder");
        ::close(fd_);
    }
    ReturnToFolder(const ReturnToFolder&) = delete;
    ReturnToFolder& operator=(const ReturnToFolder&) = delete;
    void Stay() { stay_ = true; }

private:
    int fd_;
    bool stay_ = false;
};

// What the program's folder lacks, looked for from inside it, as the game will play there;
// the current folder stays as it was unless it holds everything. Why it cannot be entered
// when it cannot.
std::string MissingInProgramFolder(const std::string& programFolder) {
    ReturnToFolder start;
    std::error_code error;
    fs::current_path(programFolder, error);
    if (error) return "way in (" + error.message() + ")";
    const std::string missing = MissingDataFile();
    if (missing.empty()) start.Stay();
    return missing;
}

}  // namespace

int EnterDataFolder(const std::string& programFolder) {
    const std::string missingHere = MissingDataFile();
    if (missingHere.empty()) return 0;
    const std::string current = CurrentFolder();
    std::error_code error;
    if (programFolder.empty() || fs::equivalent(".", programFolder, error)) {
        std::fprintf(stderr, "VANTORIX: the game's data are missing: no %s in %s (the current folder%s)\n",
                     missingHere.c_str(), current.c_str(), programFolder.empty() ? "" : " and the program's");
        return -1;
    }
    const std::string missingThere = MissingInProgramFolder(programFolder);
    if (missingThere.empty()) return 0;
    std::fprintf(stderr,
                 "VANTORIX: the game's data are missing: no %s in %s (the current folder), "
                 "no %s in %s (the program's folder)\n",
                 missingHere.c_str(), current.c_str(), missingThere.c_str(), programFolder.c_str());
    return -1;
}

std::string ProgramFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

}  // namespace vantorix
