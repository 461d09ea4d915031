#include "tests/e2e/driver.h"

#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>
#include <shlobj.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>

#ifndef E2E_WORK_DIR
#error "E2E_WORK_DIR must name the folder the suite works in"
#endif

namespace e2e {
namespace {

std::string Backslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string Join(const std::string& a, const std::string& b) {
  if (b.empty()) return a;
  std::string rel = Backslashes(b);
  if (!rel.empty() && rel[0] == '\\') rel.erase(0, 1);
  if (!a.empty() && a.back() == '\\') return a + rel;
  return a + "\\" + rel;
}

// Wine keeps drive letters as links in its prefix and makes them through its
// mount manager, the way its configuration tool does; a plain DOS device
// definition is not seen by Wine's file system layer.
struct WineUnixDrive {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDev;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

bool WineDefineDrive(char letter, const std::string* unixPath) {
  HANDLE mgr = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (mgr == INVALID_HANDLE_VALUE) return false;
  size_t len = sizeof(WineUnixDrive) + (unixPath ? unixPath->size() + 1 : 0);
  std::vector<char> buffer(len, 0);
  auto* d = reinterpret_cast<WineUnixDrive*>(buffer.data());
  d->size = static_cast<ULONG>(len);
  d->type = unixPath ? DRIVE_REMOVABLE : DRIVE_NO_ROOT_DIR;
  d->letter = static_cast<WCHAR>(letter | 0x20);
  if (unixPath) {
    d->mountPointOffset = sizeof(WineUnixDrive);
    std::memcpy(buffer.data() + sizeof(WineUnixDrive), unixPath->c_str(), unixPath->size());
  }
  DWORD got = 0;
  BOOL ok = DeviceIoControl(mgr, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(len), nullptr, 0, &got, nullptr);
  CloseHandle(mgr);
  return ok != FALSE;
}

std::string UnixPathOf(const std::string& hostPath) {
  // The suite's folders live on Z:, which Wine maps to the Unix root.
  if (hostPath.size() < 2 || (hostPath[0] | 0x20) != 'z' || hostPath[1] != ':') return {};
  std::string unix = hostPath.substr(2);
  std::replace(unix.begin(), unix.end(), '\\', '/');
  return unix.empty() ? "/" : unix;
}

class RemoteMemory {
 public:
  RemoteMemory(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteMemory() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;
  bool Ok() const { return memory_ != nullptr; }
  char* At(size_t offset) const { return static_cast<char*>(memory_) + offset; }
  bool Put(size_t offset, const void* data, size_t n) const {
    SIZE_T done = 0;
    return WriteProcessMemory(process_, At(offset), data, n, &done) && done == n;
  }
  bool Get(size_t offset, void* data, size_t n) const {
    SIZE_T done = 0;
    return ReadProcessMemory(process_, At(offset), data, n, &done) && done == n;
  }

 private:
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
  size_t size_;
};

LRESULT Send(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(hwnd, msg, w, l, SMTO_ABORTIFHUNG, 3000, &result)) return -1;
  return static_cast<LRESULT>(result);
}

void SendMouse(DWORD flags) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  SendInput(1, &in, sizeof in);
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(stepMs);
  }
}

void Pause(DWORD ms) { Sleep(ms); }

namespace {
// Before any window is looked at: an unaware driver would be shown the
// launcher's windows shrunk to the 96-DPI space.
const bool kDpiAware = SetProcessDPIAware() != FALSE;
}  // namespace

int ScreenDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return kDpiAware && value > 0 ? value : 96;
  }();
  return dpi;
}

int Scaled(int value) { return MulDiv(value, ScreenDpi(), 96); }

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string WorkDir() {
  static const std::string dir = [] {
    std::string d = Backslashes(E2E_WORK_DIR);
    MakeDirs(d);
    return d;
  }();
  return dir;
}

std::string DriveBase() {
  static const std::string dir = [] {
    std::string d;
    // A RAM file system of its own under Wine; elsewhere the work folder.
    if (RunningUnderWine() && DirExists("Z:\\dev\\shm"))
      d = "Z:\\dev\\shm\\trovanto-e2e-" + std::to_string(GetCurrentProcessId());
    else
      d = Join(WorkDir(), "drives");
    MakeDirs(d);
    return d;
  }();
  return dir;
}

std::string LauncherExe() {
  // TROVANTO_E2E_LAUNCHER runs the journeys against another build.
  char other[MAX_PATH] = {};
  if (GetEnvironmentVariableA("TROVANTO_E2E_LAUNCHER", other, MAX_PATH)) return Backslashes(other);
  return Backslashes(E2E_LAUNCHER_EXE);
}
std::string DemoExe() { return Backslashes(E2E_DEMO_EXE); }

std::string ReadFileBytes(const std::string& path, bool* ok) {
  std::string data;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (ok) *ok = h != INVALID_HANDLE_VALUE;
  if (h == INVALID_HANDLE_VALUE) return data;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) data.append(buffer, got);
  CloseHandle(h);
  return data;
}

bool WriteFileBytes(const std::string& path, const std::string& data) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, 1 << 20)), wrote = 0;
    ok = WriteFile(h, data.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
    done += wrote;
  }
  CloseHandle(h);
  return ok;
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirs(const std::string& path) {
  std::string p = Backslashes(path);
  if (DirExists(p)) return true;
  size_t cut = p.find_last_of('\\');
  if (cut != std::string::npos && cut > 2) MakeDirs(p.substr(0, cut));
  return CreateDirectoryA(p.c_str(), nullptr) || DirExists(p);
}

namespace {

// Wide all the way down: a journey may leave names that no ANSI code page holds.
bool RemoveTreeWide(const std::wstring& p) {
  const DWORD attributes = GetFileAttributesW(p.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(p.c_str()) != FALSE;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((p + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = p + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTreeWide(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(p.c_str()) != FALSE;
}

}  // namespace

bool RemoveTreeHost(const std::string& path) {
  const std::string p = Backslashes(path);
  return RemoveTreeWide(std::wstring(p.begin(), p.end()));
}

namespace {

// Wine starts Unix programs too; its handle on them cannot be waited for, so
// the caller waits for the effect instead.
bool RunUnix(const std::string& commandLine) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}

}  // namespace

bool MakeFolderLink(const std::string& link, const std::string& target) {
  auto made = [&] {
    const DWORD a = GetFileAttributesA(link.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
  };
  if (!RunningUnderWine())
    return CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2 /*unprivileged*/) &&
           made();
  const std::string unixLink = UnixPathOf(link), unixTarget = UnixPathOf(target);
  return !unixLink.empty() && !unixTarget.empty() &&
         RunUnix("Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixLink + "\"") && WaitUntil(made, 5000);
}

bool RemoveFolderLink(const std::string& link) {
  auto gone = [&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; };
  if (!RunningUnderWine()) return RemoveDirectoryA(link.c_str()) && gone();
  const std::string unixLink = UnixPathOf(link);
  return !unixLink.empty() && RunUnix("Z:\\bin\\rm -f \"" + unixLink + "\"") && WaitUntil(gone, 5000);
}

// ---- Drive ----

Drive::Drive(const std::string& name) : folder_(Join(DriveBase(), name)) {
  RemoveTreeHost(folder_);
  MakeDirs(folder_);
}

Drive::~Drive() {
  Unmap();
  // TROVANTO_E2E_KEEP keeps the folder, to see what the launcher wrote.
  if (!GetEnvironmentVariableA("TROVANTO_E2E_KEEP", nullptr, 0)) {
    // The image of a launcher that has just ended stays locked for a moment.
    WaitUntil([&] { return RemoveTreeHost(folder_) || !DirExists(folder_); }, 5000, 100);
    RemoveDirectoryA(DriveBase().c_str());  // only once it is empty
  }
}

bool Drive::Map(char letter) {
  Unmap();
  letter = static_cast<char>(letter & ~0x20);
  bool ok;
  if (RunningUnderWine()) {
    std::string unix = UnixPathOf(folder_);
    ok = !unix.empty() && WineDefineDrive(letter, &unix);
  } else {
    char device[3] = {letter, ':', 0};
    ok = DefineDosDeviceA(0, device, folder_.c_str()) != FALSE;
  }
  if (ok) letter_ = letter;
  return ok && WaitUntil([&] { return DirExists(Root()); }, 3000);
}

void Drive::Unmap() {
  if (!letter_) return;
  if (RunningUnderWine()) {
    WineDefineDrive(letter_, nullptr);
  } else {
    char device[3] = {letter_, ':', 0};
    DefineDosDeviceA(DDD_REMOVE_DEFINITION, device, nullptr);
  }
  letter_ = 0;
}

std::string Drive::Root() const {
  if (!letter_) return {};
  return std::string(1, letter_) + ":\\";
}

std::string Drive::Host(const std::string& relative) const { return Join(folder_, relative); }

bool Drive::Write(const std::string& relative, const std::string& data) const {
  std::string path = Host(relative);
  size_t cut = path.find_last_of('\\');
  if (cut != std::string::npos) MakeDirs(path.substr(0, cut));
  return WriteFileBytes(path, data);
}

std::string Drive::Read(const std::string& relative, bool* ok) const { return ReadFileBytes(Host(relative), ok); }

bool Drive::Exists(const std::string& relative) const {
  std::string p = Host(relative);
  return FileExists(p) || DirExists(p);
}

bool Drive::InstallLauncher() const { return CopyFileA(LauncherExe().c_str(), Host("trovanto.exe").c_str(), FALSE); }

std::wstring Drive::HostWide(const std::wstring& relative) const {
  std::wstring base(folder_.begin(), folder_.end());
  return relative.empty() ? base : base + L"\\" + relative;
}

bool Drive::InstallLauncherIn(const std::wstring& folder) const {
  const std::wstring target = HostWide(folder);
  for (size_t cut = folder.find(L'\\'); cut != std::wstring::npos; cut = folder.find(L'\\', cut + 1))
    CreateDirectoryW(HostWide(folder.substr(0, cut)).c_str(), nullptr);
  CreateDirectoryW(target.c_str(), nullptr);
  const std::string from = LauncherExe();
  return CopyFileW(std::wstring(from.begin(), from.end()).c_str(), (target + L"\\trovanto.exe").c_str(), FALSE);
}

bool Drive::InstallDemo(const std::string& relative) const {
  std::string path = Host(relative);
  MakeDirs(path.substr(0, path.find_last_of('\\')));
  return CopyFileA(DemoExe().c_str(), path.c_str(), FALSE);
}

bool Drive::Plant(const std::string& relative, bool library) const {
  const std::string from = Backslashes(library ? E2E_PLANTED_DLL : E2E_PLANTED_EXE);
  return CopyFileA(from.c_str(), Host(relative).c_str(), FALSE);
}

void Drive::SetReadOnly(bool readOnly) const {
  std::function<void(const std::string&)> walk = [&](const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = dir + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        walk(child);
        SetFileAttributesA(child.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
      } else {
        SetFileAttributesA(child.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
      }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  };
  walk(folder_);
}

std::vector<std::string> Drive::Files() const {
  std::vector<std::string> out;
  std::function<void(const std::string&)> walk = [&](const std::string& relative) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((Host(relative) + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = relative.empty() ? name : relative + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        walk(child);
      else
        out.push_back(child);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  };
  walk("");
  std::sort(out.begin(), out.end());
  return out;
}

// ---- WriteGuard ----

bool WriteGuard::Hold(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handles_.push_back(h);
  return true;
}

void WriteGuard::Release() {
  for (HANDLE h : handles_) CloseHandle(h);
  handles_.clear();
}

// ---- RecordLog ----

RecordLog::RecordLog() {
  static int counter = 0;
  path_ = Join(WorkDir(), "record-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".log");
  Clear();
  SetEnvironmentVariableA("TROVANTO_RECORD_LOG", path_.c_str());
  SetEnvironmentVariableA("TROVANTO_RECORD_ONLY", "1");
}

std::vector<std::string> RecordLog::Lines() const {
  std::vector<std::string> lines;
  std::string data = ReadFileBytes(path_), line;
  for (char c : data) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

void RecordLog::Clear() const { DeleteFileA(path_.c_str()); }

// ---- Launcher ----

Launcher::~Launcher() { Kill(); }

bool Launcher::Start(const Drive& drive, DWORD timeoutMs) { return StartFrom(drive, L"", "", timeoutMs); }

bool Launcher::StartFrom(const Drive& drive, const std::wstring& folder, const std::string& currentDir,
                         DWORD timeoutMs) {
  Kill();
  const std::string root = drive.Root();
  std::wstring dir(root.begin(), root.end());
  if (!folder.empty()) dir += folder + L"\\";
  const std::wstring exe = dir + L"trovanto.exe";
  std::wstring commandLine = L"\"" + exe + L"\"";
  std::wstring current = currentDir.empty() ? dir : std::wstring(currentDir.begin(), currentDir.end());
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, current.c_str(), &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  bool shown = WaitUntil(
      [&] {
        main_ = nullptr;
        for (HWND w : TopWindows())
          if (ClassOf(w) == "TrovantoWindow60") main_ = w;
        return main_ != nullptr || !Running();
      },
      timeoutMs);
  return shown && main_ != nullptr;
}

bool Launcher::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

HWND Launcher::Control(int id) const { return main_ ? FindChild(main_, id) : nullptr; }

std::string Launcher::LoadedModule(const char* fileName) const {
  HMODULE modules[512];
  DWORD bytes = 0;
  if (!process_ || !EnumProcessModulesEx(process_, modules, sizeof modules, &bytes, LIST_MODULES_ALL)) return "";
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
    char path[MAX_PATH] = "";
    if (!GetModuleFileNameExA(process_, modules[i], path, MAX_PATH)) continue;
    CharLowerA(path);
    const char* name = std::strrchr(path, '\\');
    if (lstrcmpiA(name ? name + 1 : path, fileName) == 0) return path;
  }
  return "";
}

std::vector<HWND> Launcher::TopWindows(bool visibleOnly) const {
  struct Ctx {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> out;
  } ctx{pid_, visibleOnly, {}};
  EnumWindows(
      [](HWND w, LPARAM l) CALLBACK -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(l);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == c->pid && (!c->visibleOnly || IsWindowVisible(w))) c->out.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.out;
}

HWND Launcher::FindWindowOfClass(const char* cls) const {
  for (HWND w : TopWindows())
    if (ClassOf(w) == cls) return w;
  return nullptr;
}

HWND Launcher::WaitWindowOfClass(const char* cls, DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowOfClass(cls)) != nullptr; }, timeoutMs);
  return found;
}

bool Launcher::WaitWindowGone(const char* cls, DWORD timeoutMs) const {
  return WaitUntil([&] { return FindWindowOfClass(cls) == nullptr; }, timeoutMs);
}

bool Launcher::Quit(DWORD* exitCode, DWORD timeoutMs) {
  HWND button = Control(7);
  if (!button || !Running()) return WaitExit(exitCode, 0);
  if (!IsWindowVisible(main_)) return false;
  BringToFront(main_);
  ClickWindow(button);
  return WaitExit(exitCode, timeoutMs);
}

bool Launcher::WaitExit(DWORD* exitCode, DWORD timeoutMs) {
  if (!process_) return false;
  if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_, &code);
  if (exitCode) *exitCode = code;
  return true;
}

void Launcher::Kill() {
  if (!process_) return;
  if (Running()) {
    TerminateProcess(process_, 999);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
  process_ = nullptr;
  main_ = nullptr;
}

// ---- windows ----

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM l) CALLBACK -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(l)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

HWND FindChild(HWND parent, int id) {
  for (HWND w : Children(parent))
    if (GetDlgCtrlID(w) == id) return w;
  return nullptr;
}

std::string WindowText(HWND hwnd) {
  char buffer[4096] = {};
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 3000,
                           &got))
    return {};
  return std::string(buffer, std::min<size_t>(got, sizeof buffer - 1));
}

std::string Title(HWND hwnd) {
  char buffer[1024] = {};
  GetWindowTextA(hwnd, buffer, sizeof buffer);
  return buffer;
}

std::string ClassOf(HWND hwnd) {
  char buffer[256] = {};
  GetClassNameA(hwnd, buffer, sizeof buffer);
  return buffer;
}

RECT ScreenRect(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return r;
}

POINT ClientOrigin(HWND hwnd) {
  POINT p = {0, 0};
  ClientToScreen(hwnd, &p);
  return p;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool IsTopmost(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool BringToFront(HWND hwnd) {
  if (GetForegroundWindow() == hwnd) return true;
  SetForegroundWindow(hwnd);
  return WaitUntil([&] { return GetForegroundWindow() == hwnd; }, 2000);
}

bool CloseBoxPoint(HWND hwnd, POINT* p) {
  RECT w = ScreenRect(hwnd);
  POINT client = ClientOrigin(hwnd);
  for (int y = (w.top + client.y) / 2, pass = 0; pass < 2; ++pass, y = w.top + 4) {
    int first = -1, last = -1;
    for (int x = w.right - 1; x > w.left; --x) {
      LRESULT hit = Send(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y));
      if (hit == HTCLOSE) {
        if (last < 0) last = x;
        first = x;
      } else if (last >= 0) {
        break;
      }
    }
    if (last >= 0) {
      *p = POINT{(first + last) / 2, y};
      return true;
    }
  }
  return false;
}

namespace {
// Wine 10 paints tray icons without windows of their own.
HWND PaintingTrayWindow() { return FindWindowA("Shell_TrayWnd", nullptr); }
}  // namespace

HWND TrayWindow() {
  HWND tray = FindWindowA(nullptr, "Wine System Tray");
  return tray ? tray : PaintingTrayWindow();
}

std::vector<HWND> TrayIcons() {
  std::vector<HWND> icons;
  HWND tray = TrayWindow();
  if (!tray) return icons;
  for (HWND w : Children(tray))
    if (IsWindowVisible(w)) icons.push_back(w);
  return icons;
}

namespace {

struct TaskbarStart {
  RefusingTaskbar* self;
  HANDLE ready;
};

}  // namespace

RefusingTaskbar::RefusingTaskbar() {
  TaskbarStart start{this, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  thread_ = CreateThread(nullptr, 0, Run, &start, 0, nullptr);
  if (thread_) WaitForSingleObject(start.ready, 5000);
  CloseHandle(start.ready);
}

DWORD WINAPI RefusingTaskbar::Run(void* param) {
  auto* start = static_cast<TaskbarStart*>(param);
  RefusingTaskbar* self = start->self;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Shell_TrayWnd";
  RegisterClassA(&wc);
  self->window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, wc.hInstance, nullptr);
  if (self->window_) SetWindowLongPtrA(self->window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  SetEvent(start->ready);
  MSG msg;
  while (self->window_ && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  UnregisterClassA("Shell_TrayWnd", wc.hInstance);
  return 0;
}

LRESULT CALLBACK RefusingTaskbar::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<RefusingTaskbar*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_COPYDATA:
      // Each tray call arrives as data copied from the caller.
      if (self) InterlockedIncrement(&self->refused_);
      return FALSE;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool RefusingTaskbar::InFront() const { return window_ && FindWindowA("Shell_TrayWnd", nullptr) == window_; }

void RefusingTaskbar::Close() {
  if (!thread_) return;
  if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  thread_ = nullptr;
  window_ = nullptr;
}

void AnnounceTaskbar() { SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0); }

// ---- traces on the host ----

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

// The machine-wide class registrations: tens of thousands of keys, which
// only an elevated program can write (an unelevated write is redirected to
// the user's own classes, which are looked at). Left out for time.
bool MachineClasses(const std::wstring& path) {
  return lstrcmpiW(path.c_str(), L"HKLM\\Software\\Classes") == 0 ||
         lstrcmpiW(path.c_str(), L"HKLM\\Software\\Wow6432Node\\Classes") == 0;
}

void SnapshotKey(HKEY key, const std::wstring& path, HostState* out) {
  if (MachineClasses(path)) return;
  (*out)["reg " + Utf8(path)] = "";
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size()), type = 0, dataSize = static_cast<DWORD>(data.size());
    LONG r = RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    if (r == ERROR_MORE_DATA) {
      data.resize(dataSize + 2);
      dataSize = static_cast<DWORD>(data.size());
      nameSize = static_cast<DWORD>(name.size());
      r = RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    }
    if (r != ERROR_SUCCESS) break;
    std::string value = std::to_string(type) + ":";
    static const char kHex[] = "0123456789abcdef";
    for (DWORD b = 0; b < dataSize; ++b) {
      value += kHex[data[b] >> 4];
      value += kHex[data[b] & 15];
    }
    (*out)["reg " + Utf8(path) + " = " + Utf8(std::wstring(name.data(), nameSize))] = value;
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    if (RegEnumKeyExW(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::wstring child(name.data(), nameSize);
    HKEY sub;
    if (RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    SnapshotKey(sub, path + L"\\" + child, out);
    RegCloseKey(sub);
  }
}

void SnapshotFolder(const std::wstring& folder, HostState* out) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring child = folder + L"\\" + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      (*out)["dir " + Utf8(child)] = "";
      // Wine links some of these folders to the Unix home: a link is the
      // user's own, not a folder of the profile.
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) SnapshotFolder(child, out);
    } else {
      (*out)["file " + Utf8(child)] = std::to_string(fd.nFileSizeLow) + " " + std::to_string(fd.ftLastWriteTime.dwLowDateTime);
    }
  } while (FindNextFileW(find, &fd));
  FindClose(find);
}

}  // namespace

HostState TakeHostState() {
  HostState state;
  SnapshotKey(HKEY_LOCAL_MACHINE, L"HKLM", &state);
  SnapshotKey(HKEY_CURRENT_USER, L"HKCU", &state);
  HKEY defaults;
  if (RegOpenKeyExW(HKEY_USERS, L".Default", 0, KEY_READ, &defaults) == ERROR_SUCCESS) {
    SnapshotKey(defaults, L"HKU\\.Default", &state);
    RegCloseKey(defaults);
  }
  for (int csidl : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
    wchar_t folder[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder))) SnapshotFolder(folder, &state);
  }
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length > 0 && length <= MAX_PATH) {
    std::wstring folder(temp, length);
    if (folder.back() == L'\\') folder.pop_back();
    SnapshotFolder(folder, &state);
  }
  return state;
}

// Wine's own settings (Software\Wine, which Windows does not have) change
// with any program's use of the mouse or the display: not the launcher's.
bool WinesOwn(const std::string& key) { return key.find("\\Software\\Wine\\") != std::string::npos; }

std::vector<std::string> HostChanges(const HostState& before, const HostState& after) {
  std::vector<std::string> changes;
  for (const auto& entry : after) {
    if (WinesOwn(entry.first)) continue;
    auto old = before.find(entry.first);
    if (old == before.end() || old->second != entry.second) changes.push_back(entry.first);
  }
  for (const auto& entry : before)
    if (!after.count(entry.first) && !WinesOwn(entry.first)) changes.push_back(entry.first);
  return changes;
}

std::vector<RECT> TrayIconRects() {
  std::vector<RECT> rects;
  for (HWND icon : TrayIcons()) rects.push_back(ScreenRect(icon));
  HWND tray = PaintingTrayWindow();
  if (rects.empty() && tray && IsWindowVisible(tray)) {
    // Its icons are small icons with a 2-pixel border, from the client's
    // left edge; it is shown only while it has one. The launcher's is the
    // only one the journeys make.
    POINT origin = ClientOrigin(tray);
    const int cx = GetSystemMetrics(SM_CXSMICON) + 4, cy = GetSystemMetrics(SM_CYSMICON) + 4;
    rects.push_back(RECT{origin.x, origin.y, origin.x + cx, origin.y + cy});
  }
  return rects;
}

void MoveTrayAside() {
  HWND tray = TrayWindow();
  if (!tray) return;
  RECT r = ScreenRect(tray);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  SetWindowPos(tray, HWND_TOPMOST, (w - (r.right - r.left)) / 2, h - (r.bottom - r.top) - 16, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

// ---- input ----

void MoveTo(POINT p) {
  SetCursorPos(p.x, p.y);
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = static_cast<LONG>((p.x * 65535LL + (w - 1) / 2) / (w - 1));
  in.mi.dy = static_cast<LONG>((p.y * 65535LL + (h - 1) / 2) / (h - 1));
  SendInput(1, &in, sizeof in);
  SetCursorPos(p.x, p.y);
}

void GlideTo(POINT from, POINT to, int steps, DWORD stepMs) {
  for (int i = 1; i <= steps; ++i) {
    MoveTo(POINT{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    Sleep(stepMs);
  }
}

void LeftClick(POINT p) {
  MoveTo(p);
  Pause(20);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Pause(20);
  SendMouse(MOUSEEVENTF_LEFTUP);
}

void RightClick(POINT p) {
  MoveTo(p);
  Pause(20);
  SendMouse(MOUSEEVENTF_RIGHTDOWN);
  Pause(20);
  SendMouse(MOUSEEVENTF_RIGHTUP);
}

void DoubleClick(POINT p) {
  MoveTo(p);
  Pause(20);
  INPUT in[4] = {};
  for (INPUT& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dwFlags = in[2].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = in[3].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(4, in, sizeof(INPUT));
}

void LeftDown() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void LeftUp() { SendMouse(MOUSEEVENTF_LEFTUP); }

void ClickWindow(HWND hwnd) { LeftClick(Centre(ScreenRect(hwnd))); }

void KeyDown(WORD vk) {
  INPUT in = KeyInput(vk, false);
  SendInput(1, &in, sizeof in);
}

void KeyUp(WORD vk) {
  INPUT in = KeyInput(vk, true);
  SendInput(1, &in, sizeof in);
}

void Key(WORD vk) {
  KeyDown(vk);
  Pause(20);
  KeyUp(vk);
  Pause(20);
}

void TypeText(const std::string& text) {
  for (unsigned char c : text) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    wchar_t wide = 0;
    MultiByteToWideChar(1252, 0, reinterpret_cast<const char*>(&c), 1, &wide, 1);
    in[0].ki.wScan = in[1].ki.wScan = wide;
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Pause(5);
  }
  Pause(30);
}

void DrainKeyState() {
  static const int keys[] = {VK_ESCAPE, VK_RETURN, VK_NUMPAD1, VK_NUMPAD3, VK_NUMPAD5, VK_NUMPAD7,
                             VK_NUMPAD9, VK_TAB,   VK_SPACE,   VK_LBUTTON, VK_RBUTTON, VK_DOWN, VK_RIGHT};
  for (int k : keys) {
    GetAsyncKeyState(k);
    GetAsyncKeyState(k);
  }
}

// ---- controls of another process ----

int ListCount(HWND list) { return static_cast<int>(Send(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListText(HWND list, int index) {
  constexpr size_t kText = 1024;
  RemoteMemory mem(list, sizeof(LVITEMA) + kText);
  if (!mem.Ok()) return {};
  LVITEMA item = {};
  item.iSubItem = 0;
  item.cchTextMax = kText;
  item.pszText = mem.At(sizeof(LVITEMA));
  mem.Put(0, &item, sizeof item);
  LRESULT n = Send(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(mem.At(0)));
  if (n <= 0) return {};
  std::string text(kText, '\0');
  mem.Get(sizeof(LVITEMA), &text[0], kText);
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::vector<std::string> ListTexts(HWND list) {
  std::vector<std::string> out;
  int n = ListCount(list);
  for (int i = 0; i < n; ++i) out.push_back(ListText(list, i));
  return out;
}

bool ListItemRect(HWND list, int index, RECT* screen, int part) {
  RemoteMemory mem(list, sizeof(RECT));
  if (!mem.Ok()) return false;
  RECT r = {};
  r.left = part;
  mem.Put(0, &r, sizeof r);
  if (Send(list, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(mem.At(0))) <= 0) return false;
  mem.Get(0, &r, sizeof r);
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  *screen = r;
  return true;
}

int ListSelected(HWND list) {
  return static_cast<int>(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool ListChecked(HWND list, int index) {
  LRESULT state = Send(list, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool ListCheckBoxPoint(HWND list, int index, POINT* p) {
  RECT bounds;
  if (!ListItemRect(list, index, &bounds)) return false;
  RemoteMemory mem(list, sizeof(LVHITTESTINFO));
  if (!mem.Ok()) return false;
  int y = (bounds.top + bounds.bottom) / 2;
  int first = -1, last = -1;
  for (int x = bounds.left; x < bounds.right; ++x) {
    LVHITTESTINFO info = {};
    info.pt = POINT{x, y};
    ScreenToClient(list, &info.pt);
    mem.Put(0, &info, sizeof info);
    LRESULT hit = Send(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(mem.At(0)));
    mem.Get(0, &info, sizeof info);
    if (hit == index && (info.flags & LVHT_ONITEMSTATEICON)) {
      if (first < 0) first = x;
      last = x;
    } else if (first >= 0) {
      break;
    }
  }
  if (first < 0) return false;
  *p = POINT{(first + last) / 2, y};
  return true;
}

std::vector<std::string> ListBoxLines(HWND listBox) {
  // Asked in UTF-16: the A form of LB_GETTEXT is not converted between
  // processes when the list box is a Unicode window.
  std::vector<std::string> out;
  LRESULT n = Send(listBox, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < n; ++i) {
    wchar_t wide[2048] = {};
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(listBox, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide),
                             SMTO_ABORTIFHUNG, 3000, &got))
      break;
    char narrow[4096] = {};
    WideCharToMultiByte(1252, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    out.push_back(narrow);
  }
  return out;
}

bool IsChecked(HWND button) { return Send(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// ---- screen ----

Shot Capture(const RECT& r) {
  Shot shot;
  shot.width = r.right - r.left;
  shot.height = r.bottom - r.top;
  if (shot.width <= 0 || shot.height <= 0) return Shot{};
  shot.pixels.assign(static_cast<size_t>(shot.width) * shot.height, 0);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = shot.width;
  bi.bmiHeader.biHeight = -shot.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* src = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < shot.pixels.size(); ++i) shot.pixels[i] = src[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

Shot CaptureWindow(HWND hwnd) { return Capture(ScreenRect(hwnd)); }

bool SaveBitmap(const Shot& shot, const std::string& path) {
  if (shot.width <= 0) return false;
  int stride = (shot.width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  ih.biSize = sizeof ih;
  ih.biWidth = shot.width;
  ih.biHeight = shot.height;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + stride * shot.height;
  std::string data(reinterpret_cast<const char*>(&fh), sizeof fh);
  data.append(reinterpret_cast<const char*>(&ih), sizeof ih);
  std::string row(stride, '\0');
  for (int y = shot.height - 1; y >= 0; --y) {
    for (int x = 0; x < shot.width; ++x) {
      uint32_t c = shot.At(x, y);
      row[x * 3] = static_cast<char>(Blue(c));
      row[x * 3 + 1] = static_cast<char>(Green(c));
      row[x * 3 + 2] = static_cast<char>(Red(c));
    }
    data += row;
  }
  return WriteFileBytes(path, data);
}

void SaveScreen(const std::string& name) {
  RECT all = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SaveBitmap(Capture(all), Join(WorkDir(), name + ".bmp"));
}

HWND KeyboardFocus(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

namespace {

// The file list as the shell's drag sources offer it.
class FileData : public IDataObject {
 public:
  explicit FileData(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) names_ += p + '\0';
    names_ += '\0';
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
      *out = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names_.size());
    if (!memory) return E_OUTOFMEMORY;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names_.data(), names_.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &format, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  std::string names_;
  LONG refs_ = 1;
};

class DragSource : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
      *out = static_cast<IDropSource*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// The window the files are picked up from, as in a file manager: a drag
// starts in a thread that saw the button go down in one of its windows.
HWND MakeSourceWindow(POINT centre) {
  static const ATOM kClass = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "E2EFileSource";
    return RegisterClassA(&wc);
  }();
  if (!kClass) return nullptr;
  HWND w = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "E2EFileSource", "", WS_POPUP | WS_VISIBLE,
                           centre.x - 40, centre.y - 15, 80, 30, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (w) UpdateWindow(w);
  return w;
}

}  // namespace

bool DragFiles(const std::vector<std::string>& paths, POINT from, POINT to, DWORD* effect) {
  static const bool ole = SUCCEEDED(OleInitialize(nullptr));
  if (!ole) return false;
  HWND sourceWindow = MakeSourceWindow(from);
  if (!sourceWindow) return false;
  BringToFront(sourceWindow);
  FileData data(paths);
  DragSource source;
  MoveTo(from);
  Pause(50);
  LeftDown();
  bool pressed = false;
  const DWORD start = GetTickCount();
  while (!pressed && GetTickCount() - start < 3000) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_LBUTTONDOWN && msg.hwnd == sourceWindow) pressed = true;
      DispatchMessageA(&msg);
    }
    if (!pressed) Sleep(10);
  }
  DWORD result = DROPEFFECT_NONE;
  HRESULT hr = E_FAIL;
  if (pressed) {
    // DoDragDrop holds this thread until the drop, so the hand moves on another.
    std::thread hand([from, to] {
      Sleep(300);
      GlideTo(from, to, 10, 40);
      Sleep(300);
      LeftUp();
    });
    hr = DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &result);
    hand.join();
  } else {
    LeftUp();
  }
  DestroyWindow(sourceWindow);
  if (effect) *effect = result;
  Pause(200);
  return hr == DRAGDROP_S_DROP || hr == DRAGDROP_S_CANCEL;
}

}  // namespace e2e
