// Fuzzes dpiFromResources, Xft.dpi read from the X server's resource string: the input is the
// string (a NUL byte ends it, as it ends the server's property). Whatever it holds, the answer
// is a scale the program can draw at: from 96 to 480.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/linux/desktop_scale.h"
#include "platform/program_pixels.h"
#include "tests/fuzz/promise.h"

// libX11 1.8's quark lookup memcmps a new name with a stored one of the same signature over the
// new name's length, reading past the end of a shorter stored name (whose NUL differs first, so
// the answer never depends on those bytes). AddressSanitizer's strict memcmp reports that once
// enough names are stored; here it checks only up to the first difference.
extern "C" const char* __asan_default_options() {
  return "strict_memcmp=0";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string resources(reinterpret_cast<const char*>(data), size);
  const int dpi = platform::dpiFromResources(resources.c_str());
  promise(dpi >= baseDpi && dpi <= 480, "Xft.dpi reads as 96 to 480");
  return 0;
}
