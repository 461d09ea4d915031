#pragma once
// The common controls library (version 6 through the manifest) is not an
// import of the program: the loader would map it, and the display driver it
// pulls in, before the first line runs. It loads on a thread of its own while
// start-up reads the files, and every use waits for it.

#include <windows.h>

namespace ui {
namespace controls {

// Starts loading the library and registering its classes; a second call does
// nothing. GUI thread.
void StartCommonControls();

// Returns once the library is loaded and its classes are registered, loading
// it here if nothing started it. Every function of the library waits here on
// its first call by itself; window classes of the library need this call
// before their first window. GUI thread.
void AwaitCommonControls();

// The library whose classes were registered, once it is there; nullptr when
// it could not be loaded. GUI thread.
HMODULE CommonControlsLibrary();

}  // namespace controls
}  // namespace ui
