#pragma once
#include <windows.h>

namespace app {

// The program-wide window callback: while docking is on, a dragged window
// snaps to the screen edges and stays inside the work area.
LRESULT DockingHook(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace app
