#pragma once
// The settings dialog "Einstellungen" (window 65). Every change takes effect
// at once on the main window and in gSettings; only the confirming button
// writes settings.dat.

namespace settings {

// Creates window 65 with its controls and fills them from gSettings. Filling
// changes nothing on screen outside the dialog: no window moves and no skin
// is applied. gSkinNames is sorted in place (byte order).
void OpenSettingsDialog();

// Controls 10, 52, 53, 66 to 75, 82, 83 and 84, as the main loop hands them
// over (type = the event's subtype).
void SettingsControlEvent(int control, int type);

// The number in a position field: leading blanks and tabs skipped, an
// optional sign, the digits up to the first other character; 0 without
// digits. Values beyond 32 bits stop at the nearest limit.
int ParsePosition(const char* text);

}  // namespace settings
