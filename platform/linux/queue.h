// The thread's message queue: messages waiting, PostQuitMessage's quit, and the timers (SetTimer
// and KillTimer are queue.cpp's). It only keeps them; messages.cpp fills it from SDL's events and
// hands its messages out.
#pragma once

#include "platform/linux/timers.h"
#include "platform/win32.h"

namespace platform {

// A message stamped with the time now.
MSG makeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a message; a mouse move replaces one still waiting, as Windows keeps only the latest.
void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the oldest waiting message; false when none waits.
bool takeQueuedMessage(MSG* message);
// Key, mouse and close messages: what a disabled (modally owned) window does not get.
bool isInputMessage(UINT message);
// Drops the waiting input messages.
void dropQueuedInput();
// Forgets a destroyed window's waiting messages and timers.
void forgetWindow(HWND window);

TimerTable& threadTimers();

// True while PostQuitMessage's quit waits to be taken.
bool quitIsPending();
// Takes the waiting quit: its exit code.
int takeQuit();

}  // namespace platform
