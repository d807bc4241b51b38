// How our message boxes look. The end-to-end tests draw the same text the same way to find it.
#pragma once

namespace platform::boxLook {

// Fontconfig patterns: the desktop's sans-serif face, the message in bold as GNOME's dialogs do.
inline constexpr char messageFont[] = "sans:bold:size=11";
inline constexpr char buttonFont[] = "sans:size=10";

struct Rgb {
  unsigned char r, g, b;
};
// The light theme most Linux desktops ship.
inline constexpr Rgb background{246, 245, 244}, text{46, 52, 54}, button{232, 230, 227},
    border{205, 199, 194}, focus{53, 132, 228};

}  // namespace platform::boxLook
