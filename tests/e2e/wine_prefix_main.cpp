// Makes the tests' Wine prefix afresh; run once per ctest run, before the first wine test.
#include <cstdio>
#include <string>

#include "harness/e2e.h"

int main() {
  std::string error;
  const std::string prefix = e2e::configuredWinePrefix();
  if (!e2e::prepareWinePrefix(e2e::configuredWineTools(), prefix, true, &error)) {
    std::fprintf(stderr, "could not make the Wine prefix %s: %s\n", prefix.c_str(), error.c_str());
    return 1;
  }
  std::printf("Wine prefix ready: %s\n", prefix.c_str());
  return 0;
}
