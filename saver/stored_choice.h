// How a value read back from the registry becomes one of the screensaver's choices. Portable:
// the Windows settings code reads the value and asks this, and the Linux tree tests and fuzzes it.
#pragma once

#include <cstddef>
#include <cstdint>

// The registry's number for a 32-bit little-endian value (winnt.h's REG_DWORD).
constexpr std::uint32_t registryDword = 4;

// Whether `size` bytes of registry type `type` hold a choice, and if so, writes it to `choice`:
// only a REG_DWORD of exactly 4 bytes does, on when it is not 0. Anything else (another type, a
// short or long value) leaves `choice` at its default.
bool readStoredChoice(std::uint32_t type, const unsigned char* bytes, std::size_t size,
                      bool& choice);
