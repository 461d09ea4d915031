#include "catalogue/program_list.h"

#include "catalogue/catalogue_store.h"
#include "ui/controls.h"

namespace catalogue {

void FillProgramList(int controlNumber) {
  ui::ClearControlItems(controlNumber);
  gCatalogue.ForEach([controlNumber](AppEntry& entry) {
    ui::AddControlItem(controlNumber, -1, entry.Name.c_str(), static_cast<HANDLE>(entry.Icon));
  });
}

}  // namespace catalogue
