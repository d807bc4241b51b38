// The end-to-end harness in one include for the tests: the programs under test in a private
// X server, driven through XTEST and read back from the screen. Used by the e2e (Linux
// program), wine (the .exe) and package tests alike.
#pragma once

#include "tests/e2e/clock_session.h"  // IWYU pragma: export
#include "tests/e2e/common.h"         // IWYU pragma: export
#include "tests/e2e/pictures.h"       // IWYU pragma: export
#include "tests/e2e/process.h"        // IWYU pragma: export
#include "tests/e2e/wine.h"           // IWYU pragma: export
#include "tests/e2e/x_display.h"      // IWYU pragma: export
