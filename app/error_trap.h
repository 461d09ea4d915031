#pragma once
// The error trap: any unhandled exception on any thread of the process shows
// one message ("Zeile " + the last recorded line + the fault's description)
// and then leaves through the given exit routine.

namespace app {

using ExitRoutine = void (*)();

void InstallErrorTrap(ExitRoutine exitRoutine);
void RestoreErrorTrap();

}  // namespace app
