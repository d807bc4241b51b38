// The registry value's bytes as a screensaver choice; see stored_choice.h.
#include "saver/stored_choice.h"

bool readStoredChoice(std::uint32_t type, const unsigned char* bytes, std::size_t size,
                      bool& choice) {
  if (type != registryDword || size != 4 || !bytes) return false;
  // Not 0 in any of its bytes is not 0, whatever the byte order.
  choice = (bytes[0] | bytes[1] | bytes[2] | bytes[3]) != 0;
  return true;
}
