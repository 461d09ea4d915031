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
std::string FolderKey(const std::wstring& folder) {
  if (folder.empty()) return "";
  std::wstring upper = folder;
  CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
  if (upper.size() > 3 && upper.back() == L'\\') upper.pop_back();
  uint64_t hash = 1469598103934665603ull;
  for (wchar_t unit : upper) {
    for (int shift = 0; shift < 16; shift += 8) {
      hash ^= (static_cast<unsigned>(unit) >> shift) & 0xFFu;
      hash *= 1099511628211ull;
    }
  }
  char name[64];
  std::snprintf(name, sizeof name, "Local\\Trovanto-%016llx", static_cast<unsigned long long>(hash));
  return name;
}

// The launcher's file names are ANSI texts, and its longest name below the
// folder ("applications.dat.tmp", a skin's picture) must still fit.
constexpr size_t kNarrowFolderLimit = MAX_PATH - 64;

// The folder in the ANSI code page, or false when a character has no place
// there (it would turn into "?" or a look-alike that names another folder).
bool Narrowed(const std::wstring& wide, std::string* narrow) {
  narrow->clear();
  if (wide.empty()) return false;
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lost = FALSE;
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, utf8 ? nullptr : &lost);
  if (n <= 0) return false;
  narrow->assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), size, &(*narrow)[0], n, nullptr, utf8 ? nullptr : &lost);
  return !lost;
}

std::wstring FolderPart(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// A path the system gives in its "\\?\" form reads as the ordinary one.
std::wstring WithoutDevicePrefix(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

std::wstring ConvertedPath(DWORD(WINAPI* convert)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path) {
  const DWORD needed = convert(path.c_str(), nullptr, 0);
  if (needed == 0) return L"";
  std::wstring out(needed, L'\0');
  const DWORD written = convert(path.c_str(), &out[0], needed);
  if (written == 0 || written >= needed) return L"";
  out.resize(written);
  return out;
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

StartFolder FindStartFolder() {
  StartFolder folder;
  // The program's own path, however long: a stick's folders may nest deep.
  std::wstring module(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, &module[0], static_cast<DWORD>(module.size()));
    if (length == 0) return folder;
    if (length < module.size()) {
      module.resize(length);
      break;
    }
    if (module.size() >= 32768) return folder;
    module.resize(module.size() * 2);
  }
  // Started by a short (8.3) spelling, the folder still keys and reads as
  // the one a start by its long name finds.
  std::wstring wide = FolderPart(WithoutDevicePrefix(module));
  if (wide.size() < 3) return folder;
  const std::wstring longForm = ConvertedPath(GetLongPathNameW, wide);
  if (!longForm.empty()) wide = longForm;
  if (wide.back() != L'\\') wide += L'\\';
  folder.wide = wide;

  std::string narrow;
  const bool whole = Narrowed(wide, &narrow);
  folder.guarded = narrow;
  if (whole && narrow.size() < kNarrowFolderLimit) {
    folder.narrow = narrow;
  } else {
    // A name the code page cannot hold, or too long for the file calls: the
    // short spelling that FAT sticks and most NTFS drives keep for every
    // name is plain ASCII.
    std::wstring shortForm = ConvertedPath(GetShortPathNameW, wide);
    std::string shortNarrow;
    if (!shortForm.empty() && shortForm.back() != L'\\') shortForm += L'\\';
    if (Narrowed(shortForm, &shortNarrow) && shortNarrow.size() < kNarrowFolderLimit) folder.narrow = shortNarrow;
  }
  const std::string& anyForm = folder.narrow.empty() ? folder.guarded : folder.narrow;
  folder.drive = anyForm.substr(0, 2);
  return folder;
}

bool EnterStartFolder(StartFolder& folder) {
  if (folder.wide.empty()) return false;
  if (SetCurrentDirectoryW(folder.wide.c_str())) return true;
  if (!folder.narrow.empty() && SetCurrentDirectoryA(folder.narrow.c_str())) return true;
  // Neither spelling can be used: the files are then named by the lossy
  // one, which reaches no file at all, rather than by the host's folder.
  if (folder.narrow.empty()) folder.narrow = folder.guarded;
  return false;
}

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

bool ShowRunningLauncher(const StartFolder& folder, const char* mainTitle) {
  const std::string name = FolderKey(folder.wide);
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
