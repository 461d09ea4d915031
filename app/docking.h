#pragma once
#include <windows.h>

namespace app {

// The program-wide window callback: while docking is on, a dragged window
// snaps to the screen edges and stays inside the work area.
LRESULT DockingHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Before the main window is first shown: a position saved on another PC's
// larger screen may lie wholly or mostly off every display here; the window
// then comes onto the nearest one.
void PullMainWindowOntoScreen();

}  // namespace app
