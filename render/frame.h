// One complete frame of the scene, drawn on every timer tick.
#pragma once

void renderFrame();
