#pragma once
// The prompt "Geschützter Bereich" (window 64) that guards the commands which
// change the launcher. The caller disables the main window around it.

namespace settings {

// Runs its own wait loop until the prompt ends: a correct password (the
// unscrambled Passwort, byte for byte) sets AccessGranted to 1, a close
// request of any program window sets it to 0. Every event that arrives
// meanwhile is taken by the prompt.
void RunPasswordPrompt();

}  // namespace settings
