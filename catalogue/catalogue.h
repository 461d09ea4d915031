#pragma once
// The in-memory list of launchable programs and its cursor. The dialogs move
// the cursor implicitly (adding, removing, walking the list) and depend on
// exactly where each operation leaves it, so those rules live here in one
// place.
#include <cstdint>
#include <string>
#include <vector>

namespace catalogue {

struct AppEntry {
  std::string Name;      // display name; also the group name in the file
  std::string FileName;  // program file without folder
  std::string Folder;    // drive + folders, ending in a separator (or empty)
  std::string IconFile;  // full path of the file the icon comes from
  void* Icon = nullptr;  // icon or image handle shown in the lists
  int32_t IsNew = 0;     // 1 while unsaved since the add/change dialog opened
};

class Catalogue {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  // -1 when there is no current entry.
  int CursorIndex() const { return cursor_; }
  // nullptr when there is no current entry.
  AppEntry* Current();

  // An index at or past the end selects the last entry; negative selects none.
  void SelectIndex(int index);

  // Inserts an empty entry right after the current one (at the front when
  // there is none) and makes it current.
  AppEntry& Add();

  // Removes the current entry. The cursor moves to the entry before it, or,
  // when the first entry was removed, to its successor; none if the list
  // became empty. Does nothing without a current entry.
  void RemoveCurrent();

  // index must lie in 0..Count()-1. Does not move the cursor.
  AppEntry& At(int index) { return entries_[static_cast<size_t>(index)]; }
  const AppEntry& At(int index) const { return entries_[static_cast<size_t>(index)]; }

  // Calls f(AppEntry&) for each entry from first to last, with the cursor on
  // the entry being visited; afterwards the cursor stays on the last entry
  // (none when empty), as the dialogs expect after filling a list.
  template <class F>
  void ForEach(F f) {
    cursor_ = -1;
    for (int i = 0; i < Count(); ++i) {
      cursor_ = i;
      f(entries_[static_cast<size_t>(i)]);
    }
    cursor_ = Count() - 1;
  }

  // Exchanges two entries with all their fields; the cursor keeps its index.
  // Out-of-range indices are ignored.
  void Swap(int a, int b);

  void Clear();

 private:
  std::vector<AppEntry> entries_;
  int cursor_ = -1;
};

}  // namespace catalogue
