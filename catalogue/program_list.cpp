#include "catalogue/program_list.h"

#include <map>
#include <string>
#include <vector>

#include "catalogue/catalogue_store.h"
#include "storage/line_counter.h"
#include "ui/controls.h"

TROVANTO_LINE_BASE(storage::kLinesProgramList)

namespace catalogue {
namespace {

constexpr int kAddChangeList = 91;

// What a list shows: the catalogue itself, read when the list draws or
// searches an item, or, while the add/change dialog may change entries that
// the other lists must go on showing as they were filled, a copy of names and
// icons (icons still unresolved until drawn).
struct Shown {
  std::string Name;
  EntryIcon Icon;
};
struct ListSource {
  bool frozen = false;
  std::vector<Shown> items;
};

std::map<int, ListSource>& Sources() {
  static std::map<int, ListSource> sources;
  return sources;
}

void ProvideEntry(void* context, int index, std::string* text, HANDLE* image) {
  auto* source = static_cast<ListSource*>(context);
  if (source->frozen) {
    if (index < 0 || index >= static_cast<int>(source->items.size())) return;
    Shown& shown = source->items[static_cast<size_t>(index)];
    *text = shown.Name;
    if (image) *image = static_cast<HANDLE>(ResolveEntryIcon(shown.Icon));
    return;
  }
  if (index < 0 || index >= gCatalogue.Count()) return;
  AppEntry& entry = gCatalogue.At(index);
  *text = entry.Name;
  if (image) *image = static_cast<HANDLE>(ResolveEntryIcon(entry.Icon));
}

void Freeze(ListSource& source) {
  source.frozen = true;
  source.items.clear();
  source.items.reserve(static_cast<size_t>(gCatalogue.Count()));
  for (int i = 0; i < gCatalogue.Count(); ++i) source.items.push_back({gCatalogue.At(i).Name, gCatalogue.At(i).Icon});
}

}  // namespace

void FillProgramList(int controlNumber) {
  MARK_LINE();
  auto& sources = Sources();
  ListSource& source = sources[controlNumber];
  const bool editing = ui::ControlExists(kAddChangeList) != 0;
  if (controlNumber == kAddChangeList) {
    // From now on entries change under the other lists: they keep what the
    // catalogue holds now, which is what they were filled with.
    for (auto& other : sources)
      if (other.first != kAddChangeList && !other.second.frozen && ui::ControlExists(other.first))
        Freeze(other.second);
    source.frozen = false;
    source.items.clear();
  } else if (editing) {
    Freeze(source);
  } else {
    source.frozen = false;
    source.items.clear();
  }
  ui::SetControlItemProvider(controlNumber, gCatalogue.Count(), ProvideEntry, &source);
  // As after walking the whole catalogue: the dialogs rely on it.
  gCatalogue.SelectIndex(gCatalogue.Count() - 1);
}

}  // namespace catalogue
