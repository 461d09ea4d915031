#pragma once
// What the launcher settles before anything else at start. It runs from a
// stick that anyone who had it may have written to, and that may be pulled
// at any moment.

namespace app {

// No critical-error boxes (a vanished drive is a result, not a question to
// the user), and libraries only from the system folder.
void HardenProcess();

// When a launcher already runs from the same start folder, shows its main
// window (titled `mainTitle`) in front and returns true: this process then
// ends without touching the files. Otherwise this process becomes the one
// that later starts find, and the result is false.
bool ShowRunningLauncher(const char* mainTitle);

}  // namespace app
