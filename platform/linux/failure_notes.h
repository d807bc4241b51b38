// Why the program's window could not be made, noted by the step that failed (the display, the
// GL visual, the GL context); the first failure noted is the one kept.
#pragma once

namespace platform {

void noteNoDisplay();
void noteNoOpenGl();
// The first failure noted, as the end of "could not open its window: ..."; null while none is.
const char* noWindowReason();

}  // namespace platform
