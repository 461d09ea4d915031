#pragma once
#include <string>

namespace app {

// Runs every 250 ms on the timer thread: hover captions or day and time in
// the upper bar, the drive gauge and its lamp in the lower one.
void StatusStripTick();

// Day name, blank, "%dd.%mm.%yy / %hh:%ii", " Uhr".
std::string BuildDateText();

}  // namespace app
