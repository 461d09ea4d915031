#pragma once
// The add/change dialog (window 62): builds the catalogue entry by entry.
// Every change goes straight into the program-wide catalogue; closing with
// complete, distinct entries saves it. Its events come through the main loop.
#include <cstdint>
#include <string>
#include <vector>

namespace catalogue {

// Index of the entry the dialog's fields show and edit; kept across openings.
extern int32_t gCurrentEntryIndex;

// The folder the two file requesters open in, with a trailing separator: the
// start directory until a file was chosen, afterwards that file's folder.
std::string RequesterFolder();

// Creates the window with its controls, fills its list and, when there are
// entries, shows the first one and selects it.
void OpenAddChangeDialog();

// Controls 47, 48, 49, 50, 51, 54, 79 and 91; every event type is passed on,
// since the list and the name field react to all of theirs.
void AddChangeControlEvent(int control, int type);

// Enter while the name field has the focus: the same as the program button.
void AddChangeEnterKey();

// Program files dropped onto the main window: one new entry per path,
// appended in order and filled as if chosen with the program requester,
// named after the file without its extension. The dialog must be open.
void AddDroppedPrograms(const std::vector<std::string>& paths);

// The close box: saves and closes when every entry is complete and no two
// names are equal ignoring case; otherwise tells why and stays open.
void AddChangeCloseRequest();

// Whether the dialog (its list) exists: while it does, the catalogue changes
// under the other lists.
bool AddChangeDialogOpen();

// The remove dialog changed the catalogue under the open dialog: its list is
// refilled and nothing stays selected for editing.
void AddChangeCatalogueChanged();

}  // namespace catalogue
