// The frame Wine 8 draws around a window's client area when no window manager runs, measured
// once: a 400 by 400 window at (1, 1) has a 392 by 373 client area whose origin is at (5, 24).
// The harness finds the .exe's client area by it; the Linux program's stand-in takes the same
// figures, so both programs have the same client area at the same place on the screen.
#pragma once

namespace wineFrame {
constexpr int left = 4;
constexpr int top = 23;
constexpr int right = 4;
constexpr int bottom = 4;
}  // namespace wineFrame
