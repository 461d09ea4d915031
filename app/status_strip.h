#pragma once
#include <string>

namespace app {

// Runs every 250 ms on the timer thread: hover captions or day and time in
// the upper bar, the drive gauge and its lamp in the lower one.
void StatusStripTick();

// Any thread: the next tick draws the whole strip again, as its first did
// (its picture was made again for another scale).
void RedrawStatusStrip();

// Day name, blank, "%dd.%mm.%yy / %hh:%ii", " Uhr".
std::string BuildDateText();

}  // namespace app
