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

// How a code page writes letters: which bytes begin a two-byte character (whose second byte may
// look like any letter), and what each single-byte capital lowers to (itself for every byte that
// is no capital letter). The platform side fills one for the system's ANSI code page, the one file
// names are in.
struct CaseRules {
  bool lead[256] = {};
  unsigned char lower[256] = {};
  CaseRules();  // ASCII capitals only
};

// Windows-1252: A-Z, the capitals 0xC0..0xDE except the multiplication sign 0xD7, and
// S, OE, Z with caron and Y with diaeresis (0x8A, 0x8C, 0x8E, 0x9F).
const CaseRules& Windows1252Rules();

// The letters of `text` lowered by `rules`; both bytes of a two-byte character and every byte that
// is no letter stay as they are, so a lowered path still names the same file.
std::string LowerCase(const std::string& text, const CaseRules& rules);

// LowerCase by the Windows-1252 rules: for the program's own texts.
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
