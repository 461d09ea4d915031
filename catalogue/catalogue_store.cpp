#include "catalogue/catalogue_store.h"

#include <shellapi.h>

#include <atomic>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "catalogue/text_ops.h"
#include "settings/settings.h"
#include "storage/launch.h"
#include "storage/line_counter.h"
#include "storage/preference_file.h"
#include "ui/controls.h"
#include "ui/images.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesCatalogueStore)

namespace catalogue {

Catalogue gCatalogue;
const char kCatalogueFileName[] = "applications.dat";

namespace {

constexpr const char* kFileName = kCatalogueFileName;
constexpr char kProgramKey[] = "Datei";
constexpr char kIconKey[] = "Icon";
// A window with a red cross, for entries whose icon cannot be obtained.
constexpr int kPlaceholderImage = 15;

// Extraction makes a new system icon per call; a catalogue that lists many
// programs of one folder (or one icon library) would otherwise hold many
// copies of the same picture. Handles live until the process ends, since
// entries and dialogs may show them at any time.
std::unordered_map<std::string, HICON>& ExtractedIcons() {
  static std::unordered_map<std::string, HICON> icons;
  return icons;
}

HANDLE Placeholder() { return ui::ImageHandle(kPlaceholderImage); }

// The program's own icon when IconFile is the program file; otherwise the file
// loaded as an image, else its first icon; image 15 when all of that fails.
HANDLE ResolveIconSource(const IconSource& source) {
  if (source.OwnProgram) {
    HICON icon = ExtractFirstIcon(source.File);
    return icon != nullptr ? icon : Placeholder();
  }
  HANDLE image = LoadIconImage(source.File);
  if (image != nullptr) return image;
  HICON icon = ExtractFirstIcon(source.File);
  return icon != nullptr ? icon : Placeholder();
}

void* ResolveSourceIcon(const IconSource& source) { return ResolveIconSource(source); }

// The first icon at the system's large size, as the shell's ExtractIcon
// gives it, read through the image checks rather than the platform's own
// extraction (which reads whatever a file claims); the shell need not load
// before the first paint either. No icon, an unreadable or unknown file:
// nothing.
HICON ExtractFromFile(const std::string& path) {
  // At the size of the lists' large icons on this display.
  return ui::IconFromIconOrProgramFile(storage::NativeSystemPath(path).c_str(), ui::Scaled(32), ui::Scaled(32));
}

// Taking an icon costs a few milliseconds of trips to the window server, most
// of it waiting: the icons of the first entries are taken on a thread of
// their own while the main window is being built, so the first paint finds
// them ready. The thread touches nothing but this record until it is joined.
struct Prefetch {
  HANDLE thread = nullptr;
  std::vector<std::string> paths;
  std::vector<HICON> icons;
  std::vector<ICONINFO> bitmaps;  // copied out for the program list, or none
  std::atomic<bool> stop{false};
  std::atomic<size_t> taken{0};
};
Prefetch gPrefetch;

DWORD WINAPI PrefetchIcons(void*) {
  for (size_t i = 0; i < gPrefetch.paths.size() && !gPrefetch.stop.load(); ++i) {
    HICON icon = ExtractFromFile(gPrefetch.paths[i]);
    if (icon && !GetIconInfo(icon, &gPrefetch.bitmaps[i])) gPrefetch.bitmaps[i] = ICONINFO{};
    gPrefetch.icons[i] = icon;
    gPrefetch.taken.store(i + 1);
  }
  return 0;
}

// A byte lowers when the code page has it as a single capital letter whose
// small letter is again one byte of the code page, and the pair converts
// back and forth without loss: so the lowered path names the same file on
// any file system that ignores case. Asked of the platform's own conversion,
// which knows every code page Windows can run in, rather than kept in tables.
CaseRules RulesOfCodePage(UINT codePage) {
  CaseRules rules;
  for (int b = 0x80; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b))) {
      rules.lead[b] = true;
      continue;
    }
    wchar_t upper = 0;
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, &upper, 1) != 1) continue;
    if (!IsCharUpperW(upper) || !IsCharAlphaW(upper)) continue;
    wchar_t lower = upper, back = 0;
    CharLowerBuffW(&lower, 1);
    back = lower;
    CharUpperBuffW(&back, 1);
    if (lower == upper || back != upper) continue;
    char small[4] = {};
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(codePage, 0, &lower, 1, small, sizeof small, nullptr,
                                      codePage == CP_UTF8 ? nullptr : &lost);
    wchar_t again = 0;
    if (n != 1 || lost || MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, small, 1, &again, 1) != 1 ||
        again != lower)
      continue;
    rules.lower[b] = static_cast<unsigned char>(small[0]);
  }
  return rules;
}

}  // namespace

const CaseRules& SystemCaseRules() {
  static const CaseRules rules = RulesOfCodePage(GetACP());
  return rules;
}

HICON ExtractFirstIcon(const std::string& path) {
  MARK_LINE();
  if (path.empty()) return nullptr;
  const std::string key = LowerCase(path, SystemCaseRules());
  auto& icons = ExtractedIcons();
  const auto found = icons.find(key);
  if (found != icons.end()) return found->second;
  HICON icon = ExtractFromFile(path);
  // Failures are not remembered: the add/change dialog may point at a file
  // that appears later in the run.
  if (icon != nullptr) icons.emplace(key, icon);
  return icon;
}

HANDLE LoadIconImage(const std::string& path) {
  MARK_LINE();
  if (path.empty()) return nullptr;
  const intptr_t identity = ui::ImageFromFile(-1, storage::NativeSystemPath(path).c_str(), ui::kIconLimits);
  return identity != 0 ? ui::ImageHandle(static_cast<int>(identity)) : nullptr;
}

void StartIconPrefetch(int count) {
  MARK_LINE();
  if (gPrefetch.thread) return;
  std::unordered_set<std::string> seen;
  for (int i = 0; i < gCatalogue.Count() && i < count; ++i) {
    const IconSource* source = gCatalogue.At(i).Icon.Source();
    if (!source || source->Resolved || !source->OwnProgram || source->File.empty()) continue;
    const std::string key = LowerCase(source->File, SystemCaseRules());
    if (ExtractedIcons().count(key) || !seen.insert(key).second) continue;
    gPrefetch.paths.push_back(source->File);
  }
  if (gPrefetch.paths.empty()) return;
  gPrefetch.icons.assign(gPrefetch.paths.size(), nullptr);
  gPrefetch.bitmaps.assign(gPrefetch.paths.size(), ICONINFO{});
  gPrefetch.stop = false;
  gPrefetch.taken = 0;
  gPrefetch.thread = CreateThread(nullptr, 0, PrefetchIcons, nullptr, 0, nullptr);
  if (!gPrefetch.thread) gPrefetch.paths.clear();
}

int EndIconPrefetch() {
  MARK_LINE();
  if (!gPrefetch.thread) return 0;
  gPrefetch.stop = true;
  WaitForSingleObject(gPrefetch.thread, INFINITE);
  CloseHandle(gPrefetch.thread);
  gPrefetch.thread = nullptr;
  int kept = 0;
  for (size_t i = 0; i < gPrefetch.taken.load(); ++i) {
    HICON icon = gPrefetch.icons[i];
    const ICONINFO& bitmaps = gPrefetch.bitmaps[i];
    if (!icon) continue;
    if (ExtractedIcons().emplace(LowerCase(gPrefetch.paths[i], SystemCaseRules()), icon).second) {
      ++kept;
      if (bitmaps.hbmColor || bitmaps.hbmMask) ui::OfferIconBitmaps(icon, bitmaps);
      continue;
    }
    // Taken meanwhile after all: one handle per file.
    if (bitmaps.hbmColor) DeleteObject(bitmaps.hbmColor);
    if (bitmaps.hbmMask) DeleteObject(bitmaps.hbmMask);
    DestroyIcon(icon);
  }
  gPrefetch.paths.clear();
  gPrefetch.icons.clear();
  gPrefetch.bitmaps.clear();
  return kept;
}

void LoadCatalogue() {
  MARK_LINE();
  const std::string path = settings::StartDirectoryFile(kFileName);
  if (!preference::Open(path.c_str())) return;
  const std::string& drive = settings::gSettings.ProgramDrive;
  // Many entries share an icon source (one icon library, a folder of tools,
  // or a broken file listing the same path again and again): each source is
  // resolved once per load, failures included, and only when an entry that
  // uses it is first drawn, so a large catalogue loads without touching a
  // single icon file.
  std::unordered_map<std::string, std::shared_ptr<IconSource>> sources;
  if (preference::RewindGroups()) {
    while (preference::NextGroup()) {
      // New entries go after the cursor, so it must sit on the last one.
      gCatalogue.SelectIndex(gCatalogue.Count());
      AppEntry& entry = gCatalogue.Add();
      entry.Name = preference::GroupName();
      // Paths are in the system's code page: lowered by its rules, and never
      // the second byte of a two-byte character.
      const std::string program = drive + LowerCase(preference::ReadString(kProgramKey, ""), SystemCaseRules());
      entry.FileName = FilePart(program);
      entry.Folder = PathPart(program);
      entry.IconFile = drive + LowerCase(preference::ReadString(kIconKey, ""), SystemCaseRules());
      const bool own = entry.IconFile.size() == entry.Folder.size() + entry.FileName.size() &&
                       entry.IconFile.compare(0, entry.Folder.size(), entry.Folder) == 0 &&
                       entry.IconFile.compare(entry.Folder.size(), std::string::npos, entry.FileName) == 0;
      std::string key = entry.IconFile;
      key += own ? '\1' : '\0';
      auto known = sources.find(key);
      if (known == sources.end()) {
        auto source = std::make_shared<IconSource>();
        source->File = entry.IconFile;
        source->OwnProgram = own;
        source->Resolve = ResolveSourceIcon;
        known = sources.emplace(std::move(key), std::move(source)).first;
      }
      entry.Icon.SetSource(known->second);
    }
  }
  preference::Close();
}

bool SaveCatalogue() {
  MARK_LINE();
  const std::string path = settings::StartDirectoryFile(kFileName);
  if (!preference::Create(path.c_str())) return false;
  const std::string& drive = settings::gSettings.ProgramDrive;
  gCatalogue.ForEach([&drive](AppEntry& entry) {
    preference::SelectGroup(entry.Name.c_str());
    preference::WriteString(kProgramKey, RemoveText(entry.Folder + entry.FileName, drive).c_str());
    preference::WriteString(kIconKey, RemoveText(entry.IconFile, drive).c_str());
  });
  return preference::Close() != 0;
}

std::vector<std::pair<int, int>> CatalogueNameClashes() { return NameClashes(gCatalogue); }

}  // namespace catalogue
