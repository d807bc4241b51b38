// The translucent line along the waggle axis.
#pragma once

// Leaves: modelview turned back, lighting on, blend off, far end's colour; bee's line width kept.
void drawDanceLine();
