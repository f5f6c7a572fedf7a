// The input method through the main window: switched on and off with the fields, its
// composition and result strings, its candidate list, and its reopening when the window
// comes back to the front.
#include <cstring>

#include "engine/platform/input/ime.h"
#include "host/win/system/imm.h"
#include "host/win/system/system_services.h"
#include "host/win/window/window.h"
#include "text_input_fixture.h"

namespace orvik_test {
namespace {

using IMETest = TextInputTest;

// The candidates held by the engine, read out of the stored list.
std::vector<std::string> StoredCandidates() {
    const auto& ime = orvik::IME();
    std::vector<std::string> out;
    if (!ime.candidates) return out;
    const auto* list = static_cast<const host::CANDIDATELIST*>(ime.candidates);
    const auto* base = static_cast<const char*>(ime.candidates);
    for (uint32_t i = 0; i < list->dwCount; ++i) out.emplace_back(base + list->dwOffset[i]);
    return out;
}

TEST_F(IMETest, FieldsForTwoByteTextSwitchTheInputMethodOnAndTheLastDeletionOff) {
    EXPECT_FALSE(host::IsImeEnabled());  // off for the main window from its creation
    int digits = Field(4, 0, 0, 1);
    EXPECT_FALSE(host::IsImeEnabled());
    int text = Field(8);
    EXPECT_TRUE(host::IsImeEnabled());
    host::ImeShowCandidates(MainWindow(), {"一"}, 0);
    ASSERT_NE(orvik::IME().candidates, nullptr);
    EXPECT_EQ(orvik::DeleteKeyInput(text), 0);
    EXPECT_TRUE(host::IsImeEnabled());  // a field is left
    EXPECT_EQ(orvik::DeleteKeyInput(digits), 0);
    EXPECT_FALSE(host::IsImeEnabled());
    EXPECT_EQ(orvik::IME().candidates, nullptr);
    EXPECT_EQ(orvik::IME().candidateSize, 0);
}

TEST_F(IMETest, CompositionIsFollowedAndTheResultIsTypedWhole) {
    int f = Field(16);
    host::ImeCompose(MainWindow(), "かんじ", 4);
    const orvik::IMEState& ime = orvik::IME();
    EXPECT_EQ(ime.composing, 1);
    EXPECT_STREQ(ime.composition, "かんじ");
    EXPECT_EQ(ime.cursorChars, 2);  // byte 4 is after two characters
    EXPECT_EQ(ime.clauseCount, 2);
    EXPECT_EQ(ime.clauses[1], 6u);
    EXPECT_EQ(ime.attributeCount, 6);
    // Three two-byte characters enter the buffer as six bytes.
    host::ImeCommit(MainWindow(), "漢字だ");
    EXPECT_EQ(ime.composing, 0);
    EXPECT_STREQ(ime.composition, "");
    EXPECT_EQ(PopAll(), "漢字だ");
    host::ImeCommit(MainWindow(), "日本");
    orvik::PumpMessages();
    EXPECT_EQ(Text(f), "日本");
    EXPECT_EQ(host::ImeContextsHeld(), 0);
}

TEST_F(IMETest, CompositionLongerThanItsBufferIsCutAndStaysEnded) {
    Field(16);
    host::ImeCompose(MainWindow(), std::string(1500, 'k'), 1500);
    EXPECT_EQ(std::strlen(orvik::IME().composition), size_t(orvik::kCompositionSize - 1));
    EXPECT_EQ(orvik::IME().cursorChars, orvik::kCompositionSize - 1);
}

TEST_F(IMETest, CandidateListIsStoredChangedAndFreed) {
    Field(16);
    host::ImeShowCandidates(MainWindow(), {"漢字", "感じ", "幹事"}, 1);
    EXPECT_EQ(StoredCandidates(), (std::vector<std::string>{"漢字", "感じ", "幹事"}));
    EXPECT_EQ(static_cast<const host::CANDIDATELIST*>(orvik::IME().candidates)->dwSelection, 1u);
    host::ImeShowCandidates(MainWindow(), {"幹事"}, 0);
    EXPECT_EQ(StoredCandidates(), std::vector<std::string>{"幹事"});
    host::ImeCloseCandidates(MainWindow());
    EXPECT_EQ(orvik::IME().candidates, nullptr);

    host::SetImeCandidateReadFails(true);
    host::ImeShowCandidates(MainWindow(), {"漢字"}, 0);
    EXPECT_EQ(orvik::IME().candidates, nullptr);
    EXPECT_EQ(orvik::IME().candidateSize, 0);
    EXPECT_NE(Log().find("漢字変換候補の取得に失敗しました  BufSize:"), std::string::npos);
    // A notice without a list to read only logs.
    host::SendMessageA(MainWindow(), host::WM_IME_NOTIFY, host::IMN_SETCANDIDATEPOS, 0);
    EXPECT_EQ(orvik::IME().candidates, nullptr);
    EXPECT_EQ(host::ImeContextsHeld(), 0);
}

TEST_F(IMETest, ComingBackToTheFrontReopensTheInputMethodWithItsComposition) {
    Field(16);
    host::ImeCompose(MainWindow(), "にほ", 4);
    EXPECT_EQ(orvik::IME().open, 1);  // the open notice was followed
    host::SetApplicationFocus(false);
    host::SetApplicationFocus(true);
    EXPECT_EQ(orvik::IME().reopenStep, 1);
    int sets = host::ImeOpenStatusSets();
    orvik::PumpMessages();
    EXPECT_EQ(orvik::IME().reopenStep, 0);
    EXPECT_EQ(host::ImeOpenStatusSets() - sets, 3);  // closed, opened, opened
    EXPECT_TRUE(host::ImeComposing());
    EXPECT_STREQ(orvik::IME().composition, "にほ");
    EXPECT_STREQ(orvik::IME().saved, "にほ");
    EXPECT_EQ(host::ImeContextsHeld(), 0);
}

TEST_F(IMETest, ClosedInputMethodIsNotReopened) {
    Field(16);
    host::SetApplicationFocus(false);
    host::SetApplicationFocus(true);
    EXPECT_EQ(orvik::IME().reopenStep, 0);
    int sets = host::ImeOpenStatusSets();
    orvik::PumpMessages();
    EXPECT_EQ(host::ImeOpenStatusSets(), sets);
}

}  // namespace
}  // namespace orvik_test
