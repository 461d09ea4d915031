#pragma once
// The remove dialog (window 63): the ticked entries leave the catalogue and
// applications.dat, optionally together with their program folders. Its
// events come through the main loop.

namespace catalogue {

// Creates the window with its controls and fills its list.
void OpenRemoveDialog();

// Button 45 runs the removal; other controls and event types do nothing.
void RemoveDialogControlEvent(int control, int type);

// The add/change dialog added, moved or removed entries while this dialog is
// open: its list is filled again, with every box unticked.
void RemoveDialogCatalogueChanged();

}  // namespace catalogue
