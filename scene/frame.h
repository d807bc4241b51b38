// One complete frame of the scene, drawn on every timer tick.
#pragma once

// Leaves: fill, CW faces culled, lighting and depth test on; blend, stencil, 2-D texturing off.
void renderFrame();

// renderFrame's two halves, for a window that shows the scene in several views per tick.
// The tick's camera input and slow turn: once per tick, however many views there are.
void advanceFrame();
// The scene drawn once, into the viewport at (viewportX, viewportY) of windowWidth by
// windowHeight pixels; leaves what renderFrame leaves.
void drawFrame();
