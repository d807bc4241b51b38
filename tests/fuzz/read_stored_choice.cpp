// Fuzzes readStoredChoice, a screensaver choice as read back from the registry: the input's
// first four bytes are the value's type (little-endian), the rest its bytes, in a buffer of
// exactly their size so that any read past them is caught.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "saver/stored_choice.h"
#include "tests/fuzz/promise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint32_t type = data[0] | data[1] << 8 | static_cast<std::uint32_t>(data[2]) << 16 |
                             static_cast<std::uint32_t>(data[3]) << 24;
  const std::vector<unsigned char> bytes(data + 4, data + size);
  const unsigned char* value = bytes.empty() ? nullptr : bytes.data();

  const bool isDword = type == registryDword && bytes.size() == 4;
  bool anyNonZero = false;
  for (unsigned char byte : bytes) anyNonZero |= byte != 0;
  for (const bool byDefault : {false, true}) {
    bool choice = byDefault;
    const bool read = readStoredChoice(type, value, bytes.size(), choice);
    promise(read == isDword, "only a 4-byte REG_DWORD is a choice");
    promise(read ? choice == anyNonZero : choice == byDefault,
            "a DWORD is on when not 0; anything else keeps the default");
  }
  return 0;
}
