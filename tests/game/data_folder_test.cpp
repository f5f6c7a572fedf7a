// Where the game plays from: the current folder when its data are there, else the folder
// the program lies in; when neither holds them, one line says what is missing where.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>

#include "../support/deep_directory.h"
#include "game/vantorix/data_folder.h"

namespace vantorix_test {
namespace {

namespace fs = std::filesystem;

// Archives in either case of their letters, or the folder one stands for, and the stages.
constexpr std::initializer_list<const char*> kWholeData = {
    "Data01.dat",      "DATA02.DAT",      "Data03/",         "save_data01.dat", "save_data02.dat",
    "save_data03.dat", "save_data04.dat", "save_data05.dat", "save_data06.dat"};

class DataFolderTest : public ::testing::Test {
protected:
    ~DataFolderTest() override {
        fs::current_path(start_);
        fs::remove_all(root_);
    }
    // A folder holding the files named (a name ending in "/" is a folder); its full path.
    std::string Folder(const std::string& name, std::initializer_list<const char*> files) const {
        const fs::path folder = root_ / name;
        fs::create_directory(folder);
        for (std::string file : files) {
            if (file.back() == '/') fs::create_directory(folder / file);
            else std::ofstream(folder / file) << "x";
        }
        return folder.string();
    }

    const fs::path start_ = fs::current_path();
    const fs::path root_ = MakeRoot();

private:
    static fs::path MakeRoot() {
        char pattern[] = "/tmp/vantorix_folders_XXXXXX";
        const char* made = ::mkdtemp(pattern);
        return fs::canonical(made ? made : "/tmp");
    }
};

TEST_F(DataFolderTest, TheProgramsFolderServesWhenTheCurrentOneLacksTheData) {
    const std::string program = Folder("program", kWholeData);
    fs::current_path(Folder("elsewhere", {"Data01.dat", "Data02.dat", "Data03.dat"}));
    EXPECT_EQ(vantorix::EnterDataFolder(program), 0);
    EXPECT_EQ(fs::current_path(), program);

    // A current folder that holds them is kept.
    const std::string here = Folder("here", kWholeData);
    fs::current_path(here);
    EXPECT_EQ(vantorix::EnterDataFolder(program), 0);
    EXPECT_EQ(fs::current_path(), here);
}

TEST_F(DataFolderTest, WithTheDataInNeitherOneLineNamesWhatIsMissingWhere) {
    const std::string empty = Folder("empty", {});
    const std::string partial = Folder("partial", {"Data01.dat", "Data02.dat", "Data03.dat", "save_data01.dat"});
    fs::current_path(empty);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(vantorix::EnterDataFolder(partial), -1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("no Data01.dat in " + empty), std::string::npos) << said;
    EXPECT_NE(said.find("no save_data02.dat in " + partial), std::string::npos) << said;
    EXPECT_EQ(fs::current_path(), empty);
}

// The data are looked for inside the folder by the names the game opens them with, so its
// own name (a "\\" is no separator here) and the length of its path play no part.
TEST_F(DataFolderTest, AFolderNamedWithABackslashOrDeeperThanAPathHoldsIsAccepted) {
    const std::string program = Folder("back\\slash", kWholeData);
    fs::current_path(Folder("elsewhere", {}));
    EXPECT_EQ(vantorix::EnterDataFolder(program), 0);
    EXPECT_EQ(fs::current_path(), program);

    fs::current_path(root_);
    const orvik_test::DeepCurrentDirectory deep(24);
    ASSERT_GT(fs::current_path().string().size(), 4096u);
    for (std::string file : kWholeData) {
        if (file.back() == '/') fs::create_directory(file);
        else std::ofstream(file) << "x";
    }
    EXPECT_EQ(vantorix::EnterDataFolder(""), 0);
}

}  // namespace
}  // namespace vantorix_test
