#pragma once
// Files dropped onto a program window from the file explorer. The window
// reports a FilesDropped event; the names wait here until they are taken.
#include <string>
#include <vector>

namespace ui {

// Makes the window a drop target for files (OLE drags and the older drop
// message). 1 on success, 0 when the window does not exist.
int AcceptFileDrops(int windowNumber);

// The full paths of the last drop, in the order the source gave them; the
// list is empty afterwards.
std::vector<std::string> TakeDroppedFiles();

// Withdraws every drop target (exit path).
void FileDropShutdown();

}  // namespace ui
