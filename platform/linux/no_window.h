// Notes why the program's window could not be made, for reportNoWindow (no_window.cpp); the
// first failure noted is the one reported.
#pragma once

namespace platform {

void noteNoDisplay();
void noteNoOpenGl();

}  // namespace platform
