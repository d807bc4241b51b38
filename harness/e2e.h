// The end-to-end harness in one include for the tests: the programs under test in a private
// X server, driven through XTEST and read back from the screen. Used by the e2e (Linux
// program), wine (the .exe) and package tests alike.
#pragma once

#include "harness/clock_session.h"  // IWYU pragma: export
#include "harness/process.h"        // IWYU pragma: export
#include "harness/screens.h"        // IWYU pragma: export
#include "harness/waiting.h"        // IWYU pragma: export
#include "harness/wine.h"           // IWYU pragma: export
#include "harness/x_display.h"      // IWYU pragma: export
