#pragma once
// The in-memory list of launchable programs and its cursor. The dialogs move
// the cursor implicitly (adding, removing, walking the list) and depend on
// exactly where each operation leaves it, so those rules live here in one
// place.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace catalogue {

// One icon source of a catalogue load (a program or icon file, and whether it
// is the entry's own program). Entries that name the same source share one, so
// the file is read once, and only when an entry's icon is first needed.
struct IconSource {
  std::string File;
  bool OwnProgram = false;
  void* (*Resolve)(const IconSource&) = nullptr;
  bool Resolved = false;
  void* Handle = nullptr;
};

// The icon of an entry: set outright, or taken from its source on first use.
// Taking it reads the source file, so that is a call of its own
// (ResolveEntryIcon), never a conversion a reader could pass over.
class EntryIcon {
 public:
  EntryIcon() = default;
  EntryIcon(void* handle) : handle_(handle) {}  // NOLINT: set like a handle
  EntryIcon& operator=(void* handle) {
    handle_ = handle;
    source_.reset();
    return *this;
  }
  void SetSource(std::shared_ptr<IconSource> source) {
    handle_ = nullptr;
    source_ = std::move(source);
  }
  bool Pending() const { return source_ != nullptr; }
  // The source still to be read, or nullptr.
  const IconSource* Source() const { return source_.get(); }

  // The handle; a pending icon first reads its source (once for every entry
  // that shares it).
  friend void* ResolveEntryIcon(const EntryIcon& icon) {
    if (icon.source_) {
      if (!icon.source_->Resolved) {
        icon.source_->Handle = icon.source_->Resolve ? icon.source_->Resolve(*icon.source_) : nullptr;
        icon.source_->Resolved = true;
      }
      icon.handle_ = icon.source_->Handle;
      icon.source_.reset();
    }
    return icon.handle_;
  }

 private:
  mutable void* handle_ = nullptr;
  mutable std::shared_ptr<IconSource> source_;
};

struct AppEntry {
  std::string Name;      // display name; also the group name in the file
  std::string FileName;  // program file without folder
  std::string Folder;    // drive + folders, ending in a separator (or empty)
  std::string IconFile;  // full path of the file the icon comes from
  EntryIcon Icon;        // icon or image handle shown in the lists
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

  // Removes the entries at the given indices (any order; repeated or out of
  // range ones are ignored) in one pass, the others keeping their order. The
  // cursor stays on the last entry (none when empty), as after a walk.
  void RemoveEntries(const std::vector<int>& indices);

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
