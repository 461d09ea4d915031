#include "catalogue/program_list.h"

#include <map>
#include <string>
#include <vector>

#include "catalogue/add_change_dialog.h"
#include "catalogue/catalogue_store.h"
#include "storage/line_counter.h"
#include "ui/controls.h"

TROVANTO_LINE_BASE(storage::kLinesProgramList)

namespace catalogue {
namespace {

// A snapshot keeps the icons still unresolved until the list draws them.
struct Shown {
  std::string Name;
  EntryIcon Icon;
  std::string ProgramFile;
};
struct ListSource {
  ListContents contents = ListContents::kLive;
  std::vector<Shown> items;
};

std::map<int, ListSource>& Sources() {
  static std::map<int, ListSource> sources;
  return sources;
}

void ProvideEntry(void* context, int index, std::string* text, HANDLE* image) {
  auto* source = static_cast<ListSource*>(context);
  if (source->contents == ListContents::kSnapshot) {
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

void TakeSnapshot(ListSource& source) {
  source.contents = ListContents::kSnapshot;
  source.items.clear();
  source.items.reserve(static_cast<size_t>(gCatalogue.Count()));
  for (int i = 0; i < gCatalogue.Count(); ++i) {
    const AppEntry& entry = gCatalogue.At(i);
    source.items.push_back({entry.Name, entry.Icon, entry.Folder + entry.FileName});
  }
}

}  // namespace

ListContents ContentsBesideAddChangeDialog() {
  return AddChangeDialogOpen() ? ListContents::kSnapshot : ListContents::kLive;
}

void FillProgramList(int controlNumber, ListContents contents) {
  MARK_LINE();
  ListSource& source = Sources()[controlNumber];
  if (contents == ListContents::kSnapshot) {
    TakeSnapshot(source);
  } else {
    source.contents = ListContents::kLive;
    source.items.clear();
  }
  ui::SetControlItemProvider(controlNumber, gCatalogue.Count(), ProvideEntry, &source);
  // As after walking the whole catalogue: the dialogs rely on it.
  gCatalogue.SelectIndex(gCatalogue.Count() - 1);
}

void SnapshotLiveListsExcept(int exceptControl) {
  MARK_LINE();
  for (auto& [control, source] : Sources())
    if (control != exceptControl && source.contents == ListContents::kLive && ui::ControlExists(control))
      TakeSnapshot(source);
}

std::string ProgramFileOfListItem(int controlNumber, int index) {
  auto found = Sources().find(controlNumber);
  if (found == Sources().end() || index < 0 || index >= ui::CountControlItems(controlNumber)) return "";
  const ListSource& source = found->second;
  if (source.contents == ListContents::kSnapshot) {
    if (index >= static_cast<int>(source.items.size())) return "";
    return source.items[static_cast<size_t>(index)].ProgramFile;
  }
  if (index >= gCatalogue.Count()) return "";
  const AppEntry& entry = gCatalogue.At(index);
  return entry.Folder + entry.FileName;
}

}  // namespace catalogue
