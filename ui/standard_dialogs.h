#pragma once
// The platform's open-file, message-box and font dialogs. Each is modal to
// every window of the program, not only to its owner.
#include <windows.h>
#include <commdlg.h>

// commdlg.h renames ChooseFont to ChooseFontA. Our operation keeps its own
// name, and a file that saw the macro would otherwise link against a
// different symbol than one that did not; the include guard keeps the macro
// from coming back later.
#ifdef ChooseFont
#undef ChooseFont
#endif

#include <cstdint>
#include <string>

namespace ui {

// The chosen full path, or "" when the user cancels. filter is pairs of
// description and patterns separated by "|"; filterIndex is 0-based.
std::string ChooseFileToOpen(const char* title, const char* defaultPath, const char* filter, int filterIndex);
// The 0-based filter of the last confirmed ChooseFileToOpen.
int LastChosenFilter();

// flags are the platform's message-box style bits; returns the pressed button.
int ShowMessage(const char* title, const char* text, uint32_t flags);

// size in points (0 = leave unset), colour -1 = none given. 1 when confirmed,
// 0 when cancelled; the results stay readable until the next call.
int ChooseFont(const char* face, int size, uint32_t flags, int32_t colour);
std::string ChosenFontFace();
int ChosenFontSize();  // whole points, fraction dropped
int32_t ChosenFontColour();
int ChosenFontStyle();  // kFontBold, kFontItalic, kFontUnderline, kFontStrikeOut

// --- Pieces of ChooseFileToOpen, open for tests ---------------------------

// The "|"-separated filter as the platform's NUL-separated list, ending in
// two NULs.
std::string FilterList(const char* filter);

struct InitialPlace {
  std::string folder;    // "" = none
  std::string fileName;  // "" = none
};
// Splits the default path at its last backslash; a file name the platform
// would reject (a pattern, for instance) is dropped.
InitialPlace SplitDefaultPath(const char* defaultPath);

}  // namespace ui
