#pragma once
// Reader and writer of the launcher's group/key/value text files (settings.dat, applications.dat).
// At most one file is open at a time; its state is one process-wide record, so every operation is a
// free function. Names and values are 8-bit (Windows-1252) strings; a null pointer counts as "".
// Failures show only in results: 0 from Open, Create and SelectGroup, defaults from reads.
//
// A file that begins with the UTF-8 mark is read and written as UTF-8, converted from and to
// Windows-1252. A text with characters 1252 lacks (or invalid bytes) reads with a '?' for each;
// its own bytes are kept for the run, and writing that stand-in back to the same place of that
// file (the same group and key, letter case aside; a group name that no other kept name shares)
// writes the kept bytes. A file read as UTF-8 in this run stays UTF-8 when Create starts it over.
#include <cstdint>
#include <string>

namespace preference {

// Closes (and writes back) any open file, then reads `path` whole. A missing file gives 0, but the
// path is remembered so that writes made anyway create the file at Close. A missing file with its
// temporary copy (`path` + ".tmp", left by a save cut short on FAT) is read from that copy; a copy
// beside an existing file is an interrupted write and goes. A file held by another process is
// tried again for about a second.
//
// A file that exists but cannot be read (held, denied, a read error) gives 0 as well, and stays
// unwritable for the rest of the run: Create refuses it and no Close writes it, because what is in
// memory is not its content.
int Open(const char* path);

// True when `path` existed but could not be read in this run (see Open).
bool Unreadable(const char* path);

// Closes any open file, then starts `path` over with no lines. The file on disk keeps its old
// content until Close replaces it in one step; 0 when it could not be written then.
int Create(const char* path);

// Writes the file back if it was changed (in one atomic replace), closes it and forgets all lines.
// 0 when a change could not be written (the file is read-only, unreadable in this run, or the
// write failed); 1 otherwise, also when there was nothing to write.
int Close();

// Forgets the open file without writing anything or freeing its lines: after a fault its lines
// may be half-built, and the file on disk must keep what it had.
void Abandon();

// True while a file is open or a path is remembered; the exit path closes it then.
bool IsOpen();

int RewindGroups();
// Moves to the next group header; 0 at the end, leaving the current group as it was.
int NextGroup();
// The name runs from "[" to the last "]" of the header line (the whole rest without one).
std::string GroupName();

// 1 when the group exists or `name` is empty (the lines before the first group). Otherwise the name
// is kept pending: reads give their defaults and the first write appends the group at the end.
int SelectGroup(const char* name);

std::string ReadString(const char* key, const char* def);
int32_t ReadInt(const char* key, int32_t def);
void WriteString(const char* key, const char* value);
void WriteInt(const char* key, int32_t value);
// Goes directly after the line written or selected last.
void WriteComment(const char* text);
// The first group named exactly so, else the first whose name differs in ASCII case only.
void RemoveGroup(const char* name);

}  // namespace preference
