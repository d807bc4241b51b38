// The dancing honeybee, the clock's hour hand.
#pragma once

// Leaves: lighting off (each sphere is lit, what follows it is not).
void drawSphere(int slices, float radius);
// Leaves: modelview as found, lighting on, blend and 2-D texturing off, line width 2.2, grey 0.1.
void drawBee();
