#include "storage/launch.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace storage {

namespace {

// The shell is loaded when it is first needed: linked, it would load (with
// OLE and more) before the launcher's first paint. It is a known library, so
// the name alone finds the system's copy.
template <typename Function>
Function ShellFunction(const char* name) {
  static const HMODULE shell = LoadLibraryA("shell32.dll");
  return shell ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(shell, name))) : nullptr;
}

void WaitAndRelease(HANDLE process, uint32_t flags) {
  if (process == nullptr) return;
  if (flags & kStartWait) WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
}

bool CreateFromCommandLine(const std::string& file, const std::string& parameters,
                           const std::string& directory, uint32_t flags) {
  std::string commandLine = !file.empty() && file[0] == '"' ? file : '"' + file + '"';
  if (!parameters.empty()) commandLine += ' ' + parameters;

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = (flags & kStartHidden) ? SW_HIDE : SW_SHOWNORMAL;
  DWORD creation = NORMAL_PRIORITY_CLASS;
  if (flags & kStartHidden) creation |= CREATE_NO_WINDOW;
  PROCESS_INFORMATION process{};
  // CreateProcessA may write into the command line, so it gets its own buffer.
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, creation, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &process))
    return false;
  CloseHandle(process.hThread);
  WaitAndRelease(process.hProcess, flags);
  return true;
}

bool OpenWithShell(const std::string& file, const std::string& parameters, std::string directory,
                   uint32_t flags) {
  // Documents open in their own folder, where an editor expects its neighbours.
  if (directory.empty()) {
    const size_t lastBackslash = file.rfind('\\');
    if (lastBackslash != std::string::npos && lastBackslash > 0)
      directory = file.substr(0, lastBackslash + 1);
  }
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  // No error box: a failed start is reported by the result alone.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "Open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = (flags & kStartHidden) ? SW_HIDE : SW_SHOWNORMAL;
  const auto execute = ShellFunction<decltype(&::ShellExecuteExA)>("ShellExecuteExA");
  if (!execute || !execute(&info)) return false;
  WaitAndRelease(info.hProcess, flags);
  return true;
}

bool RunsUnderWow64() {
  static const int wow64 = [] {
    BOOL is = FALSE;
    return IsWow64Process(GetCurrentProcess(), &is) && is ? 1 : 0;
  }();
  return wow64 == 1;
}

}  // namespace

std::string NativeSystemPath(const std::string& path) {
  if (!RunsUnderWow64()) return path;
  char windows[MAX_PATH];
  const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return path;
  std::string folder(windows, length);
  if (folder.back() != '\\') folder += '\\';
  const std::string system = folder + "System32\\";
  const size_t start = !path.empty() && path[0] == '"' ? 1 : 0;
  if (path.size() < start + system.size()) return path;
  if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str() + start, static_cast<int>(system.size()),
                     system.c_str(), static_cast<int>(system.size())) != CSTR_EQUAL)
    return path;
  return path.substr(0, start) + folder + "Sysnative\\" + path.substr(start + system.size());
}

int StartProgram(const char* file, const char* parameters, const char* directory, uint32_t flags) {
  const std::string target = NativeSystemPath(file == nullptr ? "" : file);
  const std::string arguments = parameters == nullptr ? "" : parameters;
  const std::string folder = directory == nullptr ? "" : directory;
  if (CreateFromCommandLine(target, arguments, folder, flags)) return 1;
  return OpenWithShell(target, arguments, folder, flags) ? 1 : 0;
}

std::string WindowsFolderFile(const char* name) {
  char folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return name;
  std::string path(folder, length);
  if (path.back() != '\\') path += '\\';
  return path + name;
}

void OpenMailAddress(const char* mailto) {
  // An empty target would let the shell open something of its own choosing.
  if (mailto == nullptr || *mailto == '\0') return;
  if (const auto execute = ShellFunction<decltype(&::ShellExecuteA)>("ShellExecuteA"))
    execute(nullptr, nullptr, mailto, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace storage
