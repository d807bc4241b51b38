// The screensaver's command line, as Windows and its settings panel write it, and what it
// refuses.
#include <gtest/gtest.h>

#include "saver/arguments.h"

namespace {

struct Case {
  const char* line;
  SaverMode mode;
  bool hasWindow;
  std::uint64_t window;
};

void PrintTo(const Case& c, std::ostream* out) {
  *out << '"' << c.line << '"';
}

class SaverArguments : public ::testing::TestWithParam<Case> {};

TEST_P(SaverArguments, ReadAsWindowsMeansThem) {
  const Case& c = GetParam();
  const SaverCommand command = parseSaverArguments(c.line);
  EXPECT_EQ(command.mode, c.mode) << "for \"" << c.line << "\"";
  EXPECT_EQ(command.hasWindow, c.hasWindow) << "for \"" << c.line << "\"";
  EXPECT_EQ(command.window, c.window) << "for \"" << c.line << "\"";
}

const SaverMode run = SaverMode::kRun, preview = SaverMode::kPreview,
                settings = SaverMode::kSettings, password = SaverMode::kPassword,
                invalid = SaverMode::kInvalid;

INSTANTIATE_TEST_SUITE_P(
    WhatWindowsSends, SaverArguments,
    ::testing::Values(Case{"/s", run, false, 0}, Case{"/S", run, false, 0},
                      Case{"-s", run, false, 0}, Case{"  /s  ", run, false, 0},
                      Case{"/p 1234", preview, true, 1234}, Case{"/P:1234", preview, true, 1234},
                      Case{"-p1234", preview, true, 1234},
                      Case{"/p \t 66050", preview, true, 66050},
                      Case{"/p 18446744073709551615", preview, true, 18446744073709551615u},
                      Case{"", settings, false, 0}, Case{"   ", settings, false, 0},
                      Case{"/c", settings, false, 0}, Case{"/C:4242", settings, true, 4242},
                      Case{"-c 4242", settings, true, 4242}, Case{"/a 77", password, true, 77},
                      Case{"/A", password, false, 0}));

INSTANTIATE_TEST_SUITE_P(
    WhatItRefuses, SaverArguments,
    ::testing::Values(Case{"s", invalid, false, 0}, Case{"/x", invalid, false, 0},
                      Case{"/", invalid, false, 0}, Case{"/p", invalid, false, 0},
                      Case{"/p:", invalid, false, 0}, Case{"/p abc", invalid, false, 0},
                      Case{"/p 12x", invalid, false, 0}, Case{"/p -5", invalid, false, 0},
                      Case{"/p 18446744073709551616", invalid, false, 0},
                      Case{"/s 1234", invalid, false, 0}, Case{"/save", invalid, false, 0},
                      Case{"/c:", invalid, false, 0}, Case{"/s /p 1", invalid, false, 0},
                      Case{"--s", invalid, false, 0}));

}  // namespace
