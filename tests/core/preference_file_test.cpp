#include "storage/preference_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "storage/file_shim.h"

namespace {

namespace fs = std::filesystem;

class PreferenceFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/trovanto-pref-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/test.dat";
  }
  void TearDown() override {
    preference::Close();
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
  }

  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string dir_;
  std::string path_;
};

TEST_F(PreferenceFile, ReadsValuesTheWayTheyWereMeant) {
  struct Case {
    const char* label;
    std::string file;
    const char* group;
    const char* key;
    const char* text;  // nullptr: the key is not found
    int32_t number;
  } cases[] = {
      {"trailing blanks dropped", "[G]\r\nk = v \t \r\n", "G", "k", "v", 0},
      {"empty value is not the default", "[G]\r\nk = \r\n", "G", "k", "", 0},
      {"no blanks around =", "[G]\r\nSchriftgr\xF6sse=12\r\n", "G", "Schriftgr\xF6sse", "12", 12},
      {"tabs around =", "[G]\r\n\t k \t=\t 7\r\n", "G", "k", "7", 7},
      {"digits then letters", "[G]\r\nk = 12px\r\n", "G", "k", "12px", 12},
      {"letters only give 0", "[G]\r\nk = abc\r\n", "G", "k", "abc", 0},
      {"sign", "[G]\r\nk = -42\r\n", "G", "k", "-42", -42},
      {"plus sign", "[G]\r\nk = +8\r\n", "G", "k", "+8", 8},
      {"too big stops at the limit", "[G]\r\nk = 99999999999\r\n", "G", "k", "99999999999",
       std::numeric_limits<int32_t>::max()},
      {"too small stops at the limit", "[G]\r\nk = -99999999999\r\n", "G", "k", "-99999999999",
       std::numeric_limits<int32_t>::min()},
      {"= inside the value", "[G]\r\nk = a=b\r\n", "G", "k", "a=b", 0},
      {"line without =", "[G]\r\nk\r\n", "G", "k", "", 0},
      {"ASCII case folds", "[g]\r\nKEY = x\r\n", "G", "key", "x", 0},
      {"umlaut case does not fold", "[G]\r\n\xD6l = x\r\n", "G", "\xF6l", nullptr, 0},
      {"first duplicate key wins", "[G]\r\nk = 1\r\nk = 2\r\n", "G", "k", "1", 1},
      {"first duplicate group wins", "[G]\r\nk = 1\r\n[G]\r\nk = 2\r\n", "G", "k", "1", 1},
      {"text after ] ignored", "[G] junk\r\nk = 1\r\n", "G", "k", "1", 1},
      {"header without ]", "[G x\r\nk = 1\r\n", "G x", "k", "1", 1},
      {"name runs to the last ]", "[Alpha [x64] beta] \r\nk = 1\r\n", "Alpha [x64] beta", "k", "1", 1},
      {"name ending in ]", "[tool[1]]\r\nk = 1\r\n", "tool[1]", "k", "1", 1},
      {"blanks before header", " \t[G]\r\nk = 1\r\n", "G", "k", "1", 1},
      {"global key not in a group", "k = 1\r\n[G]\r\n", "G", "k", nullptr, 0},
      {"global key in the global section", "k = 1\r\n[G]\r\n", "", "k", "1", 1},
      {"key of the next group not found", "[G]\r\n[H]\r\nk = 1\r\n", "G", "k", nullptr, 0},
      {"comment is not a key", "[G]\r\n;k = 1\r\n", "G", ";k", nullptr, 0},
      {"LF only", "[G]\nk = 1\n", "G", "k", "1", 1},
      {"CR only", "[G]\rk = 1\r", "G", "k", "1", 1},
      {"no final line end", "[G]\r\nk = 1", "G", "k", "1", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Put(path_, c.file);
    ASSERT_EQ(preference::Open(path_.c_str()), 1);
    preference::SelectGroup(c.group);
    EXPECT_EQ(preference::ReadString(c.key, "default"), c.text ? c.text : "default");
    EXPECT_EQ(preference::ReadInt(c.key, 99), c.text ? c.number : 99);
    preference::Close();
    EXPECT_EQ(Get(path_), c.file) << "a file that was only read is rewritten";
  }
}

// A file given as `before` (nullptr: Create instead of Open), the calls, and the exact bytes after Close.
TEST_F(PreferenceFile, RewritesExactly) {
  using preference::SelectGroup;
  using preference::WriteComment;
  using preference::WriteString;
  struct Case {
    const char* label;
    const char* before;
    std::function<void()> calls;
    std::string after;
  } cases[] = {
      {"spacing normalised, blank lines dropped", ";a\r\n;   b\r\n\r\n[G] x\r\nk=1  \r\n\r\n",
       [] { SelectGroup("G"); WriteString("n", "2"); },
       "; a\r\n;   b\r\n[G]\r\nk = 1  \r\nn = 2\r\n"},
      {"existing key keeps its place, takes the caller's spelling", "[G]\r\nkey = 1\r\nz = 2\r\n",
       [] { SelectGroup("g"); WriteString("KEY", "3"); }, "[G]\r\nKEY = 3\r\nz = 2\r\n"},
      {"new key at the end of its group, comment after the key written last",
       "[G]\r\na = 1\r\nb = 2\r\n[H]\r\nc = 3\r\n",
       [] {
         SelectGroup("G");
         WriteString("a", "9");
         WriteComment("x");
         WriteString("n", "5");
       },
       "[G]\r\na = 9\r\n; x\r\nb = 2\r\nn = 5\r\n[H]\r\nc = 3\r\n"},
      {"missing group appended with its key", "[G]\r\na = 1\r\n",
       [] {
         EXPECT_EQ(SelectGroup("Neu"), 0);
         EXPECT_EQ(preference::ReadString("a", "d"), "d");
         WriteString("k", "v");
         EXPECT_EQ(preference::GroupName(), "Neu");
       },
       "[G]\r\na = 1\r\n[Neu]\r\nk = v\r\n"},
      {"global key goes before the first group", "x = 1\r\n[G]\r\n",
       [] { SelectGroup(""); WriteString("y", "2"); }, "x = 1\r\ny = 2\r\n[G]\r\n"},
      {"comment with no current line goes first", "[G]\r\n",
       [] { preference::RewindGroups(); WriteComment("oben"); }, "; oben\r\n[G]\r\n"},
      {"pending group dropped by a later selection", "[G]\r\n",
       [] {
         SelectGroup("Weg");
         SelectGroup("G");
         WriteString("k", "v");
       },
       "[G]\r\nk = v\r\n"},
      {"created file has its lines in call order", nullptr,
       [] {
         SelectGroup("Einstellungen");
         WriteString("Schriftart", "Arial");
         WriteComment("  0 = Normal");
         preference::WriteInt("Style", -3);
         SelectGroup("Zwei");
         preference::WriteInt("n", std::numeric_limits<int32_t>::min());
         WriteString(nullptr, nullptr);
       },
       "[Einstellungen]\r\nSchriftart = Arial\r\n;   0 = Normal\r\nStyle = -3\r\n[Zwei]\r\n"
       "n = -2147483648\r\n = \r\n"},
      {"create without writes empties the file", nullptr, [] {}, ""},
      {"mark-only file gains the mark line", "\xEF\xBB\xBF",
       [] {
         EXPECT_EQ(preference::NextGroup(), 0);
         SelectGroup("G");
         WriteString("k", "v");
       },
       "\xEF\xBB\xBF\r\n[G]\r\nk = v\r\n"},
      {"UTF-8 mode converts what is written", "\xEF\xBB\xBF[Gr\xC3\xBC\xC3\x9F" "e]\r\n",
       [] {
         EXPECT_EQ(SelectGroup("gR\xFC\xDF" "E"), 1);
         WriteString("\xF6", "\xE4\xDF");
         WriteComment("\xA0");
       },
       "\xEF\xBB\xBF\r\n[Gr\xC3\xBC\xC3\x9F" "e]\r\n\xC3\xB6 = \xC3\xA4\xC3\x9F\r\n; \xC2\xA0\r\n"},
      {"group removed with its lines", "[A]\r\na = 1\r\n; c\r\n[B]\r\nb = 2\r\n",
       [] {
         SelectGroup("A");
         preference::RemoveGroup("a");
         EXPECT_EQ(preference::GroupName(), "");
       },
       "[B]\r\nb = 2\r\n"},
      {"removing the first of two namesakes uncovers the second", "[A]\r\na = 1\r\n[B]\r\n[A]\r\na = 2\r\n",
       [] {
         preference::RemoveGroup("A");
         EXPECT_EQ(SelectGroup("A"), 1);
         EXPECT_EQ(preference::ReadString("a", ""), "2");
         preference::RemoveGroup("A");
         EXPECT_EQ(SelectGroup("A"), 0);
       },
       "[B]\r\n"},
      {"of names differing in case, the exact one goes", "[Tool]\r\na = 1\r\n[TOOL]\r\na = 2\r\n[tool]\r\n",
       [] {
         preference::RemoveGroup("TOOL");
         EXPECT_EQ(SelectGroup("TOOL"), 1);
         EXPECT_EQ(preference::ReadString("a", ""), "1");
         preference::RemoveGroup("Tool");
       },
       "[tool]\r\n"},
      {"name with brackets removed whole", "[Alpha [x64] beta]\r\na = 1\r\n[Alpha [x64]\r\n",
       [] { preference::RemoveGroup("Alpha [x64] beta"); }, "[Alpha [x64]\r\n"},
      {"UTF-8 group removed by its 8-bit name", "\xEF\xBB\xBF[\xC3\x96l]\r\n[B]\r\n",
       [] { preference::RemoveGroup("\xD6l"); }, "\xEF\xBB\xBF\r\n[B]\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Put(path_, c.before ? c.before : "[Alt]\r\nk = v\r\n");
    ASSERT_EQ(c.before ? preference::Open(path_.c_str()) : preference::Create(path_.c_str()), 1);
    c.calls();
    preference::Close();
    EXPECT_EQ(Get(path_), c.after);
  }
}

TEST_F(PreferenceFile, Utf8ValuesReadAsWindows1252WhereItHasTheCharacters) {
  struct Case {
    const char* stored;
    const char* read;
  } cases[] = {
      {"abc", "abc"},
      {"\xC3\xB6", "\xF6"},
      {"\xC2\xA0x", "\xA0x"},
      {"2\xE2\x80\x93" "3 \xE2\x82\xAC \xE2\x80\x99 \xC5\xA0", "2\x96" "3 \x80 \x92 \x8A"},  // en dash, euro, quote, S caron
      {"\xC2\x80\xC2\x9D", "\x80\x9D"},  // as earlier versions wrote bytes 80-9F
      {"\xC3", "?"},                        // cut short
      {"\xC3\x28", "?("},                   // no continuation byte
      {"\xC0\xB6", "??"},                   // overlong
      {"\xED\xA0\x80", "???"},              // a surrogate
      {"\xB6", "?"},                        // stray continuation byte
      {"ok \xF0\x9F\x98\x80", "ok ?"},
      {"\\\xE3\x82\xB0\\t.exe", "\\?\\t.exe"},  // beyond Windows-1252
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    Put(path_, std::string("\xEF\xBB\xBF[Gr\xC3\xBC\xC3\x9F" "e]\r\nSchl\xC3\xBCssel = ") + c.stored +
                   "\r\nn = 0042x\r\n");
    ASSERT_EQ(preference::Open(path_.c_str()), 1);
    ASSERT_EQ(preference::NextGroup(), 1);
    EXPECT_EQ(preference::GroupName(), "Gr\xFC\xDF" "e");
    EXPECT_EQ(preference::ReadString("Schl\xFCssel", "default"), c.read);
    EXPECT_EQ(preference::ReadInt("N", -1), 42);
    preference::Close();
  }
  Put(path_, "\xEF\xBB\xBF[\xE2\x82\xAC \xCE\xA9]\r\n");
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  ASSERT_EQ(preference::NextGroup(), 1);
  EXPECT_EQ(preference::GroupName(), "\x80 ?");
}

// What the catalogue and the settings do with a UTF-8 file: read everything, start the file over
// and write back what was read (paths lower-cased). Nothing may be lost, and the file stays UTF-8.
TEST_F(PreferenceFile, Utf8FileStartedOverKeepsItsMarkAndWhatThe8BitTextLacks) {
  const std::string before =
      "\xEF\xBB\xBF[Werkzeug \xE2\x80\x93 neu]\r\nDatei = \\Apps\\2\xC3\x97" "3\\\xE2\x80\x93\\T.exe\r\n"
      "[\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB]\r\nDatei = \\Apps\\\xE3\x82\xB0\\T.exe\r\n"
      "[B]\r\nDatei = \\Apps\\\xE3\x83\x90\\T.exe\r\nIcon = \\\xC3\x28.ico\r\n";
  Put(path_, before);
  struct Entry {
    std::string name, file, icon;
  };
  std::vector<Entry> entries;
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  while (preference::NextGroup()) {
    entries.push_back({preference::GroupName(), preference::ReadString("Datei", ""), preference::ReadString("Icon", "")});
  }
  preference::Close();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "Werkzeug \x96 neu");
  EXPECT_EQ(entries[0].file, "\\Apps\\2\xD7" "3\\\x96\\T.exe");
  EXPECT_EQ(entries[1].name, "???");
  EXPECT_EQ(entries[1].file, "\\Apps\\?\\T.exe");
  EXPECT_EQ(entries[2].file, "\\Apps\\?\\T.exe") << "a stand-in as long as the other";
  EXPECT_EQ(entries[2].icon, "\\?(.ico");

  ASSERT_EQ(preference::Create(path_.c_str()), 1);
  for (const Entry& e : entries) {
    std::string file = e.file, icon = e.icon;
    for (char& ch : file) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    preference::SelectGroup(e.name.c_str());
    preference::WriteString("Datei", file.c_str());
    if (!icon.empty()) preference::WriteString("Icon", icon.c_str());
  }
  preference::SelectGroup("Neu \x80");
  preference::WriteString("Datei", "\\x\x92.exe");
  ASSERT_EQ(preference::Close(), 1);
  EXPECT_EQ(Get(path_),
            "\xEF\xBB\xBF\r\n[Werkzeug \xE2\x80\x93 neu]\r\nDatei = \\apps\\2\xC3\x97" "3\\\xE2\x80\x93\\t.exe\r\n"
            "[\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB]\r\nDatei = \\Apps\\\xE3\x82\xB0\\T.exe\r\n"
            "[B]\r\nDatei = \\Apps\\\xE3\x83\x90\\T.exe\r\nIcon = \\\xC3\x28.ico\r\n"
            "[Neu \xE2\x82\xAC]\r\nDatei = \\x\xE2\x80\x99.exe\r\n");

  // Two names that read as one stand-in: neither is picked for it.
  Put(path_, "\xEF\xBB\xBF[\xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB]\r\n[\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88]\r\n");
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  while (preference::NextGroup()) EXPECT_EQ(preference::GroupName(), "???");
  preference::Close();
  ASSERT_EQ(preference::Create(path_.c_str()), 1);
  preference::SelectGroup("???");
  preference::WriteString("k", "v");
  ASSERT_EQ(preference::Close(), 1);
  EXPECT_EQ(Get(path_), "\xEF\xBB\xBF\r\n[???]\r\nk = v\r\n");

  // A file of the same name that never came in as UTF-8 is written as 8-bit text.
  const std::string other = dir_ + "/other.dat";
  ASSERT_EQ(preference::Create(other.c_str()), 1);
  preference::SelectGroup("\x96");
  preference::WriteString("Datei", "\\Apps\\?\\T.exe");
  ASSERT_EQ(preference::Close(), 1);
  EXPECT_EQ(Get(other), "[\x96]\r\nDatei = \\Apps\\?\\T.exe\r\n");
}

TEST_F(PreferenceFile, HostileInputLoadsAndSurvivesARewrite) {
  std::string manyGroups;
  for (int i = 0; i < 100000; ++i) manyGroups += "[P" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  // 100 MB: a stick full of junk that happens to carry the file's name.
  const std::string unit = "[Gruppe]\r\nSchl\xFCssel = ein langer Wert, der sich wiederholt\r\n";
  std::string hundredMb;
  hundredMb.reserve((100u << 20) + unit.size());
  while (hundredMb.size() < (100u << 20)) hundredMb += unit;
  struct Case {
    const char* label;
    std::string file;
    int groups;
  } cases[] = {
      {"NUL bytes", std::string("[G\0]\r\nk\0=\0v\r\n\0\0\r\n[H]\0", 21), 2},
      {"1 MB in one line", "[G]\r\nk = " + std::string(1 << 20, 'x'), 1},
      {"1 MB of blanks and line ends", std::string(1 << 19, ' ') + std::string(1 << 19, '\r'), 0},
      {"lone openers at the very end", "[G]\r\n;", 1},
      {"lone bracket", "k=\r\n[", 1},
      {"100 MB", hundredMb, static_cast<int>(hundredMb.size() / unit.size())},
      {"100,000 groups", manyGroups, 100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Put(path_, c.file);
    for (int pass = 0; pass < 2; ++pass) {
      ASSERT_EQ(preference::Open(path_.c_str()), 1);
      int groups = 0;
      while (preference::NextGroup()) {
        ++groups;
        preference::ReadString("k", "");
      }
      EXPECT_EQ(groups, c.groups);
      preference::WriteString("last", "1");
      preference::Close();
    }
  }
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  EXPECT_EQ(preference::SelectGroup("p99999"), 1);
  EXPECT_EQ(preference::ReadInt("k", -1), 99999);
  EXPECT_EQ(preference::ReadInt("last", -1), 1);
}

TEST_F(PreferenceFile, CreateLeavesTheOldContentUntilClose) {
  const std::string old = "[Alt]\r\nk = v\r\n";
  Put(path_, old);
  ASSERT_EQ(preference::Create(path_.c_str()), 1);
  preference::SelectGroup("Neu");
  preference::WriteString("k", "w");
  EXPECT_EQ(Get(path_), old);
  // Another instance may read it meanwhile, but not write it.
  storage::SharedFile other;
  EXPECT_EQ(storage::OpenForReading(path_.c_str(), &other), storage::OpenStatus::kOpened);
  EXPECT_EQ(storage::OpenForUpdate(path_.c_str(), &other), storage::OpenStatus::kBusy);
  other.Close();
  preference::Close();
  EXPECT_EQ(Get(path_), "[Neu]\r\nk = w\r\n");
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));
}

TEST_F(PreferenceFile, ReadOnlyFileIsReadButNeverChanged) {
  const std::string old = "[G]\r\nk=1\r\n";
  Put(path_, old);
  ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  preference::SelectGroup("G");
  EXPECT_EQ(preference::ReadInt("k", 0), 1);
  preference::WriteString("k", "2");
  preference::Close();
  EXPECT_EQ(Get(path_), old);

  EXPECT_EQ(preference::Create(path_.c_str()), 0);
  EXPECT_FALSE(preference::IsOpen());
  EXPECT_EQ(preference::SelectGroup(""), 0);
  EXPECT_EQ(preference::RewindGroups(), 0);
  preference::WriteString("k", "3");
  preference::Close();
  EXPECT_EQ(Get(path_), old);

  // Not to be reported as saved either, by Close.
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  preference::SelectGroup("G");
  preference::WriteString("k", "4");
  EXPECT_EQ(preference::Close(), 0);
  EXPECT_EQ(Get(path_), old);

  EXPECT_EQ(preference::Create((dir_ + "/missing/test.dat").c_str()), 0);
  EXPECT_EQ(preference::Create(nullptr), 0);
}

TEST_F(PreferenceFile, MissingFileIsCreatedOnlyWhenWrittenTo) {
  EXPECT_EQ(preference::Open(path_.c_str()), 0);
  EXPECT_EQ(preference::RewindGroups(), 1);
  EXPECT_EQ(preference::ReadString("k", "d"), "d");
  preference::Close();
  EXPECT_FALSE(fs::exists(path_));

  EXPECT_EQ(preference::Open(path_.c_str()), 0);
  preference::SelectGroup("G");
  preference::WriteInt("k", 5);
  preference::Close();
  EXPECT_EQ(Get(path_), "[G]\r\nk = 5\r\n");
}

TEST_F(PreferenceFile, VanishedFileOrFolderDoesNotCrash) {
  Put(path_, "[G]\r\n");
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  preference::SelectGroup("G");
  preference::WriteString("k", "v");
  ASSERT_EQ(unlink(path_.c_str()), 0);
  preference::Close();
  EXPECT_EQ(Get(path_), "[G]\r\nk = v\r\n");

  ASSERT_EQ(preference::Create(path_.c_str()), 1);
  preference::WriteString("k", "v");
  fs::remove_all(dir_);
  preference::Close();
  EXPECT_FALSE(fs::exists(dir_));
}

TEST_F(PreferenceFile, StaleTemporaryFileIsTakenOver) {
  const std::string temp = path_ + ".tmp";
  ASSERT_EQ(preference::Create(path_.c_str()), 1);
  Put(temp, "half a file from a killed run");
  ASSERT_EQ(chmod(temp.c_str(), 0444), 0);
  preference::WriteString("k", "v");
  preference::Close();
  EXPECT_EQ(Get(path_), "k = v\r\n");
  EXPECT_FALSE(fs::exists(temp));
}

// What a save cut short between its two renames leaves, and what the next start makes of it.
TEST_F(PreferenceFile, TemporaryCopyBesideTheFile) {
  const std::string temp = path_ + ".tmp";
  const std::string copy = "[G]\r\nk = copy\r\n";
  const std::string file = "[G]\r\nk = file\r\n";
  struct Case {
    const char* label;
    const char* before;  // nullptr: no file
    const char* expectedValue;
    std::string after;  // the file after a plain Open and Close
  } cases[] = {
      {"only the copy: it is the file", nullptr, "copy", copy},
      {"both: the copy was never finished", file.c_str(), "file", file},
      {"both, the file empty: still the file", "", "none", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.before != nullptr) Put(path_, c.before);
    Put(temp, copy);
    ASSERT_EQ(preference::Open(path_.c_str()), 1);
    preference::SelectGroup("G");
    EXPECT_EQ(preference::ReadString("k", "none"), c.expectedValue);
    EXPECT_EQ(preference::Close(), 1);
    EXPECT_EQ(Get(path_), c.after);
    EXPECT_FALSE(fs::exists(temp));
    fs::remove(path_);
  }

  // A rewrite keeps the file's own permissions.
  Put(path_, file);
  ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
  ASSERT_EQ(preference::Create(path_.c_str()), 1);
  preference::WriteString("k", "v");
  EXPECT_EQ(preference::Close(), 1);
  EXPECT_EQ(Get(path_), "k = v\r\n");
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// A file that opens but whose read fails is no empty file: a caller that removes a group from it
// must learn that nothing was removed. A sysfs file opens, claims a page and reads short.
TEST_F(PreferenceFile, FileThatOpensButCannotBeReadGivesZero) {
  const char* shortRead = "/sys/kernel/uevent_seqnum";
  if (!fs::exists(shortRead)) GTEST_SKIP() << "no " << shortRead;
  EXPECT_EQ(preference::Open(shortRead), 0);
  EXPECT_TRUE(preference::Unreadable(shortRead));
  preference::RemoveGroup("G");
  EXPECT_EQ(preference::Close(), 1);
}

// A file that exists but could not be read is not ours to overwrite for the rest of the run, even
// once it can be read: what was in memory was never its content.
TEST_F(PreferenceFile, UnreadableFileIsNeverWrittenInThisRun) {
  const std::string old = "[G]\r\nk = 1\r\n";
  ASSERT_TRUE(fs::create_directory(path_));  // exists, and cannot be read as a file
  EXPECT_EQ(preference::Open(path_.c_str()), 0);
  EXPECT_TRUE(preference::Unreadable(path_.c_str()));
  preference::SelectGroup("G");
  preference::WriteString("k", "lost");
  EXPECT_EQ(preference::Close(), 0);

  fs::remove(path_);
  Put(path_, old);
  EXPECT_EQ(preference::Create(path_.c_str()), 0);
  preference::Close();
  ASSERT_EQ(preference::Open(path_.c_str()), 1);
  preference::SelectGroup("G");
  EXPECT_EQ(preference::ReadInt("k", 0), 1);
  preference::RemoveGroup("G");
  EXPECT_EQ(preference::Close(), 0);
  EXPECT_EQ(Get(path_), old);

  // Another file of the same folder is not affected.
  const std::string other = dir_ + "/other.dat";
  EXPECT_FALSE(preference::Unreadable(other.c_str()));
  ASSERT_EQ(preference::Create(other.c_str()), 1);
  preference::WriteString("k", "2");
  EXPECT_EQ(preference::Close(), 1);
  EXPECT_EQ(Get(other), "k = 2\r\n");
}

}  // namespace
