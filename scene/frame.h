// One complete frame of the scene, drawn on every timer tick.
#pragma once

// Leaves: fill, CW faces culled, lighting and depth test on; blend, stencil, 2-D texturing off.
void renderFrame();
