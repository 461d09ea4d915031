#include "ui/system_library.h"

#include <windows.h>

#include <string>

namespace ui {

void* SystemLibraryFunction(const char* library, const char* name) {
  char folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(folder, length) + "\\" + library;
  // By full path, and its own imports from its own folder as well. A module
  // already loaded is found again, so a repeated look-up costs little.
  HMODULE module = GetModuleHandleA(path.c_str());
  if (!module) module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

void* User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<void*>(GetProcAddress(user32, name)) : nullptr;
}

}  // namespace ui
