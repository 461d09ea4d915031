#include "catalogue/program_list.h"

#include "catalogue/catalogue_store.h"
#include "storage/line_counter.h"
#include "ui/controls.h"

TROVANTO_LINE_BASE(storage::kLinesProgramList)

namespace catalogue {

void FillProgramList(int controlNumber) {
  MARK_LINE();
  ui::ClearControlItems(controlNumber);
  gCatalogue.ForEach([controlNumber](AppEntry& entry) {
    ui::AddControlItem(controlNumber, -1, entry.Name.c_str(), static_cast<HANDLE>(entry.Icon));
  });
}

}  // namespace catalogue
