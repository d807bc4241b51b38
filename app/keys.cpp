// The option keys: digits set the text size, letters toggle options, C resets the camera.
#include "app/keys.h"

#include "records/state.h"
#include "render/camera.h"

void handleKeyUp(unsigned virtualKey) {
  if (virtualKey >= '1' && virtualKey <= '9') {
    clockSettings.textScale = static_cast<float>(virtualKey - '0');
    return;
  }
  switch (virtualKey) {
    case 'A': toggleOption(clockSettings.showDanceLine); break;
    case 'C': resetCamera(); break;
    case 'D': toggleOption(clockState.autoSpin); break;
    case 'I': toggleOption(clockState.showDigitalTime); break;
    case 'R': toggleOption(clockState.romanNumerals); break;
    case 'S': toggleOption(clockState.specularOn); break;
    case 'T': toggleOption(clockSettings.showNumerals); break;
    default: break;
  }
}
