// Fuzzes parseSaverArguments, the screensaver's command line (/s, /p HWND, /c[:HWND], /a HWND in
// any case, with - or /): the input is the line. Beyond not crashing: a refused line carries no
// window, the modes' rules on handles hold, and an accepted line reads the same as spelt anew.
#include <cstddef>
#include <cstdint>
#include <string>

#include "saver/arguments.h"
#include "tests/fuzz/promise.h"

namespace {

char letterOf(SaverMode mode) {
  switch (mode) {
    case SaverMode::kRun: return 's';
    case SaverMode::kPreview: return 'p';
    case SaverMode::kSettings: return 'c';
    case SaverMode::kPassword: return 'a';
    case SaverMode::kInvalid: break;
  }
  return '?';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Windows hands over a C string: a NUL byte ends it.
  const std::string line(reinterpret_cast<const char*>(data), size);
  const SaverCommand command = parseSaverArguments(line.c_str());

  if (command.mode == SaverMode::kInvalid) {
    promise(!command.hasWindow && command.window == 0, "a refused line carries no window");
    return 0;
  }
  promise(command.hasWindow || command.window == 0, "no handle reads as window 0");
  promise(command.mode != SaverMode::kRun || !command.hasWindow, "/s takes no handle");
  promise(command.mode != SaverMode::kPreview || command.hasWindow, "/p needs a handle");
  if (command.hasWindow)
    promise(line.find(std::to_string(command.window)) != std::string::npos,
            "the handle is the line's own digits");

  std::string spelt = std::string("/") + letterOf(command.mode);
  if (command.hasWindow) spelt += " " + std::to_string(command.window);
  const SaverCommand again = parseSaverArguments(spelt.c_str());
  promise(again.mode == command.mode && again.hasWindow == command.hasWindow &&
              again.window == command.window,
          "an accepted line reads the same as spelt anew");
  return 0;
}
