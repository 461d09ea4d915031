#pragma once
// Functions of system libraries that are never linked, each looked up once,
// in the system folder, at first use:
//  - those the loader would take from beside the program before the system
//    folder (winmm, uxtheme: they are no "known" libraries), so that a copy
//    planted on the stick is never loaded;
//  - those the first paint does not need (shell32, ole32, comdlg32), so that
//    neither they nor what they bring load before it.

namespace ui {

// nullptr when the library or the function is missing.
void* SystemLibraryFunction(const char* library, const char* name);

// A function of the user32 already loaded that older systems lack (the DPI
// queries of Windows 10), or nullptr.
void* User32Function(const char* name);

template <typename Function>
Function SystemFunction(const char* library, const char* name) {
  return reinterpret_cast<Function>(SystemLibraryFunction(library, name));
}

}  // namespace ui
