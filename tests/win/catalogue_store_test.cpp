// applications.dat: the exact file SaveCatalogue writes, what LoadCatalogue
// makes of stored paths, and where each entry's icon comes from.
#include "catalogue/catalogue_store.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "catalogue/program_list.h"
#include "settings/settings.h"
#include "storage/directory.h"
#include "ui/controls.h"
#include "ui/images.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using catalogue::AppEntry;
using catalogue::gCatalogue;
using settings::gSettings;

// Under Wine the Linux root is drive Z:.
std::string SourceFile(const std::string& relative) {
  std::string dir = TROVANTO_TEST_DATA;
  if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
  return dir + "/" + relative;
}

using wine_test::ReadFile;
using wine_test::WriteFile;

std::string SystemFile(const char* name) {
  char dir[MAX_PATH];
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\" + name;
}

AppEntry& Append(const char* name, const char* folder, const char* file, const char* icon) {
  gCatalogue.SelectIndex(gCatalogue.Count());
  AppEntry& e = gCatalogue.Add();
  e.Name = name;
  e.Folder = folder;
  e.FileName = file;
  e.IconFile = icon;
  return e;
}

struct Want {
  const char *name, *folder, *file, *icon;
};

void ExpectEntries(const std::vector<Want>& want, HANDLE icon) {
  ASSERT_EQ(gCatalogue.Count(), static_cast<int>(want.size()));
  for (int i = 0; i < gCatalogue.Count(); ++i) {
    const AppEntry& e = gCatalogue.At(i);
    const Want& w = want[static_cast<size_t>(i)];
    EXPECT_EQ(e.Name, w.name);
    EXPECT_EQ(e.Folder, w.folder);
    EXPECT_EQ(e.FileName, w.file);
    EXPECT_EQ(e.IconFile, w.icon);
    EXPECT_EQ(ResolveEntryIcon(e.Icon), icon) << e.Name;
    EXPECT_EQ(e.IsNew, 0);
  }
}

class CatalogueStore : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::ImagesStartup();
    ui::RegisterPngDecoder();
    ASSERT_NE(ui::ImageFromFile(15, SourceFile("../../resources/pictures/15.ico").c_str()), 0);
  }
  static void TearDownTestSuite() { ui::ImagesShutdown(); }
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "trovanto_catalogue_" + std::to_string(GetCurrentProcessId()) + "\\";
    storage::RemoveTree(folder_.c_str(), "*.*", 3);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    gSettings.StartDirectory = folder_;
    gSettings.ProgramDrive = folder_.substr(0, 2);
    gCatalogue.Clear();
  }
  void TearDown() override {
    gCatalogue.Clear();
    storage::RemoveTree(folder_.c_str(), "*.*", 3);
  }
  std::string File() const { return folder_ + "applications.dat"; }
  // The folder as the file stores it: without the drive.
  std::string Stored() const { return folder_.substr(2); }
  HANDLE Placeholder() const { return ui::ImageHandle(15); }

  std::string folder_;
};

TEST_F(CatalogueStore, SaveWritesTheExactFile) {
  gSettings.ProgramDrive = "C:";
  // The drive goes whatever its case; another drive stays; a name that
  // differs only in ASCII case lands in the first one's group.
  Append("Tool", "C:\\Applications\\Tool\\", "Tool.exe", "C:\\Applications\\Tool\\Tool.exe");
  Append("Mein]Editor", "D:\\Fremd\\", "edit.exe", "c:\\Icons\\edit.ico");
  Append("TOOL", "C:\\Neu\\", "neu.exe", "C:\\Neu\\neu.ico");
  Append("Leer", "", "", "");
  WriteFile(File(), std::string(5000, 'x'));
  catalogue::SaveCatalogue();
  const std::string expected = ReadFile(SourceFile("applications_expected.dat"));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ReadFile(File()), expected);
  EXPECT_EQ(gCatalogue.CursorIndex(), 3);
  EXPECT_EQ(catalogue::CatalogueNameClashes(), (std::vector<std::pair<int, int>>{{0, 2}}));

  // Read back: one entry per group, at the first twin's place; a name with
  // a bracket whole.
  gCatalogue.Clear();
  catalogue::LoadCatalogue();
  ExpectEntries({{"Tool", "C:\\neu\\", "neu.exe", "C:\\neu\\neu.ico"},
                 {"Mein]Editor", "C:d:\\fremd\\", "edit.exe", "C:\\icons\\edit.ico"},
                 {"Leer", "", "C:", "C:"}},
                Placeholder());
}

TEST_F(CatalogueStore, EmptyCatalogueSavesAnEmptyFile) {
  WriteFile(File(), "[Alt]\r\nDatei = \\a.exe\r\n");
  catalogue::SaveCatalogue();
  EXPECT_EQ(storage::PathSize(File().c_str()), 0);
}

TEST_F(CatalogueStore, LoadLowerCasesStoredPathsBehindTheDrive) {
  gSettings.ProgramDrive = "Q:";
  WriteFile(File(),
            "[\xC4nderung]\r\nDatei = \\\xC0\xC9Z\\\xDE\xDF\xFFX\xD7.EXE\r\nIcon = \\ICONS\\A.ICO\r\n"
            "[Ohne Datei]\r\nIcon = \\x.ico\r\n");
  catalogue::LoadCatalogue();
  // The name keeps its case; only letters are lowered, the multiplication
  // sign stays.
  ExpectEntries({{"\xC4nderung", "Q:\\\xE0\xE9z\\", "\xFE\xDF\xFFx\xD7.exe", "Q:\\icons\\a.ico"},
                 {"Ohne Datei", "", "Q:", "Q:\\x.ico"}},
                Placeholder());
}

// The platform's letter rules for file names. CTest runs this program again
// with a Japanese locale (code page 932) for the cases that need it.
TEST_F(CatalogueStore, SystemCaseRulesAreThoseOfTheCodePage) {
  const catalogue::CaseRules& rules = catalogue::SystemCaseRules();
  if (GetACP() == 1252) {
    const catalogue::CaseRules& portable = catalogue::Windows1252Rules();
    for (int b = 0; b < 256; ++b) {
      EXPECT_EQ(rules.lead[b], portable.lead[b]) << b;
      EXPECT_EQ(rules.lower[b], portable.lower[b]) << b;
    }
  } else if (GetACP() == 932) {
    for (int b = 0; b < 256; ++b) {
      EXPECT_EQ(rules.lead[b], (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) << b;
      EXPECT_EQ(rules.lower[b], b >= 'A' && b <= 'Z' ? b + 32 : b) << b;
    }
  } else {
    GTEST_SKIP() << "code page " << GetACP();
  }
}

// A stored path comes back with every byte but the case of its letters, still
// names its program (whose icon is taken from it), and is saved as read.
TEST_F(CatalogueStore, PathsKeepTheirBytesThroughALoadAndASave) {
  std::string folder, lowered;
  if (GetACP() == 1252) {
    folder = "2\xD7" "3 \xC4";  // "2x3 Ae", with the multiplication sign
    lowered = "2\xD7" "3 \xE4";
  } else if (GetACP() == 932) {
    folder = "\x83\x4F\x83\x6F";  // katakana GU and BA: only the second bytes differ
    lowered = folder;
  } else {
    GTEST_SKIP() << "code page " << GetACP();
  }
  ASSERT_TRUE(CreateDirectoryA((folder_ + folder).c_str(), nullptr)) << GetLastError();
  ASSERT_TRUE(CopyFileA(SystemFile("notepad.exe").c_str(), (folder_ + folder + "\\Tool.exe").c_str(), FALSE));
  const std::string stored = Stored() + folder + "\\TOOL.EXE";
  WriteFile(File(), "[Tool]\r\nDatei = " + stored + "\r\nIcon = " + stored + "\r\n");
  catalogue::LoadCatalogue();
  ASSERT_EQ(gCatalogue.Count(), 1);
  const AppEntry& e = gCatalogue.At(0);
  std::string want = folder_ + lowered + "\\";
  for (size_t i = 0; i < folder_.size(); ++i) want[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(want[i])));
  want.replace(0, 2, gSettings.ProgramDrive);
  EXPECT_EQ(e.Folder, want);
  EXPECT_EQ(e.FileName, "tool.exe");
  EXPECT_NE(storage::PathSize((e.Folder + e.FileName).c_str()), -1) << "the path names no file";
  EXPECT_NE(catalogue::ExtractFirstIcon(e.IconFile), nullptr);
  ASSERT_TRUE(catalogue::SaveCatalogue());
  const std::string saved = ReadFile(File());
  const std::string line = "Datei = " + want.substr(2) + "tool.exe\r\n";
  EXPECT_NE(saved.find(line), std::string::npos) << saved;
  gCatalogue.Clear();
  catalogue::LoadCatalogue();
  ASSERT_EQ(gCatalogue.Count(), 1);
  EXPECT_EQ(gCatalogue.At(0).Folder, want);
}

TEST_F(CatalogueStore, MissingFileLeavesCatalogueEmpty) {
  catalogue::LoadCatalogue();
  EXPECT_EQ(gCatalogue.Count(), 0);
  EXPECT_EQ(storage::PathSize(File().c_str()), -1);
}

struct Release {
  HANDLE handle;
  DWORD ms;
};

DWORD WINAPI ReleaseLater(void* parameter) {
  auto* release = static_cast<Release*>(parameter);
  Sleep(release->ms);
  CloseHandle(release->handle);
  return 0;
}

// Held by another program without sharing: for a moment (a virus scanner)
// the load waits it out; for longer the launcher runs without the file and
// never writes over it in this run.
TEST_F(CatalogueStore, HeldFileIsWaitedForAWhileAndThenNeverOverwritten) {
  // A folder of its own: a file given up on stays given up on in this process.
  gSettings.StartDirectory = folder_ + "held\\";
  ASSERT_TRUE(CreateDirectoryA(gSettings.StartDirectory.c_str(), nullptr));
  const std::string file = gSettings.StartDirectory + "applications.dat";
  const std::string content = "[Tool]\r\nDatei = \\tool.exe\r\nIcon = \\tool.exe\r\n";
  WriteFile(file, content);
  for (DWORD holdMs : {300u, 3000u}) {
    gCatalogue.Clear();
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Release release{held, holdMs};
    HANDLE thread = CreateThread(nullptr, 0, ReleaseLater, &release, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    catalogue::LoadCatalogue();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(gCatalogue.Count(), holdMs < 1000 ? 1 : 0) << holdMs;
    EXPECT_EQ(catalogue::SaveCatalogue(), holdMs < 1000) << holdMs;
  }
  EXPECT_EQ(ReadFile(file), "[Tool]\r\nDatei = \\tool.exe\r\nIcon = \\tool.exe\r\n");
  EXPECT_EQ(storage::RemoveTree(gSettings.StartDirectory.c_str(), "", 3), 1);
}

TEST_F(CatalogueStore, IconsComeFromProgramImageOrPlaceholder) {
  ASSERT_TRUE(CopyFileA(SystemFile("notepad.exe").c_str(), (folder_ + "prog.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(SourceFile("../../resources/pictures/16.ico").c_str(), (folder_ + "icon.ico").c_str(),
                        FALSE));
  WriteFile(folder_ + "readme.txt", "no icons in here\r\n");
  const HICON programIcon = catalogue::ExtractFirstIcon(folder_ + "prog.exe");
  ASSERT_NE(programIcon, nullptr);

  enum Kind { kProgramIcon, kIcon16, kPlaceholder };
  struct Case {
    const char *program, *icon;
    Kind kind;
  } const cases[] = {
      {"prog.exe", "prog.exe", kProgramIcon},
      // Another program's icon: it is no image, so it is extracted.
      {"other.exe", "prog.exe", kProgramIcon},
      // Stored in capitals, read lower-cased: still the same file.
      {"PROG.EXE", "PROG.EXE", kProgramIcon},
      {"x.exe", "icon.ico", kIcon16},
      {"x.exe", "missing.ico", kPlaceholder},
      {"missing.exe", "missing.exe", kPlaceholder},
      // A file that is no program at all (Windows may answer 1 for it).
      {"readme.txt", "readme.txt", kPlaceholder},
      {"x.exe", "readme.txt", kPlaceholder},
  };
  std::string file;
  int n = 0;
  for (const Case& c : cases) {
    file += "[Entry" + std::to_string(n++) + "]\r\nDatei = " + Stored() + c.program + "\r\nIcon = " + Stored() +
            c.icon + "\r\n";
  }
  WriteFile(File(), file);
  catalogue::LoadCatalogue();
  ASSERT_EQ(gCatalogue.Count(), n);
  // Loading reads no icon file: each icon is taken when it is first needed.
  for (int i = 0; i < n; ++i) EXPECT_TRUE(gCatalogue.At(i).Icon.Pending()) << i;
  for (int i = 0; i < n; ++i) {
    const Case& c = cases[i];
    const HANDLE icon = ResolveEntryIcon(gCatalogue.At(i).Icon);
    SCOPED_TRACE(std::string(c.program) + " / " + c.icon);
    switch (c.kind) {
      case kProgramIcon: EXPECT_EQ(icon, programIcon); break;
      case kPlaceholder: EXPECT_EQ(icon, Placeholder()); break;
      case kIcon16: {
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
        BITMAP bm{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 16);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        break;
      }
    }
  }
}

// The picture a list with icons shows for an item (16 x 16, or 32 x 32 in
// the large-icon view), drawn onto white.
std::vector<COLORREF> ShownPicture(HWND list, int item, bool large = false) {
  LVITEMA lv{};
  lv.mask = LVIF_IMAGE;
  lv.iItem = item;
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
  return wine_test::DrawnImageListEntry(ListView_GetImageList(list, large ? LVSIL_NORMAL : LVSIL_SMALL), lv.iImage,
                                        large ? 32 : 16, RGB(255, 255, 255));
}

// A program's first icon, taken afresh.
HICON FirstIconOf(const std::string& path) {
  HICON icon = nullptr;
  PrivateExtractIconsA(path.c_str(), 0, 32, 32, &icon, nullptr, 1, LR_DEFAULTCOLOR);
  return icon;
}

// An icon as a 32 x 32 image list shows it on white.
std::vector<COLORREF> IconPixels(HICON icon) {
  HIMAGELIST list = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
  ImageList_AddIcon(list, icon);
  std::vector<COLORREF> pixels = wine_test::DrawnImageListEntry(list, 0, 32, RGB(255, 255, 255));
  ImageList_Destroy(list);
  return pixels;
}

// Start-up takes the first entries' icons on another thread: each program's
// own icon, once per file, nothing for a missing program, and the entries
// still take them only when first drawn.
TEST_F(CatalogueStore, IconsTakenAheadAreEachProgramsOwn) {
  ASSERT_TRUE(CopyFileA(SystemFile("notepad.exe").c_str(), (folder_ + "a.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(SystemFile("winemine.exe").c_str(), (folder_ + "b.exe").c_str(), FALSE));
  const char* const programs[] = {"a.exe", "b.exe", "missing.exe", "A.EXE", "b.exe"};
  std::string file;
  for (int i = 0; i < 5; ++i)
    file += "[E" + std::to_string(i) + "]\r\nDatei = " + Stored() + programs[i] + "\r\nIcon = " + Stored() +
            programs[i] + "\r\n";
  WriteFile(File(), file);
  catalogue::LoadCatalogue();
  ASSERT_EQ(gCatalogue.Count(), 5);
  catalogue::StartIconPrefetch(8);
  // Stopped only after the icon it is taking: given time, it takes all.
  Sleep(1000);
  EXPECT_EQ(catalogue::EndIconPrefetch(), 2);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(gCatalogue.At(i).Icon.Pending()) << i;

  const std::vector<COLORREF> own[] = {IconPixels(FirstIconOf(folder_ + "a.exe")), IconPixels(FirstIconOf(folder_ + "b.exe"))};
  ASSERT_NE(own[0], own[1]) << "the two programs must show different icons";
  const int ownOf[] = {0, 1, -1, 0, 1};
  for (int i = 0; i < 5; ++i) {
    const HANDLE icon = ResolveEntryIcon(gCatalogue.At(i).Icon);
    if (ownOf[i] < 0)
      EXPECT_EQ(icon, Placeholder());
    else
      EXPECT_EQ(IconPixels(static_cast<HICON>(icon)), own[ownOf[i]]) << programs[i];
  }
  EXPECT_EQ(ResolveEntryIcon(gCatalogue.At(0).Icon), ResolveEntryIcon(gCatalogue.At(3).Icon));
  EXPECT_EQ(catalogue::EndIconPrefetch(), 0);

  // The program list in its large icons takes the bitmaps copied out ahead.
  ui::WindowsStartup();
  ui::ControlsStartup();
  ASSERT_NE(ui::CreateProgramWindow(60, 0, 0, 300, 400, "Liste", ui::kTitleBar, nullptr), 0);
  ui::UseControlParent(ui::WindowHandle(60));
  ASSERT_NE(ui::CreateIconList(89, 0, 0, 200, 380, "", 0, ui::kListLargeIconView), 0);
  catalogue::FillProgramList(89, catalogue::ListContents::kLive);
  HWND list = ui::ControlHandle(89);
  UpdateWindow(list);
  for (int i : {0, 1, 3, 4}) EXPECT_EQ(ShownPicture(list, i, true), own[ownOf[i]]) << programs[i] << " in the list";
  ui::CloseProgramWindow(60);
  ui::ControlsShutdown();
  ui::WindowsShutdown();
}


// A copy of a program whose icon resources are replaced: one icon group
// whose entries (side as the directory says it, 256 stored as 0) name the
// given images as icons 1, 2, ...
bool ProgramWithIcons(const std::string& path, const std::vector<wine_test::IconFileImage>& images) {
  if (!CopyFileA(SystemFile("notepad.exe").c_str(), path.c_str(), FALSE)) return false;
  HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
  if (!update) return false;
  std::string group("\0\0\1\0", 4);
  group += static_cast<char>(images.size());
  group += '\0';
  const WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  for (size_t i = 0; i < images.size(); ++i) {
    const uint8_t side = static_cast<uint8_t>(images[i].side >= 256 ? 0 : images[i].side);
    const uint32_t bytes = static_cast<uint32_t>(images[i].bytes.size());
    const char entry[14] = {static_cast<char>(side), static_cast<char>(side), 0, 0, 1, 0, 32, 0,
                            static_cast<char>(bytes), static_cast<char>(bytes >> 8), static_cast<char>(bytes >> 16),
                            static_cast<char>(bytes >> 24), static_cast<char>(i + 1), 0};
    group.append(entry, 14);
    if (!UpdateResourceA(update, MAKEINTRESOURCEA(3), MAKEINTRESOURCEA(i + 1), language,
                         const_cast<char*>(images[i].bytes.data()), bytes))
      return false;
  }
  return UpdateResourceA(update, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(1), language, &group[0],
                         static_cast<DWORD>(group.size())) &&
         EndUpdateResourceA(update, FALSE);
}

// Pictures larger than icons, or files whose directories lie, are never made
// into icons at their size nor handed to the platform's own icon parsing: the
// entry shows a small icon chosen from the file, or the placeholder.
TEST_F(CatalogueStore, HostilePicturesCostAnIconAtMost) {
  using wine_test::BitmapIconImage;
  using wine_test::IconFile;
  using wine_test::SolidPng;
  constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00A000;
  // 8192 x 8192 pixels in about 260 KB.
  WriteFile(folder_ + "huge.png", SolidPng(8192, 8192, kRed));
  WriteFile(folder_ + "huge.ico", IconFile({{256, BitmapIconImage(1024, kRed)}}));
  WriteFile(folder_ + "mixed.ico", IconFile({{256, SolidPng(512, 512, kRed)}, {32, BitmapIconImage(32, kGreen)}}));
  std::string lying = IconFile({{16, BitmapIconImage(16, kGreen)}, {16, BitmapIconImage(16, kGreen)}});
  lying[6 + 16 + 12 + 3] = 0x7F;  // the second image far past the end
  WriteFile(folder_ + "lying.ico", lying);
  ASSERT_TRUE(ProgramWithIcons(folder_ + "bigicon.exe", {{256, BitmapIconImage(1024, kRed)}}));
  ASSERT_TRUE(ProgramWithIcons(folder_ + "mixed.exe", {{256, BitmapIconImage(1024, kRed)}, {32, BitmapIconImage(32, kGreen)}}));

  struct Case {
    const char *program, *icon;
    bool placeholder;  // else a 32 x 32 green icon
  } const cases[] = {
      {"x.exe", "huge.png", true},       {"x.exe", "huge.ico", true},        {"x.exe", "mixed.ico", false},
      {"x.exe", "lying.ico", true},      {"bigicon.exe", "bigicon.exe", true}, {"mixed.exe", "mixed.exe", false},
      {"x.exe", "bigicon.exe", true},    {"x.exe", "mixed.exe", false},
  };
  std::string file;
  int n = 0;
  for (const Case& c : cases)
    file += "[E" + std::to_string(n++) + "]\r\nDatei = " + Stored() + c.program + "\r\nIcon = " + Stored() + c.icon +
            "\r\n";
  WriteFile(File(), file);
  catalogue::LoadCatalogue();
  ASSERT_EQ(gCatalogue.Count(), n);
  for (int i = 0; i < n; ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::string(c.program) + " / " + c.icon);
    const HANDLE icon = ResolveEntryIcon(gCatalogue.At(i).Icon);
    if (c.placeholder) {
      EXPECT_EQ(icon, Placeholder());
      continue;
    }
    ASSERT_NE(icon, Placeholder());
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(IconPixels(static_cast<HICON>(icon))[16 * 32 + 16], RGB(0, 0xA0, 0));
  }
}

// A 32-bit launcher on 64-bit Windows is shown the 32-bit system folder
// under the name System32. Files that only the real one holds (chosen in the
// 64-bit file explorer, or a 64-bit-only program) must give their icons in
// every way an icon is read: the program's own, another program or an icon
// file chosen as the icon, and all of them again when the catalogue is read
// back after a restart.
TEST_F(CatalogueStore, IconsInTheRealSystemFolderShowFromA32BitLauncher) {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) GTEST_SKIP() << "not a 32-bit process on 64-bit Windows";
  char windows[MAX_PATH];
  const std::string folder(windows, GetSystemWindowsDirectoryA(windows, MAX_PATH));
  const std::string name = "trovanto_only64_" + std::to_string(GetCurrentProcessId());
  const std::string native = folder + "\\Sysnative\\" + name, asNamed = folder + "\\System32\\" + name;
  ASSERT_TRUE(CopyFileA(SystemFile("notepad.exe").c_str(), (native + ".exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(SourceFile("../../resources/pictures/16.ico").c_str(), (native + ".ico").c_str(), FALSE));
  ASSERT_EQ(GetFileAttributesA((asNamed + ".exe").c_str()), INVALID_FILE_ATTRIBUTES) << "not redirected";

  // As the add/change dialog reads a chosen program or icon file.
  EXPECT_NE(catalogue::ExtractFirstIcon(asNamed + ".exe"), nullptr);
  EXPECT_NE(catalogue::LoadIconImage(asNamed + ".ico"), nullptr);

  // As the catalogue reads them back.
  ASSERT_EQ(folder.substr(0, 2), gSettings.ProgramDrive) << "the test needs its files on the system drive";
  const std::string stored = asNamed.substr(2);
  WriteFile(File(), "[Eigenes]\r\nDatei = " + stored + ".exe\r\nIcon = " + stored + ".exe\r\n" +
                        "[Anderes]\r\nDatei = " + Stored() + "x.exe\r\nIcon = " + stored + ".exe\r\n" +
                        "[Datei]\r\nDatei = " + Stored() + "x.exe\r\nIcon = " + stored + ".ico\r\n");
  catalogue::LoadCatalogue();
  ASSERT_EQ(gCatalogue.Count(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(ResolveEntryIcon(gCatalogue.At(i).Icon), Placeholder()) << gCatalogue.At(i).Name;
  DeleteFileA((native + ".exe").c_str());
  DeleteFileA((native + ".ico").c_str());
}

TEST_F(CatalogueStore, IconsAreTakenWhenTheListFirstDrawsThemAndAreTheRightOnes) {
  ASSERT_TRUE(CopyFileA(SystemFile("notepad.exe").c_str(), (folder_ + "prog.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(SourceFile("../../resources/pictures/16.ico").c_str(), (folder_ + "icon.ico").c_str(),
                        FALSE));
  // Three sources in turn: the program's own icon, an icon file, a missing file.
  const char* const icons[] = {"prog.exe", "icon.ico", "missing.ico"};
  constexpr int kEntries = 60;
  std::string file;
  for (int i = 0; i < kEntries; ++i)
    file += "[E" + std::to_string(i) + "]\r\nDatei = " + Stored() + "prog.exe\r\nIcon = " + Stored() + icons[i % 3] +
            "\r\n";
  WriteFile(File(), file);
  catalogue::LoadCatalogue();
  ASSERT_EQ(gCatalogue.Count(), kEntries);

  ui::WindowsStartup();
  ui::ControlsStartup();
  ASSERT_NE(ui::CreateProgramWindow(62, 0, 0, 300, 300, "Liste", ui::kTitleBar, nullptr), 0);
  ui::UseControlParent(ui::WindowHandle(62));
  ASSERT_NE(ui::CreateIconList(91, 0, 0, 200, 120, "", 0, 0), 0);
  ui::SetIconListView(91, ui::kSmallIcons);
  // The same pictures handed over directly, as the dialogs do with a chosen icon.
  ASSERT_NE(ui::CreateIconList(90, 0, 130, 200, 120, "", 0, 0), 0);
  ui::SetIconListView(90, ui::kSmallIcons);
  const HANDLE expected[] = {catalogue::ExtractFirstIcon(folder_ + "prog.exe"),
                             ui::ImageHandle(static_cast<int>(ui::ImageFromFile(-1, (folder_ + "icon.ico").c_str()))),
                             Placeholder()};
  for (HANDLE h : expected) {
    ASSERT_NE(h, nullptr);
    ui::AddControlItem(90, -1, "", h);
  }
  HWND list = ui::ControlHandle(91);
  HWND reference = ui::ControlHandle(90);

  catalogue::FillProgramList(91, catalogue::ListContents::kLive);
  for (int i = 0; i < kEntries; ++i) ASSERT_TRUE(gCatalogue.At(i).Icon.Pending()) << "filling took icon " << i;
  UpdateWindow(list);
  EXPECT_FALSE(gCatalogue.At(0).Icon.Pending());
  EXPECT_TRUE(gCatalogue.At(kEntries - 1).Icon.Pending()) << "an item far below the visible ones was drawn";

  ListView_EnsureVisible(list, kEntries - 1, FALSE);
  UpdateWindow(list);
  EXPECT_FALSE(gCatalogue.At(kEntries - 1).Icon.Pending());
  const std::vector<COLORREF> pictures[] = {ShownPicture(reference, 0), ShownPicture(reference, 1),
                                            ShownPicture(reference, 2)};
  ASSERT_NE(pictures[0], pictures[1]);
  ASSERT_NE(pictures[1], pictures[2]);
  for (int i : {0, 1, 2, kEntries - 3, kEntries - 2, kEntries - 1})
    EXPECT_EQ(ShownPicture(list, i), pictures[i % 3]) << "item " << i << " shows the wrong icon";

  ui::CloseProgramWindow(62);
  ui::ControlsShutdown();
  ui::WindowsShutdown();
}

TEST_F(CatalogueStore, FillProgramListShowsEntriesInOrder) {
  ui::WindowsStartup();
  ui::ControlsStartup();
  ASSERT_NE(ui::CreateProgramWindow(62, 0, 0, 300, 300, "Liste", ui::kTitleBar | ui::kStartHidden, nullptr), 0);
  ui::UseControlParent(ui::WindowHandle(62));
  ASSERT_NE(ui::CreateIconList(91, 0, 0, 200, 200, "", 0, 0), 0);

  for (const char* name : {"Beta", "Alpha", "Beta"})
    Append(name, "C:\\", "x.exe", "C:\\x.exe").Icon = Placeholder();
  for (int round = 0; round < 2; ++round) {
    catalogue::FillProgramList(91, catalogue::ListContents::kLive);
    ASSERT_EQ(ui::CountControlItems(91), 3);
    EXPECT_EQ(gCatalogue.CursorIndex(), 2);
    for (int i = 0; i < 3; ++i) {
      char text[64] = {};
      ListView_GetItemText(ui::ControlHandle(91), i, 0, text, sizeof text);
      EXPECT_EQ(std::string(text), gCatalogue.At(i).Name);
    }
  }
  gCatalogue.Clear();
  catalogue::FillProgramList(91, catalogue::ListContents::kLive);
  EXPECT_EQ(ui::CountControlItems(91), 0);
  EXPECT_EQ(gCatalogue.CursorIndex(), -1);

  ui::CloseProgramWindow(62);
  ui::ControlsShutdown();
  ui::WindowsShutdown();
}

}  // namespace
