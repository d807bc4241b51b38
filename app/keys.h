// The option keys, acted on when a key is released.
#pragma once

void handleKeyUp(unsigned virtualKey);
