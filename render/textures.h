// The stripe and honeycomb textures, built once from the bitmap resources.
#pragma once

enum { stripeImage = 103, honeycombImage = 105 };

bool loadTextures();
