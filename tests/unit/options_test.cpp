// Start-up defaults, the toggle rule and the option keys.
#include <gtest/gtest.h>

#include <cstring>

#include "app/keys.h"
#include "app/state.h"
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

TEST(Records, StartWithTheDocumentedDefaults) {
  const ClockSettings s;
  EXPECT_EQ(s.danceTimeScale, 1.0f);
  EXPECT_TRUE(s.restartDance);
  EXPECT_EQ(s.windowX, 1);
  EXPECT_EQ(s.windowY, 1);
  EXPECT_EQ(s.windowWidth, 400);
  EXPECT_EQ(s.windowHeight, 400);
  EXPECT_TRUE(s.showNumerals);
  EXPECT_TRUE(s.showDanceLine);
  EXPECT_EQ(s.textScale, 4.0f);
  EXPECT_EQ(s.beeScale, 1.0f);
  EXPECT_EQ(s.diffuseLevel, 1.0f);
  EXPECT_EQ(s.ambientLevel, 0.5f);
  EXPECT_EQ(s.creditColour[0], 0.7f);
  EXPECT_EQ(s.clearColour[3], 1.0f);
  EXPECT_EQ(s.lightPosition[0], 200.0f);
  EXPECT_EQ(s.lightPosition[1], 200.0f);
  EXPECT_EQ(s.lightPosition[2], 0.0f);
  EXPECT_EQ(s.lightPosition[3], 1.0f);

  const ClockState st;
  EXPECT_EQ(st.hwnd, nullptr);
  EXPECT_FALSE(st.autoSpin);
  EXPECT_FALSE(st.specularOn);
  EXPECT_FALSE(st.romanNumerals);
  EXPECT_FALSE(st.showDigitalTime);
  EXPECT_FALSE(st.texturesLoaded);
  EXPECT_EQ(st.glyphMetrics[255].gmfCellIncX, 0.0f);
  EXPECT_EQ(sizeof(st.danceStartSeconds), 8u) << "dance start must survive 2038";
}

TEST(Toggle, PressingTwiceReturnsToTheStart) {
  bool option = true;
  toggleOption(option);
  EXPECT_FALSE(option);
  toggleOption(option);
  EXPECT_TRUE(option);
}

TEST(Toggle, ReturnsAStrayByteTo1) {
  bool option;
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
    EXPECT_EQ(*letter.option, !letter.initial) << "key " << static_cast<char>(letter.key);
    handleKeyUp(letter.key);
    EXPECT_EQ(*letter.option, letter.initial) << "key " << static_cast<char>(letter.key);
    EXPECT_EQ(clockSettings.textScale, settingsBefore.textScale);
  }
}

TEST_F(OptionKeys, CResetsTheCameraButLeavesTheOptions) {
  clockState.autoSpin = true;
  clockState.eyeZ = 120.0f;
  clockState.spinX = 33.0f;
  clockState.spinY = -12.0f;
  clockState.rightDragging = true;
  handleKeyUp('C');
  EXPECT_EQ(clockState.eyeX, 0.0f);
  EXPECT_EQ(clockState.eyeY, 0.0f);
  EXPECT_EQ(clockState.eyeZ, 500.0f);
  EXPECT_EQ(clockState.spinX, 0.0f);
  EXPECT_EQ(clockState.spinY, 0.0f);
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
