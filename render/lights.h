// The eye-fixed lights and the front material, set in every frame.
#pragma once

// Leaves: lighting, colour material, normalising and lights 0 and 1 on.
void setupLights();
