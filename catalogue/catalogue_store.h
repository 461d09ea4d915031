#pragma once
// The program-wide catalogue and its file, applications.dat in the start
// directory. Paths are stored without the launcher's drive so that the stick
// keeps working under another drive letter.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/text_ops.h"

namespace catalogue {

extern Catalogue gCatalogue;

// Appends one entry per group of the file, in file order, with ProgramDrive
// put in front of the lower-cased stored paths and the icons resolved. A
// missing file leaves the catalogue as it is.
void LoadCatalogue();

// Rewrites the file from the whole catalogue; a file that cannot be written
// stays as it was. False when it could not be written.
bool SaveCatalogue();

// The catalogue file's name in the start directory.
extern const char kCatalogueFileName[];

// Every icon of the catalogue is read through these two, so one rule holds
// for all of them: a path into the system folder is read where the user saw
// the file (storage::NativeSystemPath), and no picture larger than an icon
// (ui::kIconLimits) is made.
//
// First icon of a program or icon file, 0 when it holds none. The same file
// (compared ignoring case) gives the same handle for the rest of the run.
HICON ExtractFirstIcon(const std::string& path);
// An icon or image file loaded as a new image (a fresh number); 0 when it
// cannot be loaded.
HANDLE LoadIconImage(const std::string& path);

// Takes the icons of the first `count` entries (their own programs' icons)
// on a thread of its own while start-up goes on; EndIconPrefetch stops it
// after the icon it is taking and keeps what it took for ExtractFirstIcon
// (it returns how many). Nothing else may extract icons in between.
void StartIconPrefetch(int count);
int EndIconPrefetch();

// The letter rules of the system's ANSI code page, the one file names are in
// (taken once). Stored paths are lowered by these.
const CaseRules& SystemCaseRules();

// NameClashes of the program-wide catalogue.
std::vector<std::pair<int, int>> CatalogueNameClashes();

}  // namespace catalogue
