#pragma once
// The launcher's life: start-up, the main loop, and the one exit path shared
// by the quit command, the tray menu and the error trap.

namespace app {

// Runs the whole program; never returns.
[[noreturn]] void RunLauncher();

// The quit command: closes the main window and leaves through the exit path.
[[noreturn]] void Quit();

// Stops the timers first, releases everything and ends with exit code 0.
[[noreturn]] void ExitPath();

// The exit path the error trap takes: the same, except that a preference
// file still open is dropped unwritten, since the fault may have struck while
// its lines were being built.
[[noreturn]] void ExitAfterFault();

}  // namespace app
