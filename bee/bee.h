// The dancing honeybee, the clock's hour hand.
#pragma once

void drawSphere(int slices, float radius);
void drawBee();
