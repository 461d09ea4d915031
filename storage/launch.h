#pragma once
// Starting programs, documents and web addresses. Runs on the GUI thread.
#include <cstdint>
#include <string>

namespace storage {

constexpr uint32_t kStartWait = 1;    // wait until the started program ends
constexpr uint32_t kStartHidden = 2;  // no window and no console

// Creates a process from the quoted file (a file beginning with a double
// quote is taken as it is) plus " " + parameters; when that fails, hands the
// file to the shell's "Open" verb. An empty directory means the launcher's
// current one for a process and the file's own folder for the shell.
// 1 when started, 0 when both ways failed; never shows a message.
int StartProgram(const char* file, const char* parameters, const char* directory, uint32_t flags);

// A 32-bit program on 64-bit Windows that names the system folder
// (System32) is shown the folder of 32-bit system programs instead, where a
// program the user chose or dropped from the 64-bit file explorer may be
// missing. In such a process a path into the system folder is returned
// through the alias that reaches the real one (Sysnative); any other path,
// and every path in a 64-bit or 32-bit-only system, comes back unchanged.
// A leading double quote is kept.
std::string NativeSystemPath(const std::string& path);

// Full path of a file in the Windows folder ("C:\\Windows\\explorer.exe");
// the bare name when the folder cannot be read.
std::string WindowsFolderFile(const char* name);

// The shell's default action on a "mailto:" address; the result is ignored.
void OpenMailAddress(const char* mailto);

}  // namespace storage
