#include "storage/directory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using storage::PathSize;
using storage::RemoveTree;

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(n));
  return wide;
}

// Wide calls with the \\?\ prefix reach paths that the ANSI calls under test refuse.
std::wstring LongForm(const std::string& path) { return L"\\\\?\\" + Wide(path); }

bool Exists(const std::string& path) {
  return GetFileAttributesW(LongForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFolder(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(LongForm(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
      << path;
}

void MakeFile(const std::string& path, size_t size = 0, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  const std::string content(size, 'x');
  DWORD written = 0;
  if (size > 0) WriteFile(file, content.data(), static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, size);
  SetFileAttributesW(LongForm(path).c_str(), attributes);
}

// Independent of the code under test, and able to clear over-long paths.
void Wipe(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        Wipe(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(folder.c_str());
}

class DirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    base_ = std::string(temp) + "trovanto_dir_" + std::to_string(GetCurrentProcessId());
    Wipe(LongForm(base_));
    MakeFolder(base_);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    savedCwd_ = cwd;
  }
  void TearDown() override {
    SetCurrentDirectoryA(savedCwd_.c_str());
    storage::SetProtectedStartDirectory("");
    Wipe(LongForm(base_));
  }
  std::string At(const std::string& relative) const { return base_ + "\\" + relative; }

  std::string base_;
  std::string savedCwd_;
};

char UnusedDriveLetter() {
  const DWORD used = GetLogicalDrives();
  for (char letter = 'Y'; letter >= 'D'; --letter)
    if (!(used & (1u << (letter - 'A')))) return letter;
  return 0;
}

TEST_F(DirectoryTest, PathSize) {
  MakeFile(At("empty.txt"));
  MakeFile(At("size.bin"), 12345);
  MakeFolder(At("folder"));
  const char missing = UnusedDriveLetter();
  ASSERT_NE(missing, 0);
  const std::string missingDrive = std::string(1, missing) + ":";
  struct Case {
    std::string path;
    int64_t expected;
  } cases[] = {
      {"C:", -2}, {"C:\\", -2}, {"Z:", -2}, {"z:\\", -2},
      {missingDrive, -1}, {missingDrive + "\\", -1},
      {At("folder"), -2}, {At("folder\\"), -2}, {base_ + "\\", -2},
      {At("empty.txt"), 0}, {At("size.bin"), 12345}, {At("*.bin"), 12345},
      {At("nothing.txt"), -1}, {At("nothing\\"), -1}, {At("*.none"), -1}, {"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(PathSize(c.path.c_str()), c.expected) << c.path;
  EXPECT_EQ(PathSize(nullptr), -1);
}

TEST_F(DirectoryTest, WorkingDirectory) {
  MakeFolder(At("work"));
  storage::SetWorkingDirectory(At("work").c_str());
  EXPECT_EQ(storage::GetWorkingDirectory(), At("work\\"));
  for (const char* ignored : {static_cast<const char*>(nullptr), "", "Q:\\no\\such\\folder"}) {
    storage::SetWorkingDirectory(ignored);
    EXPECT_EQ(storage::GetWorkingDirectory(), At("work\\"));
  }
  storage::SetWorkingDirectory("C:\\");
  EXPECT_EQ(storage::GetWorkingDirectory(), "C:\\");
}

// Tree: a.txt (read-only), b.log, sub\c.txt, sub\d.log (read-only), sub\deep\e.txt.
TEST_F(DirectoryTest, RemoveTreeFlagsAndPattern) {
  const std::vector<std::string> all = {"a.txt", "b.log", "sub", "sub\\c.txt", "sub\\d.log",
                                        "sub\\deep", "sub\\deep\\e.txt"};
  struct Case {
    int flags;
    const char* pattern;
    bool removed;
    std::vector<std::string> left;
  } cases[] = {
      {3, "", true, {}},
      {3, nullptr, true, {}},
      {0, "", false, {"a.txt", "sub", "sub\\c.txt", "sub\\d.log", "sub\\deep", "sub\\deep\\e.txt"}},
      {2, "", false, {"sub", "sub\\c.txt", "sub\\d.log", "sub\\deep", "sub\\deep\\e.txt"}},
      {1, "", false, {"a.txt", "sub", "sub\\d.log"}},
      // Sub-folders that do not match the pattern are never entered.
      {3, "*.log", false, {"a.txt", "sub", "sub\\c.txt", "sub\\d.log", "sub\\deep", "sub\\deep\\e.txt"}},
  };
  int index = 0;
  for (const auto& c : cases) {
    const std::string tree = At("tree" + std::to_string(index++));
    MakeFolder(tree);
    MakeFolder(tree + "\\sub");
    MakeFolder(tree + "\\sub\\deep");
    MakeFile(tree + "\\a.txt", 3, FILE_ATTRIBUTE_READONLY);
    MakeFile(tree + "\\b.log", 3);
    MakeFile(tree + "\\sub\\c.txt", 3, FILE_ATTRIBUTE_HIDDEN);
    MakeFile(tree + "\\sub\\d.log", 3, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    MakeFile(tree + "\\sub\\deep\\e.txt", 3);

    const int result = RemoveTree(tree.c_str(), c.pattern, c.flags);
    const std::string label = "flags " + std::to_string(c.flags) + " pattern " + (c.pattern ? c.pattern : "null");
    EXPECT_EQ(result != 0, c.removed) << label;
    EXPECT_EQ(Exists(tree), !c.removed) << label;
    for (const auto& name : all) {
      const bool expectLeft = std::find(c.left.begin(), c.left.end(), name) != c.left.end();
      EXPECT_EQ(Exists(tree + "\\" + name), expectLeft) << label << ": " << name;
    }
  }
}

TEST_F(DirectoryTest, RemoveTreeRefusesTheStartDirectoryAndItsParents) {
  const std::string home = At("home");
  const std::string start = home + "\\Start Folder";
  MakeFolder(home);
  MakeFolder(start);
  MakeFolder(start + "\\sub");
  MakeFile(start + "\\settings.dat", 10);
  storage::SetProtectedStartDirectory(start);

  std::string upper = start;
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  std::string slashes = start;
  for (char& ch : slashes)
    if (ch == '\\') ch = '/';
  std::vector<std::string> refused = {start, start + "\\", upper, slashes + "/", start + "\\sub\\..",
                                      start + "\\.", home, home + "\\", base_, "..", "..\\..\\.."};
  char shortName[MAX_PATH];
  const DWORD shortLength = GetShortPathNameA(start.c_str(), shortName, MAX_PATH);
  if (shortLength > 0 && shortLength < MAX_PATH && start != shortName) refused.push_back(shortName);

  SetCurrentDirectoryA((start + "\\sub").c_str());
  for (const auto& folder : refused) {
    EXPECT_EQ(RemoveTree(folder.c_str(), "", 3), 0) << folder;
    EXPECT_TRUE(Exists(start + "\\settings.dat")) << folder;
    EXPECT_TRUE(Exists(start + "\\sub")) << folder;
  }

  // Inside the start directory, or merely sharing the start of its name, is fair game.
  SetCurrentDirectoryA(savedCwd_.c_str());
  for (const std::string& folder : {start + "\\Programs", start + " 2", home + "\\Start"}) {
    MakeFolder(folder);
    MakeFile(folder + "\\tool.exe", 10);
    EXPECT_NE(RemoveTree(folder.c_str(), "", 3), 0) << folder;
    EXPECT_FALSE(Exists(folder)) << folder;
  }
}

TEST_F(DirectoryTest, RemoveTreeRefusesDriveRoots) {
  // With flags 0 and a pattern naming only this probe, a missing refusal
  // costs nothing but the probe, whose survival the test checks.
  const std::string probe = "trovanto_probe_" + std::to_string(GetCurrentProcessId()) + ".tmp";
  MakeFile("C:\\" + probe, 1);
  SetCurrentDirectoryA("C:\\windows");
  for (const char* root : {"C:\\", "C:", "c:/", "C:\\windows\\..", "C:\\.", "..", "\\", "/",
                           "\\\\?\\C:\\", "\\\\.\\C:\\"}) {
    EXPECT_EQ(RemoveTree(root, probe.c_str(), 0), 0) << root;
    EXPECT_TRUE(Exists("C:\\" + probe)) << root;
  }
  SetFileAttributesA(("C:\\" + probe).c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(("C:\\" + probe).c_str());
}

TEST_F(DirectoryTest, RemoveTreeRefusesOverLongPaths) {
  EXPECT_EQ(RemoveTree(std::string(300, 'x').c_str(), "", 3), 0);
  EXPECT_EQ(RemoveTree((base_ + "\\" + std::string(MAX_PATH, 'y')).c_str(), "", 3), 0);
  EXPECT_EQ(RemoveTree(base_.c_str(), std::string(MAX_PATH, '*').c_str(), 3), 0);
  EXPECT_EQ(RemoveTree(base_.c_str(), "..\\*.*", 3), 0);
  EXPECT_TRUE(Exists(base_));

  // Two levels that still fit with a short file name; a third that does not.
  const std::string top = At("long");
  const size_t room = MAX_PATH - 1 - (top.size() + 1) - std::string("\\\\f.txt").size();
  const std::string first = top + "\\" + std::string(room / 2, 'a');
  const std::string second = first + "\\" + std::string(room / 2, 'b');
  const std::string third = second + "\\" + std::string(100, 'c');
  for (const auto& folder : {top, first, second, third}) MakeFolder(folder);
  MakeFile(top + "\\top.txt", 1);
  MakeFile(second + "\\f.txt", 1);
  MakeFile(third + "\\beyond.txt", 1);
  ASSERT_LT(second.size() + 6, static_cast<size_t>(MAX_PATH));

  EXPECT_EQ(RemoveTree(top.c_str(), "", 3), 0);
  EXPECT_FALSE(Exists(top + "\\top.txt"));
  EXPECT_FALSE(Exists(second + "\\f.txt"));
  EXPECT_TRUE(Exists(third + "\\beyond.txt"));
}

// Names that the narrow calls, or a code-page conversion, turn into a step
// upwards, a separator or a drive: the folder holding one is left whole, and
// so is everything beside it.
TEST_F(DirectoryTest, RemoveTreeRefusesFoldersWithNamesThatCouldLeadOutside) {
  const std::wstring names[] = {L"\xFF0E\xFF0E", L"\xFF0E\xFF0E\xFF3C", L"\xFF0E", L"a\xFF0F" L"b", L"c\xFF1A",
                                L"\xFF0E\xFF0E\xFF3Cx"};
  MakeFile(At("outside.txt"), 1);
  int index = 0;
  for (const std::wstring& name : names) {
    const std::string tree = At("tree" + std::to_string(index++));
    MakeFolder(tree);
    MakeFolder(tree + "\\deep");
    MakeFile(tree + "\\deep\\keep.txt", 1);
    const std::wstring odd = LongForm(tree + "\\deep\\") + name;
    ASSERT_TRUE(CreateDirectoryW(odd.c_str(), nullptr)) << tree;
    EXPECT_EQ(RemoveTree(tree.c_str(), "", 3), 0) << tree;
    EXPECT_TRUE(Exists(tree + "\\deep\\keep.txt")) << tree;
    EXPECT_NE(GetFileAttributesW(odd.c_str()), INVALID_FILE_ATTRIBUTES) << tree;
    EXPECT_TRUE(Exists(At("outside.txt"))) << tree;
  }
  // Full-width letters on their own are just names.
  const std::string plain = At("plain");
  MakeFolder(plain);
  ASSERT_TRUE(CreateDirectoryW((LongForm(plain + "\\") + L"\xFF21\xFF22").c_str(), nullptr));
  EXPECT_NE(RemoveTree(plain.c_str(), "", 3), 0);
  EXPECT_FALSE(Exists(plain));
}

TEST_F(DirectoryTest, PathIsWithin) {
  struct Case {
    std::string path, folder;
    bool within;
  } cases[] = {
      {At("a\\b.exe"), At("a"), true},      {At("A\\B.EXE"), At("a\\"), true},
      {At("a"), At("a"), true},               {At("ab\\c.exe"), At("a"), false},
      {At("a\\..\\c.exe"), At("a"), false}, {At("a/b.exe"), At("a"), true},
      {"C:\\x\\y.exe", "C:", true},         {"D:\\x.exe", "C:", false},
      {"", At("a"), false},                   {At("a\\b.exe"), "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(storage::PathIsWithin(c.path.c_str(), c.folder.c_str()), c.within) << c.path << " in " << c.folder;
}

std::map<std::string, int> ReadListing(int slot) {
  std::map<std::string, int> entries;
  while (storage::NextListingEntry(slot) == 1) entries[storage::ListingEntryName(slot)] = storage::ListingEntryKind(slot);
  return entries;
}

TEST_F(DirectoryTest, Listing) {
  MakeFolder(At("list"));
  MakeFolder(At("list\\d1"));
  MakeFolder(At("list\\d2"));
  MakeFile(At("list\\f.txt"));
  const std::map<std::string, int> everything = {{".", 2}, {"..", 2}, {"d1", 2}, {"d2", 2}, {"f.txt", 1}};
  struct Case {
    std::string folder;
    const char* pattern;
    int opened;
    std::map<std::string, int> entries;
  } cases[] = {
      {At("list"), "", 1, everything},
      {At("list\\"), nullptr, 1, everything},
      {At("list"), "*.txt", 1, {{"f.txt", 1}}},
      {At("list"), "*.none", 1, {}},
      {At("missing"), "", 0, {}},
      {At("missing\\deeper"), "*.txt", 0, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(storage::OpenListing(0, c.folder.c_str(), c.pattern), c.opened) << c.folder;
    EXPECT_EQ(ReadListing(0), c.entries) << c.folder;
    EXPECT_EQ(storage::ListingEntryName(0), "");
    EXPECT_EQ(storage::ListingEntryKind(0), 0);
    storage::CloseListing(0);
  }
}

TEST_F(DirectoryTest, ListingSlotsAreIndependent) {
  MakeFolder(At("one"));
  MakeFolder(At("two"));
  MakeFile(At("one\\1.txt"));
  MakeFile(At("two\\2.txt"));
  // A far slot first, so the table has to grow; slot 3 is opened twice without closing.
  ASSERT_EQ(storage::OpenListing(7, At("one").c_str(), "*.txt"), 1);
  ASSERT_EQ(storage::OpenListing(3, At("one").c_str(), "*.txt"), 1);
  ASSERT_EQ(storage::OpenListing(3, At("two").c_str(), "*.txt"), 1);
  ASSERT_EQ(storage::NextListingEntry(7), 1);
  ASSERT_EQ(storage::NextListingEntry(3), 1);
  EXPECT_EQ(storage::ListingEntryName(7), "1.txt");
  EXPECT_EQ(storage::ListingEntryName(3), "2.txt");
  storage::CloseListing(7);
  EXPECT_EQ(storage::ListingEntryName(7), "");
  EXPECT_EQ(storage::NextListingEntry(7), 0);
  EXPECT_EQ(storage::NextListingEntry(3), 0);
  storage::CloseListing(3);

  for (int slot : {-1, 5, 100000, 1 << 30}) {
    EXPECT_EQ(storage::NextListingEntry(slot), 0) << slot;
    EXPECT_EQ(storage::ListingEntryKind(slot), 0) << slot;
    storage::CloseListing(slot);
  }
  EXPECT_EQ(storage::OpenListing(-1, At("one").c_str(), ""), 0);
  EXPECT_EQ(storage::OpenListing(1 << 30, At("one").c_str(), ""), 0);
}

}  // namespace
