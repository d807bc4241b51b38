// A screensaver choice read back from the registry: only a 4-byte REG_DWORD is one, on when not
// 0; any other type or size keeps the default, whichever it is.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "saver/stored_choice.h"

namespace {

struct Stored {
  const char* what;
  std::uint32_t type;
  std::vector<unsigned char> bytes;
  bool isChoice, on;
};

TEST(StoredChoice, OnlyAFourByteDwordIsAChoice) {
  const std::uint32_t text = 1, binary = 3, bigEndianDword = 5, qword = 11;
  const Stored values[] = {
      {"DWORD 1", registryDword, {1, 0, 0, 0}, true, true},
      {"DWORD 0", registryDword, {0, 0, 0, 0}, true, false},
      {"DWORD 0x01000000", registryDword, {0, 0, 0, 1}, true, true},
      {"DWORD of 2 bytes", registryDword, {1, 0}, false, false},
      {"DWORD of no bytes", registryDword, {}, false, false},
      {"string \"1\"", text, {'1', 0}, false, false},
      {"binary of 4 bytes", binary, {1, 0, 0, 0}, false, false},
      {"big-endian DWORD", bigEndianDword, {0, 0, 0, 1}, false, false},
      {"QWORD 1", qword, {1, 0, 0, 0, 0, 0, 0, 0}, false, false},
  };
  for (const Stored& value : values) {
    for (const bool byDefault : {false, true}) {
      bool choice = byDefault;
      const unsigned char* bytes = value.bytes.empty() ? nullptr : value.bytes.data();
      EXPECT_EQ(readStoredChoice(value.type, bytes, value.bytes.size(), choice), value.isChoice)
          << value.what;
      EXPECT_EQ(choice, value.isChoice ? value.on : byDefault)
          << value.what << " with the default " << byDefault;
    }
  }
}

}  // namespace
