#pragma once
// Working directory, existence/size test, recursive folder removal and
// numbered folder listings. Paths are 8-bit strings in the ANSI code page.
// Called from the GUI thread only.
#include <cstdint>
#include <string>

namespace storage {

// The current directory with a trailing backslash; "" when it cannot be read
// or does not fit in MAX_PATH.
std::string GetWorkingDirectory();
// Null or empty does nothing; a failure is not reported.
void SetWorkingDirectory(const char* path);

// Size of a file in bytes, -2 for a folder or an existing drive, -1 when
// nothing is found. Wildcards are allowed: the first match decides.
int64_t PathSize(const char* path);

// Flag 1: descend into sub-folders; flag 2: clear attributes before deleting.
// Deletes the entries of folder that match pattern ("" or null = "*.*") and
// then the folder itself; nonzero when that final removal succeeded.
// Refused with 0, deleting nothing: a drive's root, the protected start
// directory or any folder containing it, paths that do not fit MAX_PATH, a
// folder that is (or is reached through) a junction or link, and a folder
// holding a name that a conversion to the narrow code pages turns into a
// separator, a drive or "."/"..". Links inside are removed as links.
// progress, when given, is called with context after every file deleted, so
// that a long deletion can keep its caller's windows painted.
using RemoveProgress = void (*)(void* context);
int RemoveTree(const char* folder, const char* pattern, int flags, RemoveProgress progress = nullptr,
               void* context = nullptr);

// The number of files RemoveTree with these arguments would delete (links
// and sub-folders not counted), or -1 when it would refuse the folder. A
// folder that cannot be listed counts 0.
int64_t CountTree(const char* folder, const char* pattern, int flags);

// True when path is folder itself or lies inside it, compared as full, long
// paths ignoring case. A bare "X:" stands for the root of drive X.
bool PathIsWithin(const char* path, const char* folder);

// The launcher's start directory, which RemoveTree never deletes. Set once at
// start-up; an empty text protects nothing beyond drive roots.
void SetProtectedStartDirectory(const std::string& dir);

// Listings in caller-numbered slots: OpenListing, then NextListingEntry until
// it gives 0, reading name and kind after each 1, then CloseListing.
// Opening a slot again ends its previous listing first.
int OpenListing(int slot, const char* folder, const char* pattern);
int NextListingEntry(int slot);
std::string ListingEntryName(int slot);
// 1 file, 2 folder, 0 no current entry.
int ListingEntryKind(int slot);
void CloseListing(int slot);

}  // namespace storage
