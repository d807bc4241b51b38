// The steps every window that shows the scene takes in its window procedure: the context and
// set-up on creation, the size, the paint, a frame per tick, and the tear-down. The clock's and
// the screensaver's procedures call these, so a frame is drawn and swapped in one place.
#pragma once

#include <vector>

#include "platform/win32.h"
#include "scene/view.h"

// WM_CREATE: the window's DC and GL context, the scene set-up, and the frame timer.
void openSceneWindow(HWND window);
// WM_SIZE: the client size that the next frame's viewport and text placement take.
void takeSceneSize(LPARAM lParam);
// WM_DPICHANGED: the window's new scale (the credit line's glyphs at it) and the place and size
// the system suggests for it.
void rescaleSceneWindow(HWND window, WPARAM wParam, LPARAM lParam);
// WM_PAINT: validates the window; the next tick draws it.
void paintSceneWindow(HWND window);
// WM_TIMER: one frame, flushed and swapped.
void drawSceneFrame();
// WM_TIMER for a window over several monitors: the tick's camera step and slow turn once, then
// the whole scene in each view, all at the same moment of the wall clock, flushed and swapped.
void drawSceneViews(const std::vector<SceneView>& views);
// WM_DESTROY: releases the DC and the context, stops the timer, posts the quit with exitCode.
void closeSceneWindow(HWND window, int exitCode);
