#include "storage/directory.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace storage {

namespace {

constexpr int kRemoveRecurse = 1;
constexpr int kRemoveClearAttributes = 2;
// A path must fit a MAX_PATH buffer together with its terminator; longer
// paths are refused rather than cut, since a cut path names another file.
constexpr size_t kPathLimit = MAX_PATH - 1;
// Bounds the table against a wild slot number; the launcher uses slot 0.
constexpr int kMaxListingSlots = 4096;

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

std::string WithBackslashes(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// "" when the platform cannot resolve the path.
std::string FullPath(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::string full(needed, '\0');
  const DWORD written = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return {};
  full.resize(written);
  return full;
}

// Short (8.3) components would let one folder hide behind a second spelling.
std::string LongPath(const std::string& path) {
  const DWORD needed = GetLongPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::string longPath(needed, '\0');
  const DWORD written = GetLongPathNameA(path.c_str(), longPath.data(), needed);
  if (written == 0 || written >= needed) return path;
  longPath.resize(written);
  return longPath;
}

// Full, long, upper-cased and ending in a backslash, so that a plain prefix
// test tells whether one folder lies inside another.
std::string ComparableFolder(const std::string& fullFolder) {
  std::string folder = LongPath(fullFolder);
  if (!EndsWithSeparator(folder)) folder += '\\';
  if (!folder.empty()) CharUpperBuffA(folder.data(), static_cast<DWORD>(folder.size()));
  return folder;
}

// Length of "X:\" or "\\server\share\" at the start of a full path; 0 for
// any other form (device paths included), which RemoveTree then refuses.
size_t RootLength(const std::string& full) {
  if (full.size() >= 3 && full[1] == ':' && full[2] == '\\') return 3;
  if (full.size() < 3 || full[0] != '\\' || full[1] != '\\' || full[2] == '?' || full[2] == '.')
    return 0;
  const size_t serverEnd = full.find('\\', 2);
  if (serverEnd == std::string::npos || serverEnd == 2) return 0;
  const size_t shareEnd = full.find('\\', serverEnd + 1);
  if (shareEnd == std::string::npos || shareEnd == serverEnd + 1) return 0;
  return shareEnd + 1;
}

std::string gProtectedStart;

bool ContainsProtectedStart(const std::string& fullFolder) {
  if (gProtectedStart.empty()) return false;
  const std::string folder = ComparableFolder(fullFolder);
  return gProtectedStart.compare(0, folder.size(), folder) == 0;
}

std::wstring Widened(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

bool OnlyDotsAndBlanks(const char* text, size_t size) {
  for (size_t i = 0; i < size; ++i)
    if (text[i] != '.' && text[i] != ' ') return false;
  return true;
}

// A name that the narrow calls, or a path join after a code-page conversion, would read as a
// separator, a drive or a step upwards: full-width "．．＼" turns into "..\" in code page 1252.
// Such a name is never joined onto a path, in whatever form.
bool DangerousName(const std::wstring& name) {
  if (name.find_first_of(L"\\/:") != std::wstring::npos) return true;
  for (UINT codePage : {CP_ACP, CP_OEMCP}) {
    const int n = WideCharToMultiByte(codePage, 0, name.data(), static_cast<int>(name.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return true;
    std::string narrow(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, name.data(), static_cast<int>(name.size()), narrow.data(), n, nullptr,
                        nullptr);
    if (narrow.find_first_of("\\/:") != std::string::npos || OnlyDotsAndBlanks(narrow.data(), narrow.size()))
      return true;
  }
  return false;
}

// The \\?\ form passes names to the file system as they are: without it a trailing dot or blank
// would be cut off and name a sibling.
std::wstring Verbatim(const std::wstring& path) {
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') return L"\\\\?\\UNC" + path.substr(1);
  return L"\\\\?\\" + path;
}

bool IsSelfOrParent(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Walks folder (full, ending in a backslash) with the wide calls. With remove false it only
// looks, and answers whether every name that a removal would join is harmless; with remove true
// it deletes. Entries whose joined path would not fit are left alone, so the folder stays
// non-empty and its removal reports failure.
// What one walk reports to its caller: the files a look counted, and whom a removal tells that it
// is still going.
struct WalkReport {
  int64_t files = 0;
  RemoveProgress progress = nullptr;
  void* context = nullptr;
};

int WalkFolder(const std::wstring& folder, const std::wstring& pattern, int flags, bool remove,
               WalkReport& report) {
  const std::wstring search = folder + pattern;
  if (search.size() > kPathLimit) return remove ? 0 : 1;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(Verbatim(search).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return remove ? 0 : 1;
  bool harmless = true;
  do {
    if (IsSelfOrParent(entry.cFileName)) continue;
    const std::wstring name = entry.cFileName;
    if (DangerousName(name)) {
      harmless = false;
      if (!remove) break;
      continue;
    }
    const std::wstring path = folder + name;
    if (path.size() > kPathLimit) continue;
    const std::wstring verbatim = Verbatim(path);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(flags & kRemoveRecurse)) continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A junction or link may lead anywhere, the start directory or a
        // drive root included: remove the link, never what it points to.
        if (!remove) continue;
        if (flags & kRemoveClearAttributes) SetFileAttributesW(verbatim.c_str(), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(verbatim.c_str());
      } else if (!WalkFolder(path + L'\\', pattern, flags, remove, report) && !remove) {
        harmless = false;
        break;
      }
    } else if (remove) {
      if (flags & kRemoveClearAttributes) SetFileAttributesW(verbatim.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(verbatim.c_str());
      if (report.progress) report.progress(report.context);
    } else {
      ++report.files;
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  if (!remove) return harmless ? 1 : 0;
  const std::wstring self = Verbatim(folder);
  if (flags & kRemoveClearAttributes) SetFileAttributesW(self.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(self.c_str()) ? 1 : 0;
}

// True when the folder or any folder on its way down from the root is a junction or a link: its
// content then lies somewhere else, perhaps on another drive.
bool ReachedThroughLink(const std::wstring& full, size_t rootLength) {
  for (size_t end = full.find(L'\\', rootLength); end != std::wstring::npos; end = full.find(L'\\', end + 1)) {
    const DWORD attributes = GetFileAttributesW(Verbatim(full.substr(0, end)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  }
  return false;
}

struct ListingSlot {
  HANDLE search = INVALID_HANDLE_VALUE;
  bool firstPending = false;
  bool hasEntry = false;
  WIN32_FIND_DATAA entry{};
};

std::vector<ListingSlot> gListings;

ListingSlot* FindListing(int slot) {
  if (slot < 0 || static_cast<size_t>(slot) >= gListings.size()) return nullptr;
  return &gListings[static_cast<size_t>(slot)];
}

void EndListing(ListingSlot& listing) {
  if (listing.search != INVALID_HANDLE_VALUE) FindClose(listing.search);
  listing = ListingSlot{};
}

}  // namespace

std::string GetWorkingDirectory() {
  char buffer[MAX_PATH + 1];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  if (length == 0 || length >= sizeof buffer) return {};
  std::string dir(buffer, length);
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

void SetWorkingDirectory(const char* path) {
  if (path == nullptr || *path == '\0') return;
  SetCurrentDirectoryA(path);
}

int64_t PathSize(const char* path) {
  if (path == nullptr || *path == '\0') return -1;
  std::string p(path, strnlen(path, MAX_PATH));
  if ((p.size() == 2 || p.size() == 3) && p[1] == ':') {
    if (p.size() == 2) p += '\\';
    const UINT type = GetDriveTypeA(p.c_str());
    return type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR ? -1 : -2;
  }
  if (p.back() == '\\') p.pop_back();
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(p.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return -1;
  FindClose(find);
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -2;
  return static_cast<int64_t>((static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow);
}

void SetProtectedStartDirectory(const std::string& dir) {
  if (dir.empty()) {
    gProtectedStart.clear();
    return;
  }
  std::string folder = WithBackslashes(dir);
  if (!EndsWithSeparator(folder)) folder += '\\';
  const std::string full = FullPath(folder);
  gProtectedStart = ComparableFolder(full.empty() ? folder : full);
}

namespace {

// The refusals of RemoveTree, and the wide forms of what passed them.
bool Admit(const char* folder, const char* pattern, std::wstring* wideFull, std::wstring* wideMask) {
  if (folder == nullptr || *folder == '\0') return false;
  std::string raw = WithBackslashes(folder);
  if (!EndsWithSeparator(raw)) raw += '\\';
  if (raw.size() > kPathLimit) return false;
  const std::string mask = pattern == nullptr || *pattern == '\0' ? "*.*" : pattern;
  // A mask is a name filter only; a path in it would reach outside the folder.
  if (mask.find_first_of("\\/:") != std::string::npos) return false;

  // Checks and deletion use the same resolved path, so "T:", "..", and
  // mixed slashes cannot slip past the refusals.
  const std::string full = FullPath(raw);
  if (full.empty() || full.size() > kPathLimit || !EndsWithSeparator(full)) return false;
  const size_t root = RootLength(full);
  if (root == 0 || full.size() <= root) return false;
  if (ContainsProtectedStart(full)) return false;
  *wideFull = Widened(full);
  *wideMask = Widened(mask);
  return !wideFull->empty() && !wideMask->empty() && !ReachedThroughLink(*wideFull, root);
}

}  // namespace

int RemoveTree(const char* folder, const char* pattern, int flags, RemoveProgress progress, void* context) {
  std::wstring wideFull, wideMask;
  if (!Admit(folder, pattern, &wideFull, &wideMask)) return 0;
  // Looked at whole before anything goes, so that a refused folder is left as it was.
  WalkReport look;
  if (!WalkFolder(wideFull, wideMask, flags, false, look)) return 0;
  WalkReport removal;
  removal.progress = progress;
  removal.context = context;
  return WalkFolder(wideFull, wideMask, flags, true, removal);
}

int64_t CountTree(const char* folder, const char* pattern, int flags) {
  std::wstring wideFull, wideMask;
  if (!Admit(folder, pattern, &wideFull, &wideMask)) return -1;
  WalkReport look;
  if (!WalkFolder(wideFull, wideMask, flags, false, look)) return -1;
  return look.files;
}

bool PathIsWithin(const char* path, const char* folder) {
  if (path == nullptr || *path == '\0' || folder == nullptr || *folder == '\0') return false;
  // "T:" alone names the current directory of drive T:, not its root.
  std::string outer = WithBackslashes(folder);
  if (!EndsWithSeparator(outer)) outer += '\\';
  const std::string fullOuter = FullPath(outer);
  const std::string fullInner = FullPath(WithBackslashes(path));
  if (fullOuter.empty() || fullInner.empty()) return false;
  const std::string inner = ComparableFolder(fullInner);
  const std::string container = ComparableFolder(fullOuter);
  return inner.compare(0, container.size(), container) == 0;
}

int OpenListing(int slot, const char* folder, const char* pattern) {
  if (slot < 0 || slot >= kMaxListingSlots) return 0;
  if (static_cast<size_t>(slot) >= gListings.size()) gListings.resize(static_cast<size_t>(slot) + 1);
  ListingSlot& listing = gListings[static_cast<size_t>(slot)];
  EndListing(listing);

  std::string search = folder == nullptr ? "" : folder;
  if (!search.empty() && !EndsWithSeparator(search)) search += '\\';
  search += pattern == nullptr || *pattern == '\0' ? "*.*" : pattern;
  if (search.size() > kPathLimit) return 0;

  listing.search = FindFirstFileA(search.c_str(), &listing.entry);
  if (listing.search != INVALID_HANDLE_VALUE) {
    listing.firstPending = true;
    return 1;
  }
  const DWORD error = GetLastError();
  listing = ListingSlot{};
  // An existing folder without a matching name is an empty listing, not a failure.
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? 1 : 0;
}

int NextListingEntry(int slot) {
  ListingSlot* listing = FindListing(slot);
  if (listing == nullptr) return 0;
  if (listing->firstPending) {
    listing->firstPending = false;
    listing->hasEntry = true;
    return 1;
  }
  listing->hasEntry = listing->search != INVALID_HANDLE_VALUE &&
                      FindNextFileA(listing->search, &listing->entry);
  return listing->hasEntry ? 1 : 0;
}

std::string ListingEntryName(int slot) {
  const ListingSlot* listing = FindListing(slot);
  return listing != nullptr && listing->hasEntry ? listing->entry.cFileName : "";
}

int ListingEntryKind(int slot) {
  const ListingSlot* listing = FindListing(slot);
  if (listing == nullptr || !listing->hasEntry) return 0;
  return listing->entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? 2 : 1;
}

void CloseListing(int slot) {
  if (ListingSlot* listing = FindListing(slot)) EndListing(*listing);
}

}  // namespace storage
