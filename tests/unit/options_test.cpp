// The toggle rule and the option keys, from the records' start-up defaults.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/keys.h"
#include "records/state.h"
#include "render/camera.h"

namespace {
void setByte(bool& option, unsigned char value) {
  std::memcpy(&option, &value, 1);
}
unsigned char byteOf(const bool& option) {
  unsigned char value;
  std::memcpy(&value, &option, 1);
  return value;
}
}  // namespace

TEST(Toggle, PressingTwiceReturnsToTheStartAndAStrayByteReturnsTo1) {
  bool option = true;
  toggleOption(option);
  EXPECT_FALSE(option);
  toggleOption(option);
  EXPECT_TRUE(option);
  setByte(option, 7);
  toggleOption(option);
  EXPECT_EQ(byteOf(option), 1);
  setByte(option, 0);
  toggleOption(option);
  EXPECT_EQ(byteOf(option), 1);
}

class OptionKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    clockSettings = ClockSettings();
    clockState = ClockState();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(OptionKeys, DigitsSetTheTextSize) {
  for (unsigned key = '1'; key <= '9'; ++key) {
    handleKeyUp(key);
    EXPECT_EQ(clockSettings.textScale, static_cast<float>(key - '0'));
  }
  handleKeyUp('4');
  EXPECT_EQ(clockSettings.textScale, 4.0f) << "4 restores the default exactly";
}

TEST_F(OptionKeys, LettersToggleTheirOneOption) {
  const struct {
    unsigned key;
    bool* option;
    bool initial;
  } letters[] = {
      {'A', &clockSettings.showDanceLine, true}, {'D', &clockState.autoSpin, false},
      {'I', &clockState.showDigitalTime, false}, {'R', &clockState.romanNumerals, false},
      {'S', &clockState.specularOn, false},      {'T', &clockSettings.showNumerals, true}};
  for (const auto& letter : letters) {
    const ClockSettings settingsBefore = clockSettings;
    handleKeyUp(letter.key);
    for (const auto& other : letters)
      EXPECT_EQ(*other.option, other.option == letter.option ? !other.initial : other.initial)
          << "key " << static_cast<char>(letter.key) << ", option of key "
          << static_cast<char>(other.key);
    handleKeyUp(letter.key);
    EXPECT_EQ(*letter.option, letter.initial) << "key " << static_cast<char>(letter.key);
    EXPECT_EQ(clockSettings.textScale, settingsBefore.textScale);
  }
}

TEST_F(OptionKeys, CReturnsTheViewToTheStartButLeavesTheOptions) {
  const auto view = [] {
    const ClockState& s = clockState;
    return std::vector<float>{s.eyeX, s.eyeY, s.eyeZ, s.eyeHeading, s.eyePitch, s.spinX, s.spinY};
  };
  resetCamera();
  const std::vector<float> start = view();
  clockState.autoSpin = true;
  clockState.eyeHeading = 30.0f;  // turned and tilted, so the wheel moves the eye on every axis
  clockState.eyePitch = -15.0f;
  onMouseWheel(120);
  advanceAutoSpin();
  onRightButtonDown(0, 0);
  onMouseMove(40, 70);
  const std::vector<float> moved = view();
  for (std::size_t i = 0; i < start.size(); ++i) ASSERT_NE(moved[i], start[i]) << "item " << i;
  handleKeyUp('C');
  EXPECT_EQ(view(), start);
  EXPECT_TRUE(clockState.autoSpin);
  EXPECT_TRUE(clockState.rightDragging);
}

TEST_F(OptionKeys, KeysOutsideTheTableChangeNothing) {
  // 0, keypad digits, arrows, comma, full stop, Enter, Escape, lower case and other letters.
  const unsigned others[] = {
      0,       '0',          VK_NUMPAD0,    VK_NUMPAD0 + 5, VK_LEFT,   VK_UP, VK_RIGHT,
      VK_DOWN, VK_OEM_COMMA, VK_OEM_PERIOD, VK_RETURN,      VK_ESCAPE, 'a',   't',
      'B',     'Z',          0xFF};
  clockState.eyeZ = 321.0f;
  clockState.spinX = 12.0f;
  for (unsigned key : others) handleKeyUp(key);
  EXPECT_EQ(clockSettings.textScale, 4.0f);
  EXPECT_TRUE(clockSettings.showDanceLine);
  EXPECT_TRUE(clockSettings.showNumerals);
  EXPECT_FALSE(clockState.autoSpin);
  EXPECT_FALSE(clockState.showDigitalTime);
  EXPECT_FALSE(clockState.romanNumerals);
  EXPECT_FALSE(clockState.specularOn);
  EXPECT_EQ(clockState.eyeZ, 321.0f);
  EXPECT_EQ(clockState.spinX, 12.0f);
}
