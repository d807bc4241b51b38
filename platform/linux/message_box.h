// Message boxes: what one is asked to show, the interface the modal loop (dialog.cpp) asks it
// through, and our own X11 box behind it (message_box.cpp).
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

#include "platform/linux/held_keys.h"
#include "platform/win32.h"

namespace platform {

// What a message box is asked to show.
struct BoxRequest {
  std::string text;
  std::string caption;
  UINT type;
  SDL_Window* owner;
};

// A box on screen. The modal loop asks it, on the GUI thread, between the messages it
// dispatches; it must never block.
class Box {
 public:
  virtual ~Box() = default;
  // Handles what the user did since the last call; true once answered (IDYES, IDNO or IDOK).
  virtual bool answered(int* answer) = 0;
  // Keys held down as the box goes, which must not act on the clock afterwards.
  virtual HeldKeys keysHeld() { return {}; }
};

// The answer of a box closed without one of its buttons: No for a Yes/No box, else OK.
int dismissedAnswer(UINT type);

// Shows our box, or returns null when none can be shown.
std::unique_ptr<Box> openMessageBox(const BoxRequest& request);

// What MessageBoxA shows its boxes with: openMessageBox, unless a test puts in its own.
typedef std::unique_ptr<Box> (*BoxPresenter)(const BoxRequest& request);
extern BoxPresenter boxPresenter;

}  // namespace platform
