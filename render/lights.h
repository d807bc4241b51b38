// The eye-fixed lights and the front material, set in every frame.
#pragma once

void setupLights();
