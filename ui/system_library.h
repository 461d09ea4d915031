#pragma once
// Functions of the system libraries that the loader would take from beside
// the program before the system folder (winmm, uxtheme: they are no "known"
// libraries). They are never linked, so that a copy planted on the stick is
// never loaded; each is looked up once, in the system folder, at first use.

namespace ui {

// nullptr when the library or the function is missing.
void* SystemLibraryFunction(const char* library, const char* name);

template <typename Function>
Function SystemFunction(const char* library, const char* name) {
  return reinterpret_cast<Function>(SystemLibraryFunction(library, name));
}

}  // namespace ui
