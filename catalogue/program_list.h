#pragma once
// Fills a list with icons from the catalogue: the main window's program list
// and the lists of the add/change and remove dialogs.
#include <string>

namespace catalogue {

// What a filled list shows and what its item indices stand for.
enum class ListContents {
  // The catalogue itself, read whenever the list draws an item: item i is
  // the entry at place i now, whatever the dialogs have done since the fill.
  kLive,
  // The names, icons and program files the catalogue held at the fill, kept
  // while the add/change dialog changes entries under the other lists: item
  // i stands for the entry that was at place i then.
  kSnapshot,
};

// Lists other than the add/change dialog's are filled with snapshots while
// that dialog is open, and live otherwise.
ListContents ContentsBesideAddChangeDialog();

// Empties list `controlNumber`, then appends one item per catalogue entry in
// catalogue order (Name as text, Icon as image), so that an item's index is
// the entry's index. Leaves the catalogue's cursor on its last entry.
void FillProgramList(int controlNumber, ListContents contents);

// Turns every filled live list except `exceptControl` into a snapshot of
// what it shows now. Called before the catalogue starts changing under the
// lists that are to go on showing it as it was.
void SnapshotLiveListsExcept(int exceptControl);

// Folder + FileName of the entry that item `index` of list `controlNumber`
// stands for (see ListContents); empty when the list has no such item.
std::string ProgramFileOfListItem(int controlNumber, int index);

}  // namespace catalogue
