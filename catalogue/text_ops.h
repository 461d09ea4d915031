#pragma once
// Text helpers shared by the catalogue file and its dialogs. All texts are
// Windows-1252 bytes; paths may use backslashes or slashes.
#include <string>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"

namespace catalogue {

// Up to and including the last separator; "" without one. A leading double
// quote is skipped and nothing from the first '|' on is looked at.
std::string PathPart(const std::string& path);

// After the last separator (or the whole text less a leading double quote),
// cut at the next double quote.
std::string FilePart(const std::string& path);

// A-Z and the Windows-1252 capitals 0xC0..0xDE lowered; the rest unchanged.
std::string LowerCase1252(const std::string& text);

// Every non-overlapping occurrence of `text` removed, left to right,
// ignoring ASCII case. An empty `text` leaves the source as it is.
std::string RemoveText(const std::string& source, const std::string& text);

// After the last '.', or "" when there is none or a separator follows it.
std::string Extension(const std::string& path);

// Whether a dropped file is one the launcher starts as a program: the
// extension exe, com or bat in any case.
bool IsProgramFile(const std::string& path);

// The file part without its extension: the name a dropped program gets.
// A file part that is nothing but an extension stays whole.
std::string NameFromFile(const std::string& path);

// What the add/change dialog shows for an entry's program and icon files.
std::string ProgramLongForm(const AppEntry& entry, const std::string& programDrive);
std::string ProgramOpeningForm(const AppEntry& entry, const std::string& programDrive);
std::string IconOpeningForm(const AppEntry& entry, const std::string& programDrive);
std::string IconShortForm(const AppEntry& entry);

// Names equal except for ASCII case end up in one group of the catalogue
// file, and the later one silently overwrites the earlier. Returns (i, j),
// i < j, for each entry j that has such an earlier twin, i being the first.
std::vector<std::pair<int, int>> NameClashes(const Catalogue& catalogue);

}  // namespace catalogue
