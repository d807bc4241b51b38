// The translucent line along the waggle axis.
#pragma once

void drawDanceLine();
