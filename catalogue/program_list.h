#pragma once
// Fills a list with icons from the catalogue: the main window's program list
// and the lists of the add/change and remove dialogs.

namespace catalogue {

// Empties list `controlNumber`, then appends one item per catalogue entry in
// catalogue order (Name as text, Icon as image), so that an item's index is
// the entry's index. Leaves the catalogue's cursor on its last entry.
void FillProgramList(int controlNumber);

}  // namespace catalogue
