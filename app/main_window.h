#pragma once
// The caption-less main window (number 60) with its controls, tray icon and
// popup menu, and the two pointer queries.
#include <windows.h>

namespace app {

constexpr int kMainWindow = 60;
constexpr int kBanner = 58;
constexpr int kProgramList = 89;
constexpr int kStatusStrip = 37;
constexpr int kButtonColumn = 93;
constexpr int kTrayIcon = 92;
constexpr int kPopupMenu = 57;

// Starts making the embedded pictures the main window shows at once, on a
// thread of their own; CreateMainWindow takes them when it needs them.
void LoadMainWindowPictures();
void CreateMainWindow();
// The main window moved to (or was made on) a display of another DPI: fonts,
// pictures, skin and strip are made again for it. Other windows only lay
// themselves out again.
void OnWindowDpiChanged(int windowNumber, int dpi);
// Drops onto the window, the tray icon and its popup menu: nothing of the
// first paint needs them, so they come right after the window is shown.
void CompleteMainWindow();

// Shows the main window in front with the keyboard in the program list, so
// that typing finds a program and Enter starts it.
void ShowMainWindow();

// Start-up: the main window on screen and painted at once, but not yet the
// active window. ShowMainWindow follows before the first event; activating
// costs Wine the input method's window and is no part of the picture.
void PresentMainWindow();

// The keyboard goes to the program list unless a control of the main window
// already has it (the window itself gets it on activation).
void FocusProgramList();

// 1 when the control exists and the pointer lies inside its screen
// rectangle (right and bottom edges outside).
int PointerOverControl(int controlNumber);

// The child of window that lies under the pointer (hidden and disabled ones
// included), the window itself when in no child, nullptr when outside.
HWND ControlUnderPointer(HWND window);

// Puts the main window at the place of an alignment code (memory only).
void MoveToAlignment(int code);

}  // namespace app
