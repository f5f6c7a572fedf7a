// The VANTORIX program started as a player starts it: by its full path from another
// folder, with no data anywhere, and a second time while a first copy runs.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host/win/system/instance_lock.h"

namespace vantorix_test {
namespace {

namespace fs = std::filesystem;

const fs::path kProgram = fs::path(GAME_DATA_DIR) / "VANTORIX";

struct Finished {
    std::string said;  // on standard error
    int status = -1;   // the exit status; -1 when it did not exit
};

// Runs the program headless from the folder; a minute bounds a program that does not end.
Finished RunFrom(const fs::path& folder, const fs::path& program, const std::string& environment = "") {
    const std::string command = "cd '" + folder.string() + "' && ORVIK_HOST=headless " + environment +
                                " timeout 60 '" + program.string() + "' 2>&1 >/dev/null";
    Finished run;
    FILE* out = ::popen(command.c_str(), "r");
    if (out == nullptr) return run;
    char chunk[256];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, out)) > 0;) run.said.append(chunk, n);
    const int status = ::pclose(out);
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

class ProgramStartTest : public ::testing::Test {
protected:
    ~ProgramStartTest() override {
        host::SetRuntimeDirectory("");
        fs::remove_all(root_);
    }

    // Beside the build's own folders, so that the program can be linked rather than copied.
    const fs::path root_ = [] {
        char pattern[] = "vantorix_start_XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return fs::absolute(made ? made : ".");
    }();
};

TEST_F(ProgramStartTest, WithNoDataAnywhereItSaysWhatIsMissingAndFails) {
    const fs::path lone = root_ / "lone";
    fs::create_directory(lone);
    std::error_code error;
    fs::create_hard_link(kProgram, lone / "VANTORIX", error);
    if (error) fs::copy_file(kProgram, lone / "VANTORIX");
    const Finished run = RunFrom(root_, lone / "VANTORIX");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.said.begin(), run.said.end(), '\n'), 1) << run.said;
    EXPECT_NE(run.said.find("no Data01.dat in " + root_.string()), std::string::npos) << run.said;
    EXPECT_NE(run.said.find(lone.string()), std::string::npos) << run.said;
}

// Started by its full path from a folder without data, the program goes on to the engine,
// which finds the first copy's lock.
TEST_F(ProgramStartTest, ASecondCopySaysSoInOneLineAndIsRefused) {
    host::SetRuntimeDirectory(root_.string());
    const auto firstCopy = host::InstanceLock::Acquire("VANTORIX");
    ASSERT_NE(firstCopy, nullptr);
    const Finished run = RunFrom(root_, kProgram, "ORVIK_RUNTIME_DIR='" + root_.string() + "'");
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.said, "VANTORIX: another copy is already running\n");
}

}  // namespace
}  // namespace vantorix_test
