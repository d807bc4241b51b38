// The message loop's side of the queue: SDL's events made into Windows messages, and the
// fetch behind GetMessageA that the message box's modal loop (dialog.cpp) shares.
#pragma once

#include "platform/win32.h"

namespace platform {

// What fetchMessage found.
enum class Fetched { message, quit, idle };
// The heart of GetMessageA: the next queued message, else a pending paint, else a due tick,
// sleeping until one comes. In a modal loop (modal) a pending quit stays in place for the
// loop's caller. With maxWaitMs >= 0 it sleeps at most that long and returns idle if nothing
// came meanwhile.
Fetched fetchMessage(MSG* message, bool modal, int maxWaitMs);
// Reads every event SDL has ready and drops the input among them and in the queue.
void discardInput();

}  // namespace platform
