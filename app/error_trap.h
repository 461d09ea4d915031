#pragma once
// The error trap: any unhandled exception on any thread of the process shows
// one message ("Zeile " + the last recorded line + the fault's description)
// and then leaves through the given exit routine.

namespace app {

using ExitRoutine = void (*)();

void InstallErrorTrap(ExitRoutine exitRoutine);
void RestoreErrorTrap();

// Keeps enough stack in reserve on the calling thread for the trap to take
// over after a stack overflow; called once on every thread of the launcher's
// own code (the installing thread is prepared by InstallErrorTrap).
void PrepareThreadForTrap();

}  // namespace app
