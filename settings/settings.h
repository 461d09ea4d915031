#pragma once
// The program-wide record: the stored settings, one field per key of
// settings.dat, and the run-time fields filled at start-up.
#include <array>
#include <cstdint>
#include <string>

#include "settings/alignment.h"

namespace settings {

struct Settings {
  // Stored in group "Einstellungen".
  std::string Schriftart;
  int32_t Schriftfarbe = 0;
  int32_t Schriftgrösse = 0;
  int32_t Style = 0;
  int32_t Fensterausrichtung = 0;
  int32_t Fensterpositionx = 0;
  int32_t Fensterpositiony = 0;
  int32_t Fensteroption = 0;
  int32_t Fensterdocking = 0;
  std::string Passwort;
  std::string Skin;
  // Not stored: 1 while the protected commands may run without asking.
  int32_t AccessGranted = 0;

  // Run-time fields.
  std::string Title;
  std::string Version;
  std::string ProgramDrive;
  std::string StartDirectory;  // the folder of trovanto.exe, with a trailing backslash; "" = the current directory
  std::array<std::string, 7> DayNames;
  std::array<std::string, 8> CommandCaptions;  // 1 to 7
  std::string StatusText;
  std::string DateText;
};

extern Settings gSettings;

// Desktop work-area edges taken once at start-up. A task bar at the top or
// the left moves the work area's origin off 0, 0.
extern int32_t gWorkAreaLeft;
extern int32_t gWorkAreaTop;
extern int32_t gWorkAreaRight;
extern int32_t gWorkAreaBottom;
// Primary display size as examined at start-up.
extern int32_t gDisplayWidth;
extern int32_t gDisplayHeight;
// The same two, as rectangles in the windows' coordinate space (the primary
// display's origin is always 0, 0 there).
Area WorkArea();
Area PrimaryDisplay();

// Title + " v" + Version.
std::string TitleWithVersion();

// Path of one of the launcher's own files, in the start directory.
std::string StartDirectoryFile(const char* name);

}  // namespace settings
