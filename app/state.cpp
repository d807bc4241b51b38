// The two process-wide records and the option toggle.
#include "app/state.h"

#include <cstring>

#include "platform/wallclock.h"

ClockSettings clockSettings;
ClockState clockState;

WallClock (*readWallClock)() = readSystemClock;

const char* const windowClassName = "MainWindow";
const char* const windowTitle = "Waggler";

void toggleOption(bool& option) {
  // Read the raw byte: a stray value other than 0 or 1 must become 1.
  unsigned char byte;
  std::memcpy(&byte, &option, 1);
  byte = byte == 1 ? 0 : 1;
  std::memcpy(&option, &byte, 1);
}
