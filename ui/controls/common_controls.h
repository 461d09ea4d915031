#pragma once
// The common controls library is not an import of the program: the loader
// would map it, and the display driver it pulls in, before the first line
// runs. It loads on a thread of its own while start-up reads the files, and
// every use waits for it. Version 6 (themed controls) comes through an
// activation context made from the program's manifest resource 17; named in
// the process manifest, the system would resolve it before the first line
// runs too.

#include <windows.h>

namespace ui {
namespace controls {

// Makes the version-6 context active on this thread for good, then starts
// loading the library and registering its classes in it; a second call does
// nothing. GUI thread, before its first window.
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
