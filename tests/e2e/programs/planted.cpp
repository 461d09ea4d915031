// What someone who had the stick may leave beside trovanto.exe: a program
// (copied as explorer.exe) and a library (copied under system library names).
// Either, once run or loaded, leaves "<its file name>.mark" beside itself.
#include <windows.h>

namespace {

void LeaveMark(HMODULE self) {
  char path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcpyA(path + length, ".mark");
  HANDLE mark = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
}

}  // namespace

#ifdef PLANTED_LIBRARY
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMark(self);
  return TRUE;
}
#else
int main() {
  LeaveMark(nullptr);
  return 0;
}
#endif
