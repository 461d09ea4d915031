#pragma once
// settings.dat in the start directory: loading at start-up (which also places
// the window, makes the user font 11 and prepares the skin images) and saving
// when the settings dialog is confirmed.

namespace settings {

// Examines the displays (gDisplayWidth/gDisplayHeight) in every case. Each
// group named exactly "Einstellungen" is applied in file order. Without the
// file or such a group nothing but AccessGranted changes, and neither font 11
// nor a skin image is made.
void LoadSettings();

// Writes every stored field with its comment lines; a file that cannot be
// written stays as it was. False when it could not be written.
bool SaveSettings();

// The settings file's name in the start directory.
extern const char kSettingsFileName[];

// Tells the user that one of the launcher's files (named as in the start
// directory) could not be saved and that the changes last until the end.
void ReportSaveFailure(const char* fileName);

}  // namespace settings
