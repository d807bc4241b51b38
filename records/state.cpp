// The two process-wide records and the option toggle.
#include "records/state.h"

#include <cstring>

ClockSettings clockSettings;
ClockState clockState;

const char* const windowClassName = "MainWindow";
const char* const windowTitle = "Waggler";

void toggleOption(bool& option) {
  // Read the raw byte: a stray value other than 0 or 1 must become 1.
  unsigned char byte;
  std::memcpy(&byte, &option, 1);
  byte = byte == 1 ? 0 : 1;
  std::memcpy(&option, &byte, 1);
}
