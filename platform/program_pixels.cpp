// The one conversion between program pixels and a display's own.
#include "platform/program_pixels.h"

#include <climits>

namespace {

// value * numerator / denominator, rounded half away from zero and held within int, as
// Windows' MulDiv does; a denominator that is not positive leaves the value as it is.
int mulDiv(int value, int numerator, int denominator) {
  if (denominator <= 0) return value;
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  const long long quotient =
      product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  if (quotient > INT_MAX) return INT_MAX;
  if (quotient < INT_MIN) return INT_MIN;
  return static_cast<int>(quotient);
}

}  // namespace

int toPhysicalPixels(int programPixels, int dpi) {
  return mulDiv(programPixels, dpi, baseDpi);
}

int toProgramPixels(int physicalPixels, int dpi) {
  return mulDiv(physicalPixels, baseDpi, dpi);
}

int rescalePixels(int pixels, int fromDpi, int toDpi) {
  return mulDiv(pixels, toDpi, fromDpi);
}

float toPhysicalLength(float programPixels, int dpi) {
  // dpi / 96 is 1 exactly at 96, so an unscaled display gets the very value asked for.
  return programPixels * (static_cast<float>(dpi) / static_cast<float>(baseDpi));
}
