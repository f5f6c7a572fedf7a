#include "data_folder.h"

#include <orvik/files.h>

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
bool HoldsArchive(const std::string& folder, const std::string& name) {
    orvik::FileFindRecord entry{};
    const orvik::FileFindHandle find = orvik::FileAccessFindFirst((folder + "/" + name).c_str(), &entry);
    if (find == -1) return false;
    bool file = !entry.directory;
    while (!file && orvik::FileAccessFindNext(find, &entry) == 0) file = !entry.directory;
    orvik::FileAccessFindClose(find);
    return file;
}

bool HoldsFile(const fs::path& folder, const std::string& name) {
    std::error_code error;
    return fs::is_regular_file(folder / name, error);
}

std::string CurrentFolder() {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    return error ? std::string(".") : current.string();
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// The first file the game cannot play without that the folder lacks: an archive, or the
// folder it stands for, or a stage file. "" when the folder holds them all.
std::string MissingDataFile(const std::string& folder) {
    for (const char* set : kDataSets) {
        const std::string archive = std::string(set) + "." + kArchiveExtension;
        std::error_code error;
        if (!HoldsArchive(folder, archive) && !fs::is_directory(fs::path(folder) / set, error)) return archive;
    }
    for (int stage = 1; stage <= kStages; ++stage) {
        const std::string stageFile = StageFileName(stage);
        if (!HoldsFile(folder, stageFile)) return stageFile;
    }
    return "";
}

void SayWhatIsMissing(const std::string& current, const std::string& program) {
    const std::string here = MissingDataFile(current);
    if (program.empty() || SameFolder(current, program)) {
        std::fprintf(stderr, "VANTORIX: the game's data are missing: no %s in %s (the current folder%s)\n",
                     here.c_str(), current.c_str(), program.empty() ? "" : " and the program's");
        return;
    }
    std::fprintf(stderr,
                 "VANTORIX: the game's data are missing: no %s in %s (the current folder), "
                 "no %s in %s (the program's folder)\n",
                 here.c_str(), current.c_str(), MissingDataFile(program).c_str(), program.c_str());
}

}  // namespace

int EnterDataFolder(const std::string& programFolder) {
    const std::string current = CurrentFolder();
    if (MissingDataFile(current).empty()) return 0;
    std::error_code error;
    if (!programFolder.empty() && MissingDataFile(programFolder).empty()) {
        fs::current_path(programFolder, error);
        if (!error) return 0;
        std::fprintf(stderr, "VANTORIX: cannot enter %s, where the game's data are: %s\n", programFolder.c_str(),
                     error.message().c_str());
        return -1;
    }
    SayWhatIsMissing(current, programFolder);
    return -1;
}

std::string ProgramFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

}  // namespace vantorix
