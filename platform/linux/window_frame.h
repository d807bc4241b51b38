// The frame Wine 8 draws around a window's client area when no window manager runs, measured
// once: a 400 by 400 window at (1, 1) has a 392 by 373 client area whose origin is at (5, 24).
// The stand-in takes the same figures, so both programs have the same client area at the same
// place on the screen; the end-to-end tests find the .exe's client area by them.
#pragma once

namespace nonClient {
const int left = 4;
const int top = 23;
const int right = 4;
const int bottom = 4;
}  // namespace nonClient
