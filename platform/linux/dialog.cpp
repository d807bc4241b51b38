// Dialog-style keys and message boxes. A box is looked at by the modal loop between the
// messages it dispatches: everything stays on the GUI thread (the clock has no other), and ticks
// keep coming as in Windows' modal loop.
#include "platform/linux/held_keys.h"
#include "platform/linux/message_box.h"
#include "platform/linux/messages.h"
#include "platform/linux/queue.h"
#include "platform/linux/window.h"

namespace {

// How long the modal loop sleeps at most before it looks at the box again.
const int boxLookMs = 20;

// Dispatches ticks, paints and sizes until the box is answered; input for the windows is
// dropped, as for windows a modal box disables.
int runModalLoop(platform::Box& box, UINT type) {
  int answer = platform::dismissedAnswer(type);
  while (!box.answered(&answer)) {
    MSG message;
    if (platform::fetchMessage(&message, true, boxLookMs) == platform::Fetched::message &&
        !platform::isInputMessage(message.message))
      DispatchMessageA(&message);
  }
  return answer;
}

}  // namespace

namespace platform {

BoxPresenter boxPresenter = openMessageBox;

}  // namespace platform

BOOL IsDialogMessageA(HWND dialog, LPMSG message) {
  if (!dialog || !message || message->hwnd != dialog || !platform::isLiveWindow(dialog))
    return FALSE;
  if (message->message != WM_KEYDOWN) return FALSE;
  switch (message->wParam) {
    case VK_RETURN: SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); return TRUE;
    case VK_ESCAPE: SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); return TRUE;
    case VK_TAB:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      return TRUE;  // dialog navigation; the plain window has no controls to move between
  }
  return FALSE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  // A modal loop that meets a pending quit ends at once and leaves the quit for the caller.
  if (platform::quitIsPending()) return platform::dismissedAnswer(type);
  const platform::BoxRequest request{text ? text : "", caption ? caption : "Error", type,
                                     platform::isLiveWindow(owner) ? owner->sdl : nullptr};
  int answer = platform::dismissedAnswer(type);
  if (std::unique_ptr<platform::Box> box = platform::boxPresenter(request)) {
    answer = runModalLoop(*box, type);
    // A key still down as the box goes must not repeat or release into the clock.
    platform::ignoreKeysHeldOverBox(box->keysHeld());
  }
  // Nor may keys pressed at the box reach it afterwards.
  platform::discardInput();
  if (platform::isLiveWindow(owner) && owner->sdl && owner->visible) {
    SDL_RaiseWindow(owner->sdl);
    SDL_SetWindowInputFocus(owner->sdl);
  }
  return answer;
}
