// The stage, options and ranking files: exact bytes written, values read back and checked,
// short and missing files, and saves that fail without harming the old file.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <random>

#include "game/vantorix/game_files.h"
#include "game/vantorix/input_map.h"
#include "game/vantorix/ranking.h"
#include "game_fixture.h"

namespace vantorix_test {
namespace {

using vantorix::Game;

Bytes RankingFile(std::initializer_list<int32_t> scores, int32_t flag = 1) {
    Bytes bytes(54, 0);
    PutInt(bytes, 4, flag);
    int i = 0;
    for (int32_t s : scores) PutInt(bytes, 14 + 4 * i++, s);
    return bytes;
}

class RankingTest : public GameFilesTest {
protected:
    void SetUp() override {
        Write("save_data99.dat", RankingFile({900, 800, 700, 600, 500, 400, 300, 200, 100, 0}));
        ASSERT_EQ(vantorix::LoadRanking(), 0);
    }
};

TEST_F(RankingTest, ScoreGoesBelowAnEqualOneAndTheTenthDropsOut) {
    EXPECT_EQ(vantorix::InsertScore(800), 3);
    const int32_t expected[10] = {900, 800, 800, 700, 600, 500, 400, 300, 200, 100};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Game().ranking[i], expected[i]) << i;
    Bytes saved = Read("save_data99.dat");
    ASSERT_EQ(saved.size(), 54u);
    EXPECT_EQ(GetInt(saved, 4), 1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(GetInt(saved, 14 + 4 * i), expected[i]);
}

TEST_F(RankingTest, ScoreEqualToTheTenthTakesNoPlaceButTheFileIsRewritten) {
    Write("save_data99.dat", RankingFile({900, 800, 700, 600, 500, 400, 300, 200, 100, 0}, 7));
    EXPECT_EQ(vantorix::InsertScore(0), 0);
    EXPECT_EQ(Game().ranking[9], 0);
    EXPECT_EQ(Game().ranking[8], 100);
    EXPECT_EQ(GetInt(Read("save_data99.dat"), 4), 1);  // the save wrote its own flag
    EXPECT_EQ(vantorix::InsertScore(1000), 1);
    EXPECT_EQ(Game().ranking[0], 1000);
    EXPECT_EQ(Game().ranking[9], 100);
}

TEST_F(GameFilesTest, RankingFlagZeroShortAndMissingFilesAndAMissingOneIsMadeBySaving) {
    Write("save_data99.dat", RankingFile({5, 4, 3}, 0));
    Game().ranking[0] = 77;
    EXPECT_EQ(vantorix::LoadRanking(), 1);
    EXPECT_EQ(Game().ranking[0], 0);

    // A file cut short is invalid as a whole: nothing of it is taken.
    Bytes shortFile = RankingFile({5, 4, 3});
    shortFile.resize(53);
    Write("save_data99.dat", shortFile);
    Game().ranking[0] = 77;
    EXPECT_EQ(vantorix::LoadRanking(), 1);
    EXPECT_EQ(Game().ranking[0], 77);
    EXPECT_NE(Log().find("too short"), std::string::npos);

    // Scores outside what nine digits show are not taken either (and the rest is sorted).
    Write("save_data99.dat", RankingFile({-5, 1000000000, 3}));
    EXPECT_EQ(vantorix::LoadRanking(), 0);
    EXPECT_EQ(Game().ranking[0], 3);
    EXPECT_EQ(Game().ranking[1], 0);
    EXPECT_EQ(Game().ranking[2], 0);

    // A missing file is made by the next save, so scores are kept from then on.
    std::remove(PathOf("save_data99.dat").c_str());
    EXPECT_EQ(vantorix::LoadRanking(), 1);
    EXPECT_EQ(vantorix::SaveRanking(), 0);
    const Bytes made = Read("save_data99.dat");
    ASSERT_EQ(made.size(), 54u);
    EXPECT_EQ(GetInt(made, 4), 1);
    EXPECT_EQ(GetInt(made, 14), 3);
    EXPECT_FALSE(std::ifstream(PathOf("save_data99.dat.new")).good()) << "made through a temporary file";
    EXPECT_NE(Log().find("was missing and has been made"), std::string::npos);
}

TEST_F(GameFilesTest, UnsortedRankingLoadsSortedAndANewScoreLandsInItsPlace) {
    std::mt19937 random(23);
    for (int round = 0; round < 20; ++round) {
        std::vector<int32_t> scores(10);
        for (int32_t& v : scores) v = int32_t(random() % 1000000);
        Bytes file = RankingFile({});
        for (int i = 0; i < 10; ++i) PutInt(file, 14 + 4 * i, scores[size_t(i)]);
        Write("save_data99.dat", file);
        ASSERT_EQ(vantorix::LoadRanking(), 0);
        std::sort(scores.begin(), scores.end(), std::greater<>());
        EXPECT_TRUE(std::equal(scores.begin(), scores.end(), Game().ranking)) << "round " << round;
        const int32_t score = int32_t(random() % 1000000);
        const int place = 1 + int(std::count_if(scores.begin(), scores.end(), [&](int32_t v) { return v >= score; }));
        EXPECT_EQ(vantorix::InsertScore(score), place > 10 ? 0 : place) << "round " << round;
        if (place <= 10) { EXPECT_EQ(Game().ranking[place - 1], score); }
        EXPECT_TRUE(std::is_sorted(Game().ranking, Game().ranking + 10, std::greater<>())) << "round " << round;
    }
}

TEST_F(GameFilesTest, AMissingOptionsFileIsMadeBySavingAndReadBack) {
    Game().options = {vantorix::kBarrierTrigger, vantorix::kBladeAutoHalf};
    ASSERT_EQ(vantorix::SaveOptions(), 0);
    EXPECT_EQ(Read("save_data.dat").size(), 102u);
    Game().options = {};
    EXPECT_EQ(vantorix::LoadOptions(), 0);
    EXPECT_EQ(Game().options.barrierType, vantorix::kBarrierTrigger);
    EXPECT_EQ(Game().options.bladeAuto, vantorix::kBladeAutoHalf);
    EXPECT_EQ(vantorix::LoadKeyConfig(), 1) << "no keys saved yet: the defaults";
    EXPECT_EQ(Game().input.padButton[0], 5);
}

TEST_F(GameFilesTest, ASaveIntoAReadOnlyFolderSaysSoOnStandardErrorEachTime) {
    const std::string folder = PathOf("locked");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    Game().fileDirectory = folder;
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    // Permissions do not bind root: there the temporary files' places are taken instead,
    // by folders that are not empty, so that nothing can clear them away.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
        for (const char* name : {"/save_data99.dat.new", "/save_data.dat.new"}) {
            ASSERT_EQ(::mkdir((folder + name).c_str(), 0700), 0);
            std::ofstream(folder + name + "/in_the_way") << "x";
        }
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(vantorix::SaveRanking(), -1);
        EXPECT_EQ(vantorix::SaveOptions(), -1);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("save_data99.dat was not saved"), std::string::npos) << said;
        EXPECT_NE(said.find("save_data.dat was not saved"), std::string::npos) << said;
    }
    EXPECT_FALSE(std::ifstream(folder + "/save_data99.dat").good());
    ::chmod(folder.c_str(), 0700);
}

TEST_F(GameFilesTest, FailedSaveKeepsTheOldRankingWhole) {
    Bytes original = RankingFile({9, 8, 7});
    Write("save_data99.dat", original);
    // The replacement cannot be written: a directory stands where it would go.
    ASSERT_EQ(::mkdir(PathOf("save_data99.dat.new").c_str(), 0700), 0);
    Game().ranking[0] = 12345;
    EXPECT_EQ(vantorix::SaveRanking(), -1);
    EXPECT_EQ(Read("save_data99.dat"), original);
    EXPECT_NE(Log().find("was not saved"), std::string::npos);
}

TEST_F(GameFilesTest, AFailedSaveNamesTheFileAndTheSystemsReason) {
    ASSERT_EQ(::mkdir(PathOf("save_data.dat.new").c_str(), 0700), 0);  // where the copy goes
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(vantorix::SaveOptions(), -1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(PathOf("save_data.dat") + " was not saved"), std::string::npos) << said;
    EXPECT_NE(said.find(std::strerror(EISDIR)), std::string::npos) << said;
}

// Keys saved into a cut or old options file must be there at the next title screen.
TEST_F(GameFilesTest, KeysSavedIntoAShortOptionsFileAreReadBack) {
    Write("save_data.dat", Bytes(20, 0));
    const int32_t pads[4] = {9, 5, 6, 7};
    std::copy(pads, pads + 4, Game().input.padButton);
    ASSERT_EQ(vantorix::SaveKeyConfig(), 0);
    EXPECT_EQ(Read("save_data.dat").size(), 102u);
    vantorix::InitInput();
    EXPECT_EQ(vantorix::LoadKeyConfig(), 0);
    for (int b = 0; b < 4; ++b) EXPECT_EQ(Game().input.padButton[b], pads[b]);
}

// A player who keeps the scores elsewhere and links them into the game folder (so that a
// rebuild cannot take them) must find the linked file saved, and the link still a link;
// a file kept private stays private.
TEST_F(GameFilesTest, SaveGoesThroughALinkAndKeepsTheFilesPermissions) {
    const std::string kept = PathOf("kept");
    ASSERT_EQ(::mkdir(kept.c_str(), 0700), 0);
    const std::string target = kept + "/scores.dat";
    Write("kept/scores.dat", RankingFile({9, 8, 7}));
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(target.c_str(), PathOf("save_data99.dat").c_str()), 0);
    Write("save_data.dat", Bytes(102, 0));
    ASSERT_EQ(::chmod(PathOf("save_data.dat").c_str(), 0640), 0);

    ASSERT_EQ(vantorix::LoadRanking(), 0);
    EXPECT_EQ(vantorix::InsertScore(8), 3);
    EXPECT_EQ(vantorix::SaveOptions(), 0);

    struct stat link = {};
    ASSERT_EQ(::lstat(PathOf("save_data99.dat").c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link was replaced by a file of its own";
    EXPECT_EQ(Read("kept/scores.dat"), RankingFile({9, 8, 8, 7}));
    struct stat mode = {};
    ASSERT_EQ(::stat(target.c_str(), &mode), 0);
    EXPECT_EQ(mode.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat(PathOf("save_data.dat").c_str(), &mode), 0);
    EXPECT_EQ(mode.st_mode & 07777, 0640u);
    EXPECT_EQ(GetInt(Read("save_data.dat"), 90), 1);
}

Bytes PatternedConfig() {
    Bytes bytes(120);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(0xA0 + i % 7);
    return bytes;
}

TEST_F(GameFilesTest, SavingOptionsAndKeysTouchesOnlyTheirOffsets) {
    Bytes before = PatternedConfig();
    Write("save_data.dat", before);
    Game().options = {vantorix::kBarrierTrigger, vantorix::kBladeAutoFull};
    ASSERT_EQ(vantorix::SaveOptions(), 0);
    Bytes after = Read("save_data.dat");
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        if (i < 90 || i > 101) {
            EXPECT_EQ(after[i], before[i]) << i;
        }
    }
    EXPECT_EQ(GetInt(after, 90), 1);
    EXPECT_EQ(GetInt(after, 94), 1);
    EXPECT_EQ(GetInt(after, 98), 2);

    before = after;
    const int32_t pads[4] = {20, 9, 5, 12};
    std::copy(pads, pads + 4, Game().input.padButton);
    ASSERT_EQ(vantorix::SaveKeyConfig(), 0);
    after = Read("save_data.dat");
    for (size_t i = 0; i < after.size(); ++i) {
        bool written = (i >= 4 && i <= 7) || (i >= 14 && i <= 29);
        if (!written) {
            EXPECT_EQ(after[i], before[i]) << i;
        }
    }
    EXPECT_EQ(GetInt(after, 4), 1);
    for (int b = 0; b < 4; ++b) EXPECT_EQ(GetInt(after, 14 + 4 * b), pads[b]);

    vantorix::InitInput();
    Game().options = {};
    EXPECT_EQ(vantorix::LoadKeyConfig(), 0);
    EXPECT_EQ(vantorix::LoadOptions(), 0);
    for (int b = 0; b < 4; ++b) EXPECT_EQ(Game().input.padButton[b], pads[b]);
    EXPECT_EQ(Game().options.barrierType, 1);
    EXPECT_EQ(Game().options.bladeAuto, 2);
}

TEST_F(GameFilesTest, OutOfRangeOptionsFallBackToTheirDefaults) {
    Bytes bytes(102, 0);
    PutInt(bytes, 4, 1);
    PutInt(bytes, 14, 0);   // would read as held for ever
    PutInt(bytes, 18, 21);
    PutInt(bytes, 22, -3);
    PutInt(bytes, 26, 20);
    PutInt(bytes, 90, 1);
    PutInt(bytes, 94, 2);
    PutInt(bytes, 98, -1);
    Write("save_data.dat", bytes);
    EXPECT_EQ(vantorix::LoadKeyConfig(), 0);
    EXPECT_EQ(vantorix::LoadOptions(), 0);
    const int32_t expected[4] = {5, 6, 7, 20};
    for (int b = 0; b < 4; ++b) EXPECT_EQ(Game().input.padButton[b], expected[b]);
    EXPECT_EQ(Game().options.barrierType, 0);
    EXPECT_EQ(Game().options.bladeAuto, 0);
    EXPECT_NE(Log().find("pad button number 0 is out of range"), std::string::npos);

    PutInt(bytes, 4, 0);
    PutInt(bytes, 90, 0);
    Write("save_data.dat", bytes);
    EXPECT_EQ(vantorix::LoadKeyConfig(), 1);
    EXPECT_EQ(vantorix::LoadOptions(), 1);

    bytes.resize(101);  // the blade value is cut off
    PutInt(bytes, 4, 1);
    Write("save_data.dat", bytes);
    Game().input.padButton[0] = 9;
    EXPECT_EQ(vantorix::LoadKeyConfig(), -1);
    EXPECT_EQ(Game().input.padButton[0], 5);
}

TEST_F(GameFilesTest, StageFileOfExactSizeLoadsAndAShortOneRepeatsItsLastValue) {
    Bytes stage = StageFile(4, [](int c, int r) { return (c * 7 + r) % 400; });
    PutInt(stage, 1001 + 4 * 199, 9);
    ASSERT_EQ(stage.size(), 77201u);
    Write("save_data02.dat", stage);
    ASSERT_EQ(vantorix::LoadStageData(2), 0);
    const vantorix::StageMap& map = Game().stageMap;
    EXPECT_EQ(map.speedCode[0], 4);
    EXPECT_EQ(map.speedCode[199], 9);
    EXPECT_EQ(map.tile[3][10], 31);
    EXPECT_EQ(map.tile[11][1399], (77 + 1399) % 400 > 360 ? 0 : (77 + 1399) % 400);
    EXPECT_EQ(map.tile[0][361], 0);  // 361 names no tile: empty
    EXPECT_EQ(map.tile[0][360], 360);

    // Cut inside the value of row 5, column 4: the value before it (row 5, column 3, tile
    // 26) fills every later entry, the partly read one too.
    Bytes cut = stage;
    cut.resize(10001 + 4 * (12 * 5 + 4) + 2);
    Write("save_data03.dat", cut);
    ASSERT_EQ(vantorix::LoadStageData(3), 0);
    EXPECT_EQ(map.tile[2][5], 19);
    EXPECT_EQ(map.tile[3][5], 26);
    EXPECT_EQ(map.tile[4][5], 26);
    EXPECT_EQ(map.tile[0][6], 26);
    EXPECT_EQ(map.tile[11][1399], 26);
    EXPECT_EQ(map.speedCode[199], 9);
    EXPECT_NE(Log().find("its last value repeats"), std::string::npos);

    // Cut among the speed codes: the last code read becomes every later code and tile.
    cut.resize(1001 + 4 * 50);
    Write("save_data04.dat", cut);
    ASSERT_EQ(vantorix::LoadStageData(4), 0);
    EXPECT_EQ(map.speedCode[49], 4);
    EXPECT_EQ(map.speedCode[199], 4);
    EXPECT_EQ(map.tile[7][700], 4);

    std::remove(PathOf("save_data05.dat").c_str());
    EXPECT_EQ(vantorix::LoadStageData(5), -1);
    EXPECT_EQ(map.tile[7][700], 4);  // a missing file leaves the previous map
    EXPECT_EQ(vantorix::LoadStageData(0), -1);
    EXPECT_EQ(vantorix::LoadStageData(7), -1);
}

}  // namespace
}  // namespace vantorix_test
