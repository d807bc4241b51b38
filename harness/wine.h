// Wine for the tests: the prefix they share, made once and kept ready, its processes ended
// after each run, and the controls of a Windows dialog read from inside it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "harness/process.h"
#include "harness/screens.h"

namespace e2e {

struct WineTools {
  std::string wine, wineboot, wineserver;
};

// The environment every Wine call of the tests gets: the prefix, no debug output, no Mono or
// Gecko installers.
Env wineEnv(const std::string& prefix);

// Makes a prefix with wineboot and sets the X11 driver's Managed to N (without a window manager
// Wine otherwise waits 2 s at every hide). With `fresh`, an existing prefix is removed first;
// without, one that is ready is kept. Serialised by a lock file next to the prefix. A wineboot
// that fails is tried once more only when the disk was short of room.
bool prepareWinePrefix(const WineTools& tools, const std::string& prefix, bool fresh,
                       std::string* error);

// Ends every process of the prefix (`wineserver -k`) and waits for the server to go.
void stopWine(const WineTools& tools, const std::string& prefix);

// Starts the prefix's server to stay (`wineserver -p`) and boots it (`wine wineboot`) on the X
// display `displayName`, both under the real clock, for a program then started under a frozen
// one: a program that starts the server itself runs wineboot under its own clock, and Wine 10's
// wineboot divides by zero when the clock stands still. stopWine ends them.
bool startWineHost(const WineTools& tools, const std::string& prefix,
                   const std::string& displayName, std::string* error);
// The tests' prefix at another scale: the same settings, and LogPixels at `dpi`, as a user's
// choice of 200 % leaves it (Wine reads it as its server starts).
std::string scaledWinePrefix(int dpi);
bool prepareScaledWinePrefix(const WineTools& tools, int dpi, std::string* error);
// Wine's major version: 8 on Debian 12, 10 on Debian 13; 0 when it cannot be read.
int wineMajorVersion(const WineTools& tools);

// The tools and prefix this build was configured with.
WineTools configuredWineTools();
std::string configuredWinePrefix();

// A control of a Windows dialog as our probe lists it from inside the prefix: a dialog's
// controls are no X windows, so this is the only way to read what a box says.
struct WineControl {
  std::string cls, text;  // text without its mnemonic marks
  bool visible = false;
  Rect frame;  // in screen coordinates
};
// The controls of the window titled `title` on the X display `displayName`.
std::optional<std::vector<WineControl>> wineControls(const std::string& displayName,
                                                     const std::string& title, std::string* error);

}  // namespace e2e
