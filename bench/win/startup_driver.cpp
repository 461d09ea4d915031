// The Windows side of the benchmarks, run under Wine on a drive laid out by
// scripts/demo-drive (launcher, skins, settings):
//
//   startup_driver startup DRIVE PROGRAMS RUNS
//       catalogues PROGRAMS copies of the demo program, each with an icon of its
//       own, and times launcher starts against the minimal window's starts;
//   startup_driver scale DRIVE RUNS N...
//       times launcher starts with catalogues of N entries that all name one
//       program (so icon extraction is cached and only load and fill grow);
//   startup_driver scale-icons DRIVE RUNS N...
//       the same with an .ico file of its own for every entry, so that the
//       number of distinct images grows with the catalogue too;
//   startup_driver sizes DRIVE RUNS N...
//       catalogues of N entries that cycle through 100 programs with icons of
//       their own, timed against the minimal window in the same run, with the
//       launcher's peak memory at each size;
//   startup_driver dialogs DRIVE RUNS N...
//       times opening the add/change and the remove dialog with N entries;
//   startup_driver outside DRIVE RUNS N...
//       start-up as a user sees it, the entries laid out as for "sizes":
//       from the process's creation until a poll from this process, every
//       5 ms walking the top-level windows, finds the main window visible
//       with every entry in its list; the baseline is the minimal window, a
//       216 x 408 popup, until it is visible and has had its first paint;
//   startup_driver coldstart DRIVE PROGRAMS
//       one start of the launcher with PROGRAMS programs with their own icons,
//       seen as "outside" sees it: bench/report traces which files it reads;
//   startup_driver removal DRIVE RUNS TOTAL K...
//       times one press of the remove dialog's button with K of TOTAL
//       entries ticked;
//   startup_driver ab DRIVE OTHER_EXE RUNS N
//       the drive's launcher against another build of it (copied onto the
//       drive beside it), N entries as for "sizes", starts interleaved, both
//       measures: for a change that must not make start-up slower;
//   startup_driver pointer X Y | wait CLASS MS | close CLASS
//       small remote-control steps for bench/idle.sh.
//
// A start is timed from CreateProcess until the program's window is visible
// and painted (the launcher's with its list filled) and its thread answers a
// message, that is, until the program is ready for the user. Lines starting
// with "RESULT" are for bench/report.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kLauncherClass[] = "TrovantoWindow60";
constexpr char kBaselineClass[] = "TrovantoBenchWindow";
constexpr int kProgramList = 89;
constexpr int kQuitButton = 7;
constexpr int kIconSize = 32;
// RT_ICON and RT_GROUP_ICON as narrow names (the SDK macros follow UNICODE).
const LPCSTR kIconType = MAKEINTRESOURCEA(3);
const LPCSTR kGroupIconType = MAKEINTRESOURCEA(14);

#pragma pack(push, 2)
struct GroupIconHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct GroupIconEntry {
  BYTE width;
  BYTE height;
  BYTE colourCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytesInRes;
  WORD id;
};
#pragma pack(pop)

// Golden-angle hues with three brightness levels: neighbours differ strongly,
// and the first 100 colours all differ by more than Near() tolerates.
COLORREF IconColour(int index) {
  const double hue = std::fmod(index * 137.508, 360.0) / 60.0;
  const double value = (index % 3 == 0) ? 1.0 : (index % 3 == 1 ? 0.75 : 0.5);
  const double x = value * (1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0));
  double r = 0, g = 0, b = 0;
  switch (static_cast<int>(hue) % 6) {
    case 0: r = value, g = x; break;
    case 1: r = x, g = value; break;
    case 2: g = value, b = x; break;
    case 3: g = x, b = value; break;
    case 4: r = x, b = value; break;
    default: r = value, b = x; break;
  }
  return RGB(static_cast<int>(r * 255 + 0.5), static_cast<int>(g * 255 + 0.5), static_cast<int>(b * 255 + 0.5));
}

// One 32x32 32-bit icon image as stored in an RT_ICON resource: header with
// doubled height, bottom-up colour pixels, then the (all-opaque) AND mask. A
// square of the colour with a dark frame.
std::vector<BYTE> IconImage(COLORREF colour) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = kIconSize;
  header.biHeight = kIconSize * 2;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const size_t pixelBytes = kIconSize * kIconSize * 4;
  const size_t maskBytes = kIconSize * 4;  // rows padded to 32 bits
  std::vector<BYTE> image(sizeof header + pixelBytes + maskBytes, 0);
  std::memcpy(image.data(), &header, sizeof header);
  BYTE* pixel = image.data() + sizeof header;
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x, pixel += 4) {
      const bool frame = x < 2 || y < 2 || x >= kIconSize - 2 || y >= kIconSize - 2;
      pixel[0] = frame ? 40 : GetBValue(colour);
      pixel[1] = frame ? 40 : GetGValue(colour);
      pixel[2] = frame ? 40 : GetRValue(colour);
      pixel[3] = 255;
    }
  }
  return image;
}

struct ResourceName {
  bool isId = true;
  WORD id = 0;
  std::string text;
  LPCSTR Get() const { return isId ? MAKEINTRESOURCEA(id) : text.c_str(); }
};

struct IconResources {
  std::vector<std::pair<ResourceName, WORD>> icons;   // RT_ICON name and language
  std::vector<std::pair<ResourceName, WORD>> groups;  // RT_GROUP_ICON name and language
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
  ResourceName n;
  if (IS_INTRESOURCE(name)) {
    n.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  } else {
    n.isId = false;
    n.text = name;
  }
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module, type, name, CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
  auto* found = reinterpret_cast<std::vector<std::pair<ResourceName, WORD>>*>(param);
  for (WORD language : languages) found->push_back({n, language});
  return TRUE;
}

bool ReadIconResources(const std::string& exe, IconResources* found) {
  HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return false;
  EnumResourceNamesA(module, kIconType, CollectName, reinterpret_cast<LONG_PTR>(&found->icons));
  EnumResourceNamesA(module, kGroupIconType, CollectName, reinterpret_cast<LONG_PTR>(&found->groups));
  FreeLibrary(module);
  return !found->groups.empty();
}

// Replaces the program's icons by one new picture: the old icon images go, and
// its first icon group (the one that icon extraction takes) names the new image.
bool GiveOwnIcon(const std::string& exe, const IconResources& old, COLORREF colour) {
  std::vector<BYTE> image = IconImage(colour);
  std::vector<BYTE> group(sizeof(GroupIconHeader) + sizeof(GroupIconEntry));
  GroupIconHeader header = {0, 1, 1};
  GroupIconEntry entry = {kIconSize, kIconSize, 0, 0, 1, 32, static_cast<DWORD>(image.size()), 1};
  std::memcpy(group.data(), &header, sizeof header);
  std::memcpy(group.data() + sizeof header, &entry, sizeof entry);

  HANDLE update = BeginUpdateResourceA(exe.c_str(), FALSE);
  if (!update) return false;
  bool ok = true;
  const WORD language = old.groups.front().second;
  for (const auto& icon : old.icons)
    ok = ok && UpdateResourceA(update, kIconType, icon.first.Get(), icon.second, nullptr, 0);
  ok = ok && UpdateResourceA(update, kIconType, MAKEINTRESOURCEA(1), language, image.data(),
                             static_cast<DWORD>(image.size()));
  ok = ok && UpdateResourceA(update, kGroupIconType, old.groups.front().first.Get(), language, group.data(),
                             static_cast<DWORD>(group.size()));
  return EndUpdateResourceA(update, !ok) && ok;
}

// The colour in the middle of the icon that the system extracts from `exe`;
// CLR_INVALID when there is none.
COLORREF ExtractedCentre(const std::string& exe) {
  HICON icon = ExtractIconA(GetModuleHandleA(nullptr), exe.c_str(), 0);
  if (reinterpret_cast<UINT_PTR>(icon) <= 1) return CLR_INVALID;
  COLORREF centre = CLR_INVALID;
  ICONINFO info = {};
  if (GetIconInfo(icon, &info)) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmColor);
    centre = GetPixel(dc, kIconSize / 2, kIconSize / 2);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  DestroyIcon(icon);
  return centre;
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 8 && std::abs(GetGValue(a) - GetGValue(b)) <= 8 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 8;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  CloseHandle(file);
  return ok;
}

std::string Numbered(const char* format, int n) {
  char text[64];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

// N programs, each its own copy of the demo program with an icon of its own,
// and the catalogue that lists them. Checks that every copy really yields its
// own picture, or the benchmark would time cached extractions.
bool LayOutOwnIcons(const std::string& drive, const std::string& demo, int programs) {
  IconResources old;
  if (!ReadIconResources(demo, &old)) {
    std::fprintf(stderr, "no icon group in %s\n", demo.c_str());
    return false;
  }
  CreateDirectoryA((drive + "Programme").c_str(), nullptr);
  std::string catalogue;
  for (int i = 0; i < programs; ++i) {
    const std::string folder = Numbered("Programme\\P%05d\\", i);
    const std::string file = Numbered("p%05d.exe", i);
    CreateDirectoryA((drive + folder).c_str(), nullptr);
    const std::string exe = drive + folder + file;
    if (!CopyFileA(demo.c_str(), exe.c_str(), FALSE) || !GiveOwnIcon(exe, old, IconColour(i))) {
      std::fprintf(stderr, "could not make %s (error %lu)\n", exe.c_str(), GetLastError());
      return false;
    }
    if (!Near(ExtractedCentre(exe), IconColour(i))) {
      std::fprintf(stderr, "%s does not show its own icon\n", exe.c_str());
      return false;
    }
    catalogue += Numbered("[Programm %05d]\r\n", i);
    catalogue += "Datei = \\" + folder + file + "\r\nIcon = \\" + folder + file + "\r\n";
  }
  return WriteWholeFile(drive + "applications.dat", catalogue);
}

// A catalogue of N entries over the programs that LayOutOwnIcons made: entry
// i starts program i mod `programs`, so every visible page shows many icons.
bool WriteCycledCatalogue(const std::string& drive, int programs, int entries) {
  std::string catalogue;
  catalogue.reserve(static_cast<size_t>(entries) * 100);
  for (int i = 0; i < entries; ++i) {
    const int p = i % programs;
    const std::string path = Numbered("Programme\\P%05d\\", p) + Numbered("p%05d.exe", p);
    catalogue += Numbered("[Programm %06d]\r\n", i);
    catalogue += "Datei = \\" + path + "\r\nIcon = \\" + path + "\r\n";
  }
  return WriteWholeFile(drive + "applications.dat", catalogue);
}

// N entries that all start the same program.
bool LayOutOneProgram(const std::string& drive, const std::string& demo, int entries) {
  CreateDirectoryA((drive + "Programme").c_str(), nullptr);
  CreateDirectoryA((drive + "Programme\\Gleich").c_str(), nullptr);
  if (!CopyFileA(demo.c_str(), (drive + "Programme\\Gleich\\gleich.exe").c_str(), FALSE)) return false;
  std::string catalogue;
  catalogue.reserve(static_cast<size_t>(entries) * 96);
  for (int i = 0; i < entries; ++i) {
    catalogue += Numbered("[Programm %05d]\r\n", i);
    catalogue += "Datei = \\Programme\\Gleich\\gleich.exe\r\nIcon = \\Programme\\Gleich\\gleich.exe\r\n";
  }
  return WriteWholeFile(drive + "applications.dat", catalogue);
}

// An .ico file holding one 32x32 picture.
std::string IconFileBytes(COLORREF colour) {
  const std::vector<BYTE> image = IconImage(colour);
  std::string file(6 + 16, '\0');
  auto put16 = [&file](size_t at, unsigned v) {
    file[at] = static_cast<char>(v & 0xFF);
    file[at + 1] = static_cast<char>(v >> 8);
  };
  put16(2, 1);  // type: icon
  put16(4, 1);  // one image
  file[6] = static_cast<char>(kIconSize);
  file[7] = static_cast<char>(kIconSize);
  put16(10, 1);   // planes
  put16(12, 32);  // bits per pixel
  put16(14, static_cast<unsigned>(image.size()));
  put16(18, static_cast<unsigned>(file.size()));
  file.append(reinterpret_cast<const char*>(image.data()), image.size());
  return file;
}

// N entries that all start the same program but each show an icon file of
// their own: every entry brings a new image into the list's image lists.
bool LayOutOwnIconFiles(const std::string& drive, const std::string& demo, int entries) {
  CreateDirectoryA((drive + "Programme").c_str(), nullptr);
  CreateDirectoryA((drive + "Programme\\Gleich").c_str(), nullptr);
  CreateDirectoryA((drive + "Programme\\Symbole").c_str(), nullptr);
  if (!CopyFileA(demo.c_str(), (drive + "Programme\\Gleich\\gleich.exe").c_str(), FALSE)) return false;
  std::string catalogue;
  catalogue.reserve(static_cast<size_t>(entries) * 110);
  for (int i = 0; i < entries; ++i) {
    const std::string icon = Numbered("Programme\\Symbole\\s%05d.ico", i);
    if (!WriteWholeFile(drive + icon, IconFileBytes(IconColour(i)))) return false;
    catalogue += Numbered("[Programm %05d]\r\n", i);
    catalogue += "Datei = \\Programme\\Gleich\\gleich.exe\r\nIcon = \\" + icon + "\r\n";
  }
  return WriteWholeFile(drive + "applications.dat", catalogue);
}

struct Target {
  std::string exe;
  const char* windowClass;
  int items;  // list items the window must show; -1 for a window without a list
};

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The top-level window of that class (and process, unless 0). Asked by class
// name, which the window server answers in one request: the driver polls
// every 2 ms, and walking every window with two questions each loaded the
// server that the measured program waits on.
HWND FindProcessWindow(DWORD process, const char* windowClass) {
  for (HWND hwnd = FindWindowExA(nullptr, nullptr, windowClass, nullptr); hwnd;
       hwnd = FindWindowExA(nullptr, hwnd, windowClass, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (process == 0 || owner == process) return hwnd;
  }
  return nullptr;
}

HWND FindChild(HWND parent, int id) {
  if (HWND direct = GetDlgItem(parent, id)) return direct;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (HWND inner = FindChild(child, id)) return inner;
  return nullptr;
}

bool Answers(HWND hwnd, UINT msg, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(hwnd, msg, 0, 0, SMTO_NORMAL, 5000, &answer)) return false;
  if (result) *result = static_cast<LRESULT>(answer);
  return true;
}

// Nothing of the window waits to be painted.
bool Painted(HWND hwnd) { return !GetUpdateRect(hwnd, nullptr, FALSE); }

// On screen, painted, its list filled, and its thread answers (for the
// launcher the list's count is that answer).
bool Ready(const Target& target, HWND hwnd) {
  if (!IsWindowVisible(hwnd) || !Painted(hwnd)) return false;
  if (target.items < 0) return Answers(hwnd, WM_NULL, nullptr);
  HWND list = FindChild(hwnd, kProgramList);
  LRESULT count = 0;
  return list && Painted(list) && Answers(list, LVM_GETITEMCOUNT, &count) && count >= target.items;
}

struct Started {
  PROCESS_INFORMATION process = {};
  HWND window = nullptr;
  double ms = -1;
};

// Starts the program with the drive's root as its current directory and
// waits until it is ready; ms stays negative on failure.
Started StartAndTime(const Target& target, const std::string& drive, DWORD timeoutMs) {
  Started s;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + target.exe + "\"";
  const double begin = Now();
  if (!CreateProcessA(target.exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, drive.c_str(),
                      &startup, &s.process)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", target.exe.c_str(), GetLastError());
    return s;
  }
  for (;;) {
    HWND hwnd = FindProcessWindow(s.process.dwProcessId, target.windowClass);
    if (hwnd && Ready(target, hwnd)) {
      s.ms = Now() - begin;
      s.window = hwnd;
      return s;
    }
    if (Now() - begin > timeoutMs) {
      std::fprintf(stderr, "%s was not ready within %lu ms\n", target.exe.c_str(), timeoutMs);
      return s;
    }
    if (WaitForSingleObject(s.process.hProcess, 2) == WAIT_OBJECT_0) {
      std::fprintf(stderr, "%s ended before it was ready\n", target.exe.c_str());
      return s;
    }
  }
}

// Asks the program to end as a user would; a program that does not end is
// terminated (it is our own child) and reported.
bool Stop(const Target& target, Started& s) {
  bool asked = false;
  if (s.window) {
    if (target.items >= 0) {
      if (HWND button = FindChild(s.window, kQuitButton)) asked = PostMessageA(button, BM_CLICK, 0, 0);
    } else {
      asked = PostMessageA(s.window, WM_CLOSE, 0, 0);
    }
  }
  bool ended = asked && WaitForSingleObject(s.process.hProcess, 20000) == WAIT_OBJECT_0;
  if (!ended) {
    std::fprintf(stderr, "%s did not end when asked\n", target.exe.c_str());
    TerminateProcess(s.process.hProcess, 1);
    WaitForSingleObject(s.process.hProcess, 5000);
  }
  CloseHandle(s.process.hThread);
  CloseHandle(s.process.hProcess);
  // Let the tray and the server settle, so the next start finds a quiet system.
  Sleep(300);
  return ended;
}

// The largest working set the process has had so far, in KiB; 0 if unknown.
double PeakKiB(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize) / 1024.0;
}

bool TimeOnce(const Target& target, const std::string& drive, DWORD timeoutMs, double* ms,
              double* peakKiB = nullptr) {
  Started s = StartAndTime(target, drive, timeoutMs);
  if (peakKiB && s.ms >= 0) {
    // What the first paint and the moments after it need, not only the load.
    Sleep(500);
    *peakKiB = PeakKiB(s.process.hProcess);
  }
  const bool stopped = Stop(target, s);
  *ms = s.ms;
  return s.ms >= 0 && stopped;
}

double Median(std::vector<double> values);

// Opens a dialog of the running launcher with its command button and times
// until the dialog is shown and painted with its list filled and answers.
double TimeDialog(const Started& s, int button, const char* dialogClass, int listNumber, int items) {
  HWND command = FindChild(s.window, button);
  if (!command) return -1;
  const double begin = Now();
  PostMessageA(command, BM_CLICK, 0, 0);
  for (;;) {
    HWND dialog = FindProcessWindow(s.process.dwProcessId, dialogClass);
    if (dialog && IsWindowVisible(dialog) && Painted(dialog)) {
      HWND list = FindChild(dialog, listNumber);
      LRESULT count = 0;
      if (list && Painted(list) && Answers(list, LVM_GETITEMCOUNT, &count) && count >= items)
        return Now() - begin;
    }
    if (Now() - begin > 120000) return -1;
    Sleep(1);
  }
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void PrintTimes(const char* label, const std::vector<double>& values) {
  std::printf("  %-9s ms:", label);
  for (double v : values) std::printf(" %.0f", v);
  std::printf("  (median %.1f)\n", Median(values));
}

std::string ExeFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string WithSlash(std::string drive) {
  if (!drive.empty() && drive.back() != '\\') drive += '\\';
  return drive;
}

struct Paths {
  std::string drive, demo, baseline, launcher;
};

bool PreparePaths(const char* driveArg, Paths* p) {
  p->drive = WithSlash(driveArg);
  const std::string here = ExeFolder();
  char value[MAX_PATH];
  p->demo = GetEnvironmentVariableA("TROVANTO_BENCH_DEMO", value, MAX_PATH) ? value
                                                                          : here + "..\\tests\\e2e\\demo_program.exe";
  const std::string baselineSource = here + "minimal_window.exe";
  p->baseline = p->drive + "minimal_window.exe";
  p->launcher = p->drive + "trovanto.exe";
  if (GetFileAttributesA(p->launcher.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "no launcher at %s\n", p->launcher.c_str());
    return false;
  }
  if (GetFileAttributesA(p->demo.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::fprintf(stderr, "no demo program at %s\n", p->demo.c_str());
    return false;
  }
  // The baseline starts from the same drive as the launcher.
  if (!CopyFileA(baselineSource.c_str(), p->baseline.c_str(), FALSE)) {
    std::fprintf(stderr, "cannot copy %s\n", baselineSource.c_str());
    return false;
  }
  return true;
}

int Startup(const char* driveArg, int programs, int runs) {
  Paths p;
  if (!PreparePaths(driveArg, &p) || !LayOutOwnIcons(p.drive, p.demo, programs)) return 1;
  const Target launcher = {p.launcher, kLauncherClass, programs};
  const Target baseline = {p.baseline, kBaselineClass, -1};
  std::printf("startup: %d catalogued programs with their own icons, %d runs each\n", programs, runs);
  double ms = 0;
  // One start of each first, so that both find the files in the cache.
  if (!TimeOnce(launcher, p.drive, 60000, &ms) || !TimeOnce(baseline, p.drive, 60000, &ms)) return 1;
  std::vector<double> launcherMs, baselineMs;
  for (int r = 0; r < runs; ++r) {
    // Alternating order, so that a drift of the machine hits both alike.
    const bool launcherFirst = r % 2 == 0;
    for (int k = 0; k < 2; ++k) {
      const bool isLauncher = (k == 0) == launcherFirst;
      if (!TimeOnce(isLauncher ? launcher : baseline, p.drive, 60000, &ms)) return 1;
      (isLauncher ? launcherMs : baselineMs).push_back(ms);
    }
  }
  PrintTimes("launcher", launcherMs);
  PrintTimes("baseline", baselineMs);
  const double l = Median(launcherMs), b = Median(baselineMs);
  std::printf("RESULT startup programs=%d launcher_ms=%.1f baseline_ms=%.1f ratio=%.3f\n", programs, l, b, l / b);
  return 0;
}

// With a first size of 0 the start-up itself drops out of the growth: what
// remains is load and fill, which must grow like the entry count.
int Scale(const char* driveArg, int runs, const std::vector<int>& sizes, bool ownIconFiles) {
  Paths p;
  if (!PreparePaths(driveArg, &p)) return 1;
  const char* kind = ownIconFiles ? "scale_icons" : "scale";
  std::printf("%s: catalogues naming one program, %s, %d runs per size\n", kind,
              ownIconFiles ? "each entry with an icon file of its own" : "all with its icon", runs);
  std::vector<double> medians;
  for (int n : sizes) {
    const bool laidOut =
        ownIconFiles ? LayOutOwnIconFiles(p.drive, p.demo, n) : LayOutOneProgram(p.drive, p.demo, n);
    if (!laidOut) {
      std::fprintf(stderr, "could not lay out %d entries\n", n);
      return 1;
    }
    const Target launcher = {p.launcher, kLauncherClass, n};
    double ms = 0;
    if (!TimeOnce(launcher, p.drive, 300000, &ms)) return 1;
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
      if (!TimeOnce(launcher, p.drive, 300000, &ms)) return 1;
      times.push_back(ms);
    }
    const std::string label = std::to_string(n);
    PrintTimes(label.c_str(), times);
    medians.push_back(Median(times));
    std::printf("RESULT %s entries=%d launcher_ms=%.1f\n", kind, n, medians.back());
  }
  if (sizes.size() >= 3 && sizes[0] == 0) {
    const size_t last = sizes.size() - 1;
    const double small = medians[last - 1] - medians[0], large = medians[last] - medians[0];
    std::printf("RESULT %s_growth from=%d to=%d load_fill_ms_from=%.1f load_fill_ms_to=%.1f growth=%.2f\n", kind,
                sizes[last - 1], sizes[last], small, large, small > 0 ? large / small : 0.0);
  }
  return 0;
}

// Start-up and peak memory at each catalogue size, against the minimal window
// in the same run; the 100 programs with their own icons are made once.
int Sizes(const char* driveArg, int runs, const std::vector<int>& sizes) {
  Paths p;
  constexpr int kPrograms = 100;
  if (!PreparePaths(driveArg, &p) || !LayOutOwnIcons(p.drive, p.demo, kPrograms)) return 1;
  const Target baseline = {p.baseline, kBaselineClass, -1};
  std::printf("sizes: entries cycling through %d programs with their own icons, %d runs per size\n", kPrograms,
              runs);
  double ms = 0, peak = 0;
  if (!TimeOnce(baseline, p.drive, 60000, &ms)) return 1;
  std::vector<double> peaks;
  for (int n : sizes) {
    if (!WriteCycledCatalogue(p.drive, kPrograms, n)) return 1;
    const Target launcher = {p.launcher, kLauncherClass, n};
    if (!TimeOnce(launcher, p.drive, 300000, &ms)) return 1;
    std::vector<double> launcherMs, baselineMs, peakKiB;
    for (int r = 0; r < runs; ++r) {
      const bool launcherFirst = r % 2 == 0;
      for (int k = 0; k < 2; ++k) {
        const bool isLauncher = (k == 0) == launcherFirst;
        if (!TimeOnce(isLauncher ? launcher : baseline, p.drive, 300000, &ms, isLauncher ? &peak : nullptr))
          return 1;
        (isLauncher ? launcherMs : baselineMs).push_back(ms);
        if (isLauncher) peakKiB.push_back(peak);
      }
    }
    std::printf("%d entries\n", n);
    PrintTimes("launcher", launcherMs);
    PrintTimes("baseline", baselineMs);
    const double l = Median(launcherMs), b = Median(baselineMs);
    const auto range = std::minmax_element(launcherMs.begin(), launcherMs.end());
    std::printf("RESULT startup_size entries=%d launcher_ms=%.1f baseline_ms=%.1f ratio=%.3f min_ms=%.0f max_ms=%.0f\n",
                n, l, b, l / b, *range.first, *range.second);
    peaks.push_back(Median(peakKiB));
    std::printf("RESULT memory entries=%d peak_kib=%.0f\n", n, peaks.back());
  }
  if (peaks.size() >= 2 && peaks.front() > 0)
    std::printf("RESULT memory_growth from=%d to=%d ratio=%.3f\n", sizes.front(), sizes.back(),
                peaks.back() / peaks.front());
  return 0;
}

// The add/change (button 1, window 62, list 91) and the remove dialog (button
// 2, window 63, list 90) opened in a launcher that shows N entries.
int Dialogs(const char* driveArg, int runs, const std::vector<int>& sizes) {
  Paths p;
  if (!PreparePaths(driveArg, &p)) return 1;
  struct Dialog {
    const char* name;
    int button;
    const char* windowClass;
    int list;
  } const dialogs[] = {{"add", 1, "TrovantoWindow62", 91}, {"remove", 2, "TrovantoWindow63", 90}};
  std::printf("dialogs: entries naming one program, %d runs per size\n", runs);
  std::vector<std::vector<double>> medians(2);
  for (int n : sizes) {
    if (!LayOutOneProgram(p.drive, p.demo, n)) return 1;
    const Target launcher = {p.launcher, kLauncherClass, n};
    for (size_t d = 0; d < 2; ++d) {
      std::vector<double> times;
      for (int r = 0; r <= runs; ++r) {
        Started s = StartAndTime(launcher, p.drive, 300000);
        const double ms = s.ms >= 0 ? TimeDialog(s, dialogs[d].button, dialogs[d].windowClass, dialogs[d].list, n) : -1;
        Stop(launcher, s);
        if (ms < 0) {
          std::fprintf(stderr, "the %s dialog did not open with %d entries\n", dialogs[d].name, n);
          return 1;
        }
        if (r > 0) times.push_back(ms);  // the first run warms the caches
      }
      const std::string label = std::string(dialogs[d].name) + " " + std::to_string(n);
      PrintTimes(label.c_str(), times);
      medians[d].push_back(Median(times));
      std::printf("RESULT dialog which=%s entries=%d ms=%.1f\n", dialogs[d].name, n, medians[d].back());
    }
  }
  for (size_t d = 0; d < 2 && sizes.size() >= 2; ++d)
    std::printf("RESULT dialog_growth which=%s from=%d to=%d ms_from=%.1f ms_to=%.1f ratio=%.3f\n", dialogs[d].name,
                sizes.front(), sizes.back(), medians[d].front(), medians[d].back(),
                medians[d].back() / medians[d].front());
  return 0;
}

// ---- One removal run ---------------------------------------------------------
// The remove dialog (window 63, list 90, button 45) of a launcher showing
// TOTAL entries, with K of them ticked (spread over the list), timed from the
// press of its button until its list shows what is left and its thread
// answers: the rewrite of applications.dat, the log, and both lists filled
// again. A fresh catalogue is laid out before every run.

bool TickItems(const Started& s, HWND list, int total, int ticked) {
  void* remote = VirtualAllocEx(s.process.hProcess, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return false;
  LVITEMA item = {};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(2);
  bool ok = WriteProcessMemory(s.process.hProcess, remote, &item, sizeof item, nullptr) != 0;
  for (int k = 0; ok && k < ticked; ++k) {
    const WPARAM index = static_cast<WPARAM>(static_cast<long long>(k) * total / ticked);
    DWORD_PTR answer = 0;
    ok = SendMessageTimeoutA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000,
                             &answer) && answer;
  }
  VirtualFreeEx(s.process.hProcess, remote, 0, MEM_RELEASE);
  return ok;
}

double TimeRemoval(const Paths& p, int total, int ticked) {
  if (!LayOutOneProgram(p.drive, p.demo, total)) return -1;
  const Target launcher = {p.launcher, kLauncherClass, total};
  Started s = StartAndTime(launcher, p.drive, 300000);
  double ms = -1;
  if (s.ms >= 0 && TimeDialog(s, 2, "TrovantoWindow63", 90, total) >= 0) {
    HWND dialog = FindProcessWindow(s.process.dwProcessId, "TrovantoWindow63");
    HWND list = dialog ? FindChild(dialog, 90) : nullptr;
    HWND button = dialog ? FindChild(dialog, 45) : nullptr;
    if (list && button && TickItems(s, list, total, ticked)) {
      const double begin = Now();
      PostMessageA(button, BM_CLICK, 0, 0);
      for (;;) {
        LRESULT count = -1;
        if (Answers(list, LVM_GETITEMCOUNT, &count) && count == total - ticked && Painted(dialog)) {
          ms = Now() - begin;
          break;
        }
        if (Now() - begin > 300000) break;
        Sleep(1);
      }
    }
  }
  Stop(launcher, s);
  return ms;
}

int Removal(const char* driveArg, int runs, int total, const std::vector<int>& counts) {
  Paths p;
  if (!PreparePaths(driveArg, &p)) return 1;
  std::printf("removal: %d entries naming one program, %d runs per count, interleaved\n", total, runs);
  // Round by round, each count once a round, so that the machine's drift
  // meets every count alike; the first round warms the caches.
  std::vector<std::vector<double>> times(counts.size());
  for (int r = 0; r <= runs; ++r) {
    for (size_t c = 0; c < counts.size(); ++c) {
      const double ms = TimeRemoval(p, total, counts[c]);
      if (ms < 0) {
        std::fprintf(stderr, "removing %d of %d entries did not finish\n", counts[c], total);
        return 1;
      }
      if (r > 0) times[c].push_back(ms);
    }
  }
  std::vector<double> medians;
  for (size_t c = 0; c < counts.size(); ++c) {
    const std::string label = "remove " + std::to_string(counts[c]);
    PrintTimes(label.c_str(), times[c]);
    medians.push_back(Median(times[c]));
    std::printf("RESULT removal entries=%d ticked=%d ms=%.1f\n", total, counts[c], medians.back());
  }
  if (medians.size() >= 2 && medians.front() > 0)
    std::printf("RESULT removal_growth entries=%d from=%d to=%d ms_from=%.1f ms_to=%.1f ratio=%.3f\n", total,
                counts.front(), counts.back(), medians.front(), medians.back(), medians.back() / medians.front());
  return 0;
}

// ---- Start-up seen from outside ----------------------------------------------
// The measure a user or a stopwatch takes: nothing is asked of the program's
// thread (no message is sent to it until its window is visible), the clock
// starts when the system created the process, and the windows are found the
// way a shell finds them, by walking every top-level window.

using PreciseTime = VOID(WINAPI*)(LPFILETIME);

// System time in ms, precise where the system offers it (Windows 8, Wine).
double SystemMs() {
  static const PreciseTime precise = reinterpret_cast<PreciseTime>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME t;
  if (precise) {
    precise(&t);
  } else {
    GetSystemTimeAsFileTime(&t);
  }
  return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

double CreationMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  return static_cast<double>((static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime) /
         10000.0;
}

struct VisibleSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindVisibleOfProcess(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<VisibleSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != search->process || !IsWindowVisible(hwnd)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// The process's first visible top-level window, found by walking them all.
HWND VisibleWindowOf(DWORD process) {
  VisibleSearch search = {process, nullptr};
  EnumWindows(FindVisibleOfProcess, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Seen from outside: the launcher's window shows every entry; the popup's
// window has been painted.
bool SeenReady(const Target& target, HWND hwnd) {
  if (target.items < 0) return Painted(hwnd);
  HWND list = FindChild(hwnd, kProgramList);
  LRESULT count = 0;
  return list && Answers(list, LVM_GETITEMCOUNT, &count) && count >= target.items;
}

Started StartSeenFromOutside(const Target& target, const std::string& drive, DWORD timeoutMs) {
  Started s;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + target.exe + "\"";
  if (!CreateProcessA(target.exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, drive.c_str(),
                      &startup, &s.process)) {
    std::fprintf(stderr, "cannot start %s (error %lu)\n", target.exe.c_str(), GetLastError());
    return s;
  }
  const double created = CreationMs(s.process.hProcess);
  const double begin = Now();
  for (;;) {
    HWND hwnd = VisibleWindowOf(s.process.dwProcessId);
    if (hwnd && SeenReady(target, hwnd)) {
      s.ms = SystemMs() - created;
      s.window = FindProcessWindow(s.process.dwProcessId, target.windowClass);
      return s;
    }
    if (Now() - begin > timeoutMs) {
      std::fprintf(stderr, "%s was not seen ready within %lu ms\n", target.exe.c_str(), timeoutMs);
      return s;
    }
    if (WaitForSingleObject(s.process.hProcess, 5) == WAIT_OBJECT_0) {
      std::fprintf(stderr, "%s ended before it was seen ready\n", target.exe.c_str());
      return s;
    }
  }
}

// The launcher and the popup started in turn, the order alternating, and
// the ratio of the medians; the entries are laid out as for Sizes.
int Outside(const char* driveArg, int runs, const std::vector<int>& sizes) {
  Paths p;
  constexpr int kPrograms = 100;
  if (!PreparePaths(driveArg, &p) || !LayOutOwnIcons(p.drive, p.demo, kPrograms)) return 1;
  const Target baseline = {p.baseline, kBaselineClass, -1};
  std::printf("outside: seen from another process polling every 5 ms, entries cycling through %d programs with "
              "their own icons, %d runs per size\n",
              kPrograms, runs);
  for (int n : sizes) {
    if (!WriteCycledCatalogue(p.drive, kPrograms, n)) return 1;
    const Target launcher = {p.launcher, kLauncherClass, n};
    std::vector<double> launcherMs, baselineMs;
    // One start of each first, so that both find their files in the cache.
    for (int r = -1; r < runs; ++r) {
      const bool launcherFirst = r % 2 == 0;
      for (int k = 0; k < 2; ++k) {
        const Target& target = (k == 0) == launcherFirst ? launcher : baseline;
        Started s = StartSeenFromOutside(target, p.drive, 300000);
        const double ms = s.ms;
        if (!Stop(target, s) || ms < 0) return 1;
        if (r >= 0) (&target == &launcher ? launcherMs : baselineMs).push_back(ms);
      }
    }
    std::printf("%d entries\n", n);
    PrintTimes("launcher", launcherMs);
    PrintTimes("popup", baselineMs);
    const double l = Median(launcherMs), b = Median(baselineMs);
    const auto range = std::minmax_element(launcherMs.begin(), launcherMs.end());
    std::printf("RESULT outside entries=%d launcher_ms=%.1f baseline_ms=%.1f ratio=%.3f min_ms=%.0f max_ms=%.0f\n", n,
                l, b, l / b, *range.first, *range.second);
  }
  return 0;
}

// One start, for bench/report to trace the files read on the way.
int ColdStart(const char* driveArg, int programs) {
  Paths p;
  if (!PreparePaths(driveArg, &p) || !LayOutOwnIcons(p.drive, p.demo, programs)) return 1;
  const Target launcher = {p.launcher, kLauncherClass, programs};
  Started s = StartSeenFromOutside(launcher, p.drive, 300000);
  const double ms = s.ms;
  if (!Stop(launcher, s) || ms < 0) return 1;
  std::printf("RESULT coldstart programs=%d launcher_ms=%.1f\n", programs, ms);
  return 0;
}

int CompareBuilds(const char* driveArg, const char* otherExe, int runs, int entries) {
  Paths p;
  constexpr int kPrograms = 100;
  if (!PreparePaths(driveArg, &p) || !LayOutOwnIcons(p.drive, p.demo, kPrograms) ||
      !WriteCycledCatalogue(p.drive, kPrograms, entries))
    return 1;
  const std::string other = p.drive + "trovanto-b.exe";
  if (!CopyFileA(otherExe, other.c_str(), FALSE)) {
    std::fprintf(stderr, "cannot copy %s\n", otherExe);
    return 1;
  }
  const Target builds[2] = {{p.launcher, kLauncherClass, entries}, {other, kLauncherClass, entries}};
  std::vector<double> painted[2], outside[2];
  for (int r = -1; r < runs; ++r) {
    for (int k = 0; k < 2; ++k) {
      const int b = (r + k) % 2 == 0 ? 0 : 1;
      const int which = r < 0 ? k : b;
      double ms = 0;
      if (!TimeOnce(builds[which], p.drive, 300000, &ms)) return 1;
      Started s = StartSeenFromOutside(builds[which], p.drive, 300000);
      const double seen = s.ms;
      if (!Stop(builds[which], s) || seen < 0) return 1;
      if (r >= 0) {
        painted[which].push_back(ms);
        outside[which].push_back(seen);
      }
    }
  }
  std::printf("ab: %s against %s, %d entries, %d runs\n", p.launcher.c_str(), otherExe, entries, runs);
  PrintTimes("A painted", painted[0]);
  PrintTimes("B painted", painted[1]);
  PrintTimes("A outside", outside[0]);
  PrintTimes("B outside", outside[1]);
  std::printf("RESULT ab entries=%d painted_a=%.1f painted_b=%.1f outside_a=%.1f outside_b=%.1f\n", entries,
              Median(painted[0]), Median(painted[1]), Median(outside[0]), Median(outside[1]));
  return 0;
}

// Start-up and peak memory with N entries whose icons are hostile pictures
// (each file of Feindlich\ on the drive in turn, as bench/hostile.sh makes
// them) and the skin "Feindlich", against N entries with ordinary icon files
// of their own and the drive's own skin, alternating in the same run.
bool ReadWholeFile(const std::string& path, std::string* text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = GetFileSize(file, nullptr);
  text->assign(size, '\0');
  DWORD got = 0;
  const bool ok = size == 0 || (::ReadFile(file, &(*text)[0], size, &got, nullptr) && got == size);
  CloseHandle(file);
  return ok;
}

int Hostile(const char* driveArg, int runs, int entries) {
  Paths p;
  if (!PreparePaths(driveArg, &p) || !LayOutOwnIconFiles(p.drive, p.demo, entries)) return 1;
  std::string ordinaryCatalogue, ordinarySettings;
  if (!ReadWholeFile(p.drive + "applications.dat", &ordinaryCatalogue) ||
      !ReadWholeFile(p.drive + "settings.dat", &ordinarySettings))
    return 1;
  std::vector<std::string> pictures;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((p.drive + "Feindlich\\*.*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) pictures.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  const size_t skin = ordinarySettings.find("Skin = ");
  if (pictures.empty() || skin == std::string::npos) {
    std::fprintf(stderr, "no hostile pictures in %sFeindlich, or no skin in settings.dat\n", p.drive.c_str());
    return 1;
  }
  std::sort(pictures.begin(), pictures.end());
  std::string hostileCatalogue;
  for (int i = 0; i < entries; ++i) {
    hostileCatalogue += Numbered("[Programm %05d]\r\n", i);
    hostileCatalogue += "Datei = \\Programme\\Gleich\\gleich.exe\r\nIcon = \\Feindlich\\" +
                        pictures[static_cast<size_t>(i) % pictures.size()] + "\r\n";
  }
  const std::string hostileSettings = ordinarySettings.substr(0, skin) + "Skin = Feindlich" +
                                      ordinarySettings.substr(ordinarySettings.find('\r', skin));
  std::printf("hostile: %d entries over %zu hostile pictures and a padded skin, against own icon files, %d runs\n",
              entries, pictures.size(), runs);
  const Target launcher = {p.launcher, kLauncherClass, entries};
  std::vector<double> ms[2], peak[2];
  for (int r = 0; r <= runs; ++r) {
    for (int k = 0; k < 2; ++k) {
      const int kind = (k + r) % 2;  // alternating order; run 0 only warms the caches
      if (!WriteWholeFile(p.drive + "applications.dat", kind ? hostileCatalogue : ordinaryCatalogue) ||
          !WriteWholeFile(p.drive + "settings.dat", kind ? hostileSettings : ordinarySettings))
        return 1;
      double t = 0, kib = 0;
      const bool ok = TimeOnce(launcher, p.drive, 300000, &t, &kib);
      if (!ok) {
        std::fprintf(stderr, "the launcher did not start with the %s pictures\n", kind ? "hostile" : "ordinary");
        WriteWholeFile(p.drive + "settings.dat", ordinarySettings);
        return 1;
      }
      if (r == 0) continue;
      ms[kind].push_back(t);
      peak[kind].push_back(kib);
    }
  }
  WriteWholeFile(p.drive + "settings.dat", ordinarySettings);
  WriteWholeFile(p.drive + "applications.dat", ordinaryCatalogue);
  const char* names[2] = {"ordinary", "hostile"};
  for (int kind = 0; kind < 2; ++kind) {
    PrintTimes(names[kind], ms[kind]);
    std::printf("RESULT hostile kind=%s entries=%d launcher_ms=%.1f peak_kib=%.0f\n", names[kind], entries,
                Median(ms[kind]), Median(peak[kind]));
  }
  std::printf("RESULT hostile_ratio entries=%d ms_ratio=%.3f memory_ratio=%.3f\n", entries,
              Median(ms[1]) / Median(ms[0]), Median(peak[1]) / Median(peak[0]));
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: startup_driver startup DRIVE PROGRAMS RUNS\n"
               "       startup_driver scale|scale-icons|sizes|dialogs|outside DRIVE RUNS N...\n"
               "       startup_driver coldstart DRIVE PROGRAMS | ab DRIVE OTHER_EXE RUNS N\n"
               "       startup_driver hostile DRIVE RUNS ENTRIES | removal DRIVE RUNS TOTAL K...\n"
               "       startup_driver pointer X Y | wait CLASS MS | close CLASS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "startup" && argc == 5) return Startup(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if ((command == "scale" || command == "scale-icons") && argc >= 5) {
    std::vector<int> sizes;
    for (int i = 4; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    return Scale(argv[2], std::atoi(argv[3]), sizes, command == "scale-icons");
  }
  if ((command == "sizes" || command == "dialogs" || command == "outside") && argc >= 5) {
    std::vector<int> sizes;
    for (int i = 4; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    const int runs = std::atoi(argv[3]);
    if (command == "outside") return Outside(argv[2], runs, sizes);
    return command == "sizes" ? Sizes(argv[2], runs, sizes) : Dialogs(argv[2], runs, sizes);
  }
  if (command == "removal" && argc >= 6) {
    std::vector<int> counts;
    for (int i = 5; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    return Removal(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), counts);
  }
  if (command == "ab" && argc == 6) return CompareBuilds(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
  if (command == "coldstart" && argc == 4) return ColdStart(argv[2], std::atoi(argv[3]));
  if (command == "hostile" && argc == 5) return Hostile(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (command == "pointer" && argc == 4) return SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
  if (command == "wait" && argc == 4) {
    const double begin = Now();
    const double timeoutMs = std::atof(argv[3]);
    while (Now() - begin < timeoutMs) {
      HWND hwnd = FindProcessWindow(0, argv[2]);
      if (hwnd && IsWindowVisible(hwnd) && Answers(hwnd, WM_NULL, nullptr)) {
        std::printf("%.0f\n", Now() - begin);
        return 0;
      }
      Sleep(5);
    }
    return 1;
  }
  if (command == "close" && argc == 3) {
    HWND hwnd = FindProcessWindow(0, argv[2]);
    return hwnd && PostMessageA(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  return Usage();
}
