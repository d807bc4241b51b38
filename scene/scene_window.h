// The steps every window that shows the scene takes in its window procedure: the context and
// set-up on creation, the size, the paint, a frame per tick, and the tear-down. The clock's and
// the screensaver's procedures call these, so a frame is drawn and swapped in one place.
#pragma once

#include "platform/win32.h"

// WM_CREATE: the window's DC and GL context, the scene set-up, and the frame timer.
void openSceneWindow(HWND window);
// WM_SIZE: the client size that the next frame's viewport and text placement take.
void takeSceneSize(LPARAM lParam);
// WM_PAINT: validates the window; the next tick draws it.
void paintSceneWindow(HWND window);
// WM_TIMER: one frame, flushed and swapped.
void drawSceneFrame();
// WM_DESTROY: releases the DC and the context, stops the timer, posts the quit with exitCode.
void closeSceneWindow(HWND window, int exitCode);
