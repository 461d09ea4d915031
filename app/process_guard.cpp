#include "app/process_guard.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace app {
namespace {

// Libraries that the system folder holds but the loader does not take from
// there on its own (they are no "known" libraries), and that system libraries
// load by name later on. Where the search order cannot be set, they are
// loaded by full path first, so that a later load by name finds the module
// already there. Common controls are left out: their version 6 comes from the
// side-by-side store named in the manifest.
const char* const kSystemLibraries[] = {"winmm.dll", "uxtheme.dll", "version.dll", "dwmapi.dll"};

template <typename Function>
Function SystemFunction(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (!handle) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

constexpr char kMainWindowClass[] = "TrovantoWindow60";

// One name per start folder, case folded, so that launchers on two sticks
// (two drive letters) never meet.
std::string FolderKey() {
  char folder[MAX_PATH * 4] = {};
  DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder) return "";
  CharUpperBuffA(folder, length);
  if (length > 3 && folder[length - 1] == '\\') --length;
  uint64_t hash = 1469598103934665603ull;
  for (DWORD i = 0; i < length; ++i) {
    hash ^= static_cast<unsigned char>(folder[i]);
    hash *= 1099511628211ull;
  }
  char name[64];
  std::snprintf(name, sizeof name, "Local\\Trovanto-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

struct WindowSearch {
  DWORD pid;
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid || GetWindow(window, GW_OWNER)) return TRUE;
  char text[64] = {};
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  if (std::strcmp(cls, kMainWindowClass) != 0 || std::strcmp(text, search->title) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

bool ProcessEnded(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return true;
  bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

}  // namespace

void HardenProcess() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

  using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
  auto setDefault = SystemFunction<SetDefaultDirectories>("kernel32.dll", "SetDefaultDllDirectories");
  // From here on every load by name, a system library's own included, looks
  // in the system folder only.
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Windows 7 without the loader update: the current folder at least goes
  // out of the search, and the libraries loaded by name later are taken
  // from the system folder now, while the program's own folder would still
  // come first.
  SetDllDirectoryA("");

  char system[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH - 16) return;
  for (const char* library : kSystemLibraries) {
    std::string path = std::string(system, length) + "\\" + library;
    LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

bool ShowRunningLauncher(const char* mainTitle) {
  const std::string name = FolderKey();
  if (name.empty()) return false;
  // The mapping lives as long as some launcher of this folder holds it: it
  // goes with the process, even one that was killed.
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), name.c_str());
  if (!mapping) return false;
  const bool another = GetLastError() == ERROR_ALREADY_EXISTS;
  auto* owner = static_cast<volatile LONG*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(LONG)));
  if (!owner) return false;
  const LONG self = static_cast<LONG>(GetCurrentProcessId());
  if (!another) {
    InterlockedExchange(owner, self);
    return false;
  }

  // The other launcher may still be starting: its window comes at step 13.
  const DWORD started = GetTickCount();
  while (GetTickCount() - started < 15000) {
    const DWORD pid = static_cast<DWORD>(InterlockedCompareExchange(owner, 0, 0));
    if (pid != 0 && ProcessEnded(pid)) {
      // It ended while this one looked: this one takes its place.
      if (InterlockedCompareExchange(owner, self, static_cast<LONG>(pid)) == static_cast<LONG>(pid)) return false;
      continue;
    }
    if (pid != 0) {
      WindowSearch search = {pid, mainTitle, nullptr};
      EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
      if (search.found) {
        AllowSetForegroundWindow(pid);
        ShowWindow(search.found, IsIconic(search.found) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(search.found);
        return true;
      }
    }
    Sleep(50);
  }
  // A launcher that never shows its window still owns the folder's files.
  return true;
}

}  // namespace app
