#pragma once
// Reader and writer of the launcher's group/key/value text files (settings.dat, applications.dat).
// At most one file is open at a time; its state is one process-wide record, so every operation is a
// free function. Names and values are 8-bit (Windows-1252) strings; a null pointer counts as "".
// Failures show only in results: 0 from Open, Create and SelectGroup, defaults from reads.
#include <cstdint>
#include <string>

namespace preference {

// Closes (and writes back) any open file, then reads `path` whole. A missing file gives 0, but the
// path is remembered so that writes made anyway create the file at Close.
int Open(const char* path);

// Closes any open file, then starts `path` over with no lines. The file on disk keeps its old
// content until Close replaces it in one step; 0 when it could not be written then.
int Create(const char* path);

// Writes the file back if it was changed (in one atomic replace), closes it and forgets all lines.
void Close();

// Forgets the open file without writing anything or freeing its lines: after a fault its lines
// may be half-built, and the file on disk must keep what it had.
void Abandon();

// True while a file is open or a path is remembered; the exit path closes it then.
bool IsOpen();

int RewindGroups();
// Moves to the next group header; 0 at the end, leaving the current group as it was.
int NextGroup();
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
void RemoveGroup(const char* name);

}  // namespace preference
