#pragma once
// What the launcher settles before anything else at start. It runs from a
// stick that anyone who had it may have written to, and that may be pulled
// at any moment.

#include <string>

namespace app {

// The folder that holds trovanto.exe: the launcher's files live there
// whatever the current directory was at start (a command prompt, the Run
// box, a shortcut's "Start in").
struct StartFolder {
  std::wstring wide;    // full long path with a trailing backslash; empty if unknown
  std::string narrow;   // the same in the system's ANSI code page, as the file calls take it
  std::string drive;    // its drive letter and colon ("\\" on a network share)
  std::string guarded;  // the ANSI spelling the folder deletion refuses to reach
};
StartFolder FindStartFolder();

// Makes the start folder the current directory, so that programs started
// without a folder of their own run there, as in the usual start from the
// folder itself, and nothing resolves against a folder of the host PC. When
// the folder has no ANSI spelling that the file calls can use, `narrow` is
// empty: the launcher's files are then named relative to the current
// directory, which holds the folder by its wide name. Returns false when
// the folder could not be entered; an empty `narrow` then becomes the
// lossy spelling, which names no file, so nothing lands anywhere else.
bool EnterStartFolder(StartFolder& folder);

// No critical-error boxes (a vanished drive is a result, not a question to
// the user), and libraries only from the system folder.
void HardenProcess();

// When a launcher already runs from the start folder `folder`, shows its main
// window (titled `mainTitle`) in front and returns true: this process then
// ends without touching the files. Otherwise this process becomes the one
// that later starts find, and the result is false.
bool ShowRunningLauncher(const StartFolder& folder, const char* mainTitle);

}  // namespace app
